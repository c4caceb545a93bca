#include "server/CriticalFix.h"

#include "platform/dataset/Field.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace parlino {

using dataset::FieldType;

bool FixRecordFile::Open(const std::string& path, Mode mode)
{
    Close();
    position_ = 0;
    const int fd = ::open(path.c_str(), (mode == Mode::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (::flock(fd, (mode == Mode::Read ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void FixRecordFile::Close()
{
    if (fd_ >= 0)
        ::close(fd_);  // also drops the lock
    fd_ = -1;
}

std::size_t FixRecordFile::Read(void* into, std::size_t size)
{
    std::size_t done = 0;
    while (fd_ >= 0 && position_ >= 0 && done < size) {
        const ssize_t got = ::pread(fd_, static_cast<char*>(into) + done, size - done,
                                    static_cast<off_t>(position_ + static_cast<std::int64_t>(done)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    position_ += static_cast<std::int64_t>(done);
    return done;
}

std::size_t FixRecordFile::Write(const void* from, std::size_t size)
{
    if (held_) {
        held_->push_back({position_, std::string(static_cast<const char*>(from), size)});
        position_ += static_cast<std::int64_t>(size);
        return size;
    }
    const std::size_t done = writeNow(position_, from, size);
    position_ += static_cast<std::int64_t>(done);
    return done;
}

std::size_t FixRecordFile::writeNow(std::int64_t offset, const void* from, std::size_t size)
{
    std::size_t done = 0;
    while (fd_ >= 0 && offset >= 0 && done < size) {
        const ssize_t put = ::pwrite(fd_, static_cast<const char*>(from) + done, size - done,
                                     static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            break;
        done += static_cast<std::size_t>(put);
    }
    return done;
}

void FixRecordFile::gather()
{
    held_.emplace();
}

bool FixRecordFile::commit()
{
    if (!held_)
        return true;
    const std::vector<HeldWrite> writes = std::move(*held_);
    held_.reset();
    if (writes.empty())
        return true;
    std::int64_t first = writes.front().offset;
    std::int64_t end = first;
    for (const HeldWrite& write : writes) {
        first = std::min(first, write.offset);
        end = std::max(end, write.offset + static_cast<std::int64_t>(write.bytes.size()));
    }
    if (fd_ < 0 || first < 0)
        return false;
    // The span as the file holds it (zeros past its end), with the held writes laid over it.
    std::string span(static_cast<std::size_t>(end - first), '\0');
    const std::int64_t resume = position_;
    position_ = first;
    Read(span.data(), span.size());
    position_ = resume;
    for (const HeldWrite& write : writes)
        span.replace(static_cast<std::size_t>(write.offset - first), write.bytes.size(), write.bytes);
    return writeNow(first, span.data(), span.size()) == span.size();
}

bool FixRecordFile::sync()
{
    return fd_ >= 0 && ::fdatasync(fd_) == 0;
}

namespace {
constexpr std::size_t NumberWidth = 8;

bool IsNumber(FieldType type)
{
    return type == FieldType::Float || type == FieldType::DateTime;
}

void EncodeDouble(double value, std::uint8_t (&bytes)[NumberWidth])
{
    std::uint64_t raw = 0;
    std::memcpy(&raw, &value, sizeof raw);
    for (std::size_t i = 0; i < NumberWidth; ++i)
        bytes[i] = static_cast<std::uint8_t>(raw >> (8 * i));
}

double DecodeDouble(const std::uint8_t (&bytes)[NumberWidth])
{
    std::uint64_t raw = 0;
    for (std::size_t i = 0; i < NumberWidth; ++i)
        raw |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    double value = 0;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}
}  // namespace

void ReadFixField(FixRecordFile& file, dataset::Field& field)
{
    const std::int64_t start = file.Position();
    if (field.Type() == FieldType::Text) {
        const auto width = static_cast<std::size_t>(field.Size());
        std::vector<char> buffer(width + 1, '\0');
        file.Read(buffer.data(), width);
        file.Seek(start + static_cast<std::int64_t>(width));
        field.SetAsText(std::string(buffer.data()));
    } else if (IsNumber(field.Type())) {
        std::uint8_t bytes[NumberWidth] = {};
        file.Read(bytes, NumberWidth);
        file.Seek(start + static_cast<std::int64_t>(NumberWidth));
        field.SetAsFloat(DecodeDouble(bytes));
    }
}

void WriteFixField(FixRecordFile& file, dataset::Field& field, bool skip)
{
    const bool text = field.Type() == FieldType::Text;
    if (!text && !IsNumber(field.Type()))
        return;
    if (field.IsNull()) {
        if (skip)
            file.Skip(text ? field.Size() : static_cast<std::int64_t>(NumberWidth));
        return;
    }
    if (!text) {
        std::uint8_t bytes[NumberWidth];
        EncodeDouble(field.AsFloat(), bytes);
        file.Write(bytes, NumberWidth);
        return;
    }
    const auto width = static_cast<std::size_t>(field.Size());
    const std::string value = field.AsText().substr(0, width);
    if (value.size() + 1 < width) {
        file.Write(value.c_str(), value.size() + 1);  // the characters and their NUL
        if (skip)
            file.Skip(static_cast<std::int64_t>(width - value.size() - 1));
    } else {
        std::vector<char> bytes(width, '\0');
        std::memcpy(bytes.data(), value.data(), value.size());
        file.Write(bytes.data(), width);
    }
}

}  // namespace parlino
