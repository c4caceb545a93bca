#include "common/ZeltUtils.h"

#include <bit>
#include <cstring>
#include <type_traits>

namespace parlino {

namespace {

static_assert(std::endian::native == std::endian::little,
              "the wire format is little-endian and the codec copies numbers as they are");

template <typename T>
T ReadLE(std::string_view buffer, std::size_t offset)
{
    T value;
    std::memcpy(&value, buffer.data() + offset, sizeof value);
    return value;
}

template <typename T>
void AppendLE(ByteString& out, T value)
{
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    out.append(bytes, sizeof value);
}

// Size of a fixed-size field, or 0 for the text kind and unknown codes.
std::int64_t FixedFieldSize(FieldKind kind)
{
    switch (kind) {
    case FieldKind::Int16: return 2;
    case FieldKind::Int32: return 4;
    case FieldKind::Float64: return 8;
    case FieldKind::Boolean:
    case FieldKind::Int8: return 1;
    case FieldKind::Int16Array: return 2 * SamplesPerPacket;
    case FieldKind::Int8Array: return SamplesPerPacket;
    case FieldKind::String: break;
    }
    return 0;
}

template <typename Sample>
std::vector<Sample> ReadSamples(std::string_view buffer, std::size_t offset)
{
    std::vector<Sample> samples(SamplesPerPacket);
    std::memcpy(samples.data(), buffer.data() + offset, SamplesPerPacket * sizeof(Sample));
    return samples;
}

template <typename Sample>
bool AppendSamples(ByteString& out, const std::vector<Sample>& samples)
{
    if (samples.size() < static_cast<std::size_t>(SamplesPerPacket))
        return false;
    out.append(reinterpret_cast<const char*>(samples.data()), SamplesPerPacket * sizeof(Sample));
    return true;
}

// Writes one value; false for an empty slot or a value the codec cannot write.
bool AppendValue(ByteString& out, const MessageValue& value)
{
    return std::visit(
        [&out](const auto& v) -> bool {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>) {
                out.push_back(v ? '\x01' : '\x00');
                return true;
            } else if constexpr (std::is_same_v<T, std::int16_t> || std::is_same_v<T, std::int32_t>
                                 || std::is_same_v<T, double> || std::is_same_v<T, std::int8_t>) {
                AppendLE(out, v);
                return true;
            } else if constexpr (std::is_same_v<T, std::string>) {
                AppendLE(out, static_cast<std::int32_t>(v.size()));
                out += v;
                return true;
            } else if constexpr (std::is_same_v<T, Int16Samples> || std::is_same_v<T, Int8Samples>) {
                return AppendSamples(out, v);
            } else {
                return false;  // empty slot, or a kind that never travels
            }
        },
        value);
}

}  // namespace

UnpackResult UnpackMessage(ByteString& buffer, std::span<const FieldKind> kinds,
                           MessageValues& values)
{
    std::size_t taken = 0;
    const UnpackResult result = unpackMessageAt(buffer, kinds, values, taken);
    if (result == UnpackResult::Complete)
        buffer.erase(0, taken);
    return result;
}

UnpackResult unpackMessageAt(std::string_view buffer, std::span<const FieldKind> kinds,
                             MessageValues& values, std::size_t& taken)
{
    values.assign(MaxMessageFields, MessageValue{});
    if (kinds.size() > static_cast<std::size_t>(MaxMessageFields))
        return UnpackResult::Incomplete;

    // Measure without consuming. `need` is 64-bit so that a count near 2^31 cannot wrap.
    const auto available = static_cast<std::int64_t>(buffer.size());
    std::int64_t need = 1;
    for (FieldKind kind : kinds) {
        if (kind == FieldKind::String) {
            need += 4;
            if (need > available)
                return UnpackResult::Incomplete;
            const auto count = ReadLE<std::int32_t>(buffer, static_cast<std::size_t>(need - 4));
            if (count < 0)
                return UnpackResult::Malformed;
            need += count;
        } else {
            const std::int64_t size = FixedFieldSize(kind);
            if (size == 0)
                return UnpackResult::Incomplete;  // unknown kind code
            need += size;
        }
        if (need > available)
            return UnpackResult::Incomplete;
    }

    std::size_t offset = 1;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        MessageValue& slot = values[i];
        switch (kinds[i]) {
        case FieldKind::Int16: slot = ReadLE<std::int16_t>(buffer, offset); break;
        case FieldKind::Int32: slot = ReadLE<std::int32_t>(buffer, offset); break;
        case FieldKind::Float64: slot = ReadLE<double>(buffer, offset); break;
        case FieldKind::Int8: slot = ReadLE<std::int8_t>(buffer, offset); break;
        case FieldKind::Boolean: slot = buffer[offset] != 0; break;
        case FieldKind::String: {
            const auto count = static_cast<std::size_t>(ReadLE<std::int32_t>(buffer, offset));
            slot = std::string(buffer.substr(offset + 4, count));
            offset += 4 + count;
            continue;
        }
        case FieldKind::Int16Array: slot = ReadSamples<std::int16_t>(buffer, offset); break;
        case FieldKind::Int8Array: slot = ReadSamples<std::int8_t>(buffer, offset); break;
        }
        offset += static_cast<std::size_t>(FixedFieldSize(kinds[i]));
    }
    taken = static_cast<std::size_t>(need);
    return UnpackResult::Complete;
}

void PackMessage(ByteString& msg, int count, const MessageValues& values)
{
    ByteString scratch;
    for (int i = 0; i < count; ++i) {
        if (static_cast<std::size_t>(i) >= values.size() || !AppendValue(scratch, values[i]))
            return;
    }
    msg += scratch;
}

}  // namespace parlino
