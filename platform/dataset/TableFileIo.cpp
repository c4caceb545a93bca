// Table files on disk: read whole, and written through a temporary file that is renamed
// over the old one, so a crash part-way never leaves a torn table.
#include "platform/dataset/TableFile.h"

#include "platform/dataset/DatasetErrors.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string_view>

namespace parlino::dataset {

namespace {
std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

// A save writes "<path>.XXXXXX" first; mkstemp fills the Xs with letters and digits.
constexpr std::string_view TemporaryPattern = ".XXXXXX";
constexpr std::string_view TableExtension = ".cds";

bool isInterruptedSave(std::string_view name)
{
    const std::size_t stem = name.size() - std::min(name.size(), TemporaryPattern.size());
    if (stem < TableExtension.size() + 1 || name[stem] != '.'
        || name.substr(stem - TableExtension.size(), TableExtension.size()) != TableExtension)
        return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(stem) + 1, name.end(),
                       [](unsigned char c) { return std::isalnum(c) != 0; });
}

std::vector<std::uint8_t> ReadAll(const std::string& path)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        throw DatasetError("Cannot open table file " + Quoted(path) + ": " + std::strerror(errno));
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw DatasetError("Cannot open table file " + Quoted(path) + ": not a regular file");
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t got = ::read(file.get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw DatasetError("Cannot read table file " + Quoted(path) + ": " + std::strerror(errno));
        if (got == 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

void WriteAll(int fd, const std::vector<std::uint8_t>& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            throw errno;
        done += static_cast<std::size_t>(put);
    }
}
}  // namespace

TableFileContents ReadTableFile(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = ReadAll(path);
    try {
        return DecodeTable(bytes);
    } catch (const DatasetError& error) {
        throw DatasetError("Table file " + Quoted(path) + " cannot be loaded: " + error.what());
    }
}

void WriteTableFile(const std::string& path, const std::vector<FieldDef>& layout, const RowStore& rows)
{
    WriteTableBytes(path, EncodeTable(layout, rows));
}

void WriteTableBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::string temporary = path;
    temporary += TemporaryPattern;
    FileDescriptor file(::mkstemp(temporary.data()));
    if (file.get() < 0)
        throw DatasetError("Cannot write table file " + Quoted(path) + ": " + std::strerror(errno));
    try {
        ::fchmod(file.get(), 0644);
        WriteAll(file.get(), bytes);
        if (::fsync(file.get()) != 0)
            throw errno;
        if (::close(file.release()) != 0)
            throw errno;
        if (::rename(temporary.c_str(), path.c_str()) != 0)
            throw errno;
    } catch (int error) {
        ::unlink(temporary.c_str());
        throw DatasetError("Cannot write table file " + Quoted(path) + ": " + std::strerror(error));
    }
}

int removeInterruptedSaves(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::error_code error;
    int removed = 0;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        std::error_code ignored;
        if (entry->is_regular_file(ignored) && isInterruptedSave(entry->path().filename().string())
            && fs::remove(entry->path(), ignored))
            ++removed;
    }
    return removed;
}

}  // namespace parlino::dataset
