#include "client/media/SampleCopy.h"

#include <algorithm>
#include <cstring>

namespace parlino {

namespace {

template <typename Samples, typename Cell>
void copySamples(Cell* destination, int count, std::int16_t selector, const MessageValues& values,
                 int index)
{
    if (selector != 1 || count <= 0 || index < 0 || index >= static_cast<int>(values.size()))
        return;
    const auto* samples = std::get_if<Samples>(&values[static_cast<std::size_t>(index)]);
    if (!samples)
        return;
    // A short array fills what it has: the rest of the slot keeps its old sound.
    const std::size_t n = std::min(static_cast<std::size_t>(count), samples->size());
    std::memcpy(destination, samples->data(), n * sizeof(Cell));
}

}  // namespace

void CopyByteSamples(std::uint8_t* destination, int count, std::int16_t selector,
                     const MessageValues& values, int index)
{
    copySamples<Int8Samples>(destination, count, selector, values, index);
}

void CopySmallintSamples(std::int16_t* destination, int count, std::int16_t selector,
                         const MessageValues& values, int index)
{
    copySamples<Int16Samples>(destination, count, selector, values, index);
}

}  // namespace parlino
