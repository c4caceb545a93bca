#include "server/CallAnswers.h"

#include <algorithm>

namespace parlino {

void CallAnswers::answered(std::int32_t answerer, std::int32_t caller)
{
    if (hasSlot(answerer) && hasSlot(caller))
        answerer_[static_cast<std::size_t>(caller - 1)] = answerer;
}

void CallAnswers::forget(std::int32_t id)
{
    if (!hasSlot(id))
        return;
    answerer_[static_cast<std::size_t>(id - 1)] = 0;
    std::replace(answerer_.begin(), answerer_.end(), id, 0);
}

bool CallAnswers::take(std::int32_t caller, std::int32_t peer)
{
    if (!hasSlot(caller))
        return false;
    std::int32_t& answerer = answerer_[static_cast<std::size_t>(caller - 1)];
    const bool held = answerer != 0 && answerer == peer;
    answerer = 0;
    return held;
}

}  // namespace parlino
