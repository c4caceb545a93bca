#include "platform/audio/RiffReader.h"

#include <algorithm>
#include <cstring>

namespace parlino {

RiffReader::RiffReader(std::span<const std::uint8_t> image) : image_(image), size_(image.size())
{
}

RiffReader::RiffReader(const std::string& path)
{
    file_.reset(std::fopen(path.c_str(), "rb"));
    if (file_ && std::fseek(file_.get(), 0, SEEK_END) == 0) {
        const long end = std::ftell(file_.get());
        size_ = end > 0 ? static_cast<std::uint64_t>(end) : 0;
    }
}

RiffReader::~RiffReader() = default;

bool RiffReader::isOpen() const
{
    return file_ != nullptr || image_.data() != nullptr;
}

std::size_t RiffReader::readAt(std::uint64_t offset, void* dest, std::size_t count)
{
    // An empty destination may be null, which memcpy must never be given.
    if (offset >= size_ || count == 0)
        return 0;
    const std::size_t available = static_cast<std::size_t>(
        std::min<std::uint64_t>(count, size_ - offset));
    if (!file_) {
        std::memcpy(dest, image_.data() + offset, available);
        return available;
    }
    if (std::fseek(file_.get(), static_cast<long>(offset), SEEK_SET) != 0)
        return 0;
    return std::fread(dest, 1, available, file_.get());
}

bool RiffReader::readHeader(std::uint64_t offset, RiffChunk& chunk)
{
    std::uint8_t header[8];
    if (readAt(offset, header, sizeof header) != sizeof header)
        return false;
    std::memcpy(chunk.id, header, 4);
    chunk.size = static_cast<std::uint32_t>(header[4]) |
        static_cast<std::uint32_t>(header[5]) << 8 | static_cast<std::uint32_t>(header[6]) << 16 |
        static_cast<std::uint32_t>(header[7]) << 24;
    chunk.dataOffset = offset + 8;
    chunk.endOffset = chunk.dataOffset + chunk.size + (chunk.size & 1u);
    return true;
}

bool RiffReader::descendRiff(std::string_view formType, RiffChunk& chunk)
{
    std::uint64_t offset = position_;
    RiffChunk found;
    while (readHeader(offset, found)) {
        char form[4];
        if (std::memcmp(found.id, "RIFF", 4) == 0 && readAt(found.dataOffset, form, 4) == 4 &&
            formType.size() == 4 && std::memcmp(form, formType.data(), 4) == 0) {
            found.dataOffset += 4;
            chunk = found;
            position_ = found.dataOffset;
            return true;
        }
        offset = found.endOffset;
    }
    return false;
}

bool RiffReader::descendChunk(std::string_view id, const RiffChunk& parent, RiffChunk& chunk)
{
    if (id.size() != 4)
        return false;
    std::uint64_t offset = std::max(position_, parent.dataOffset);
    RiffChunk found;
    // A chunk header must begin inside the parent as declared; readHeader() stops at the
    // end of the file.
    while (offset + 8 <= parent.endOffset && readHeader(offset, found)) {
        if (std::memcmp(found.id, id.data(), 4) == 0) {
            chunk = found;
            position_ = found.dataOffset;
            return true;
        }
        offset = found.endOffset;
    }
    return false;
}

std::size_t RiffReader::read(void* dest, std::size_t count)
{
    const std::size_t got = readAt(position_, dest, count);
    position_ += got;
    return got;
}

}  // namespace parlino
