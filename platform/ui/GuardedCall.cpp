#include "platform/ui/GuardedCall.h"

#include "platform/core/ErrorText.h"
#include "platform/dataset/DatasetErrors.h"
#include "platform/ui/ErrorDisplay.h"

namespace parlino::ui {

bool runGuarded(ErrorDisplay& display, const std::function<void()>& work)
{
    try {
        work();
        return true;
    } catch (const dataset::SilentAbort&) {
        return false;
    } catch (...) {
        display.postError(errorText(std::current_exception()));
        return false;
    }
}

}  // namespace parlino::ui
