#include "server/ServerDayMarker.h"

#include "platform/dataset/DatasetErrors.h"
#include "platform/dataset/TableFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace parlino {

namespace {

constexpr char Magic[8] = {'P', 'R', 'L', 'N', 'D', 'A', 'Y', '1'};
constexpr std::size_t HeaderSize = sizeof Magic + 8 + 4;
constexpr std::size_t AccountSize = 4 + 8 + 8;

void PutLittle(std::vector<std::uint8_t>& bytes, std::uint64_t value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint64_t GetLittle(const std::vector<std::uint8_t>& bytes, std::size_t at, int count)
{
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i)
        value |= static_cast<std::uint64_t>(bytes[at + static_cast<std::size_t>(i)]) << (8 * i);
    return value;
}

std::uint64_t DoubleBits(double value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

double BitsDouble(std::uint64_t bits)
{
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// A rename or removal in the folder outlives a power cut only once the folder is synced.
void SyncFolder(const std::string& path)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    const std::string folder = (parent.empty() ? std::filesystem::path(".") : parent).string();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!synced)
        throw dataset::DatasetError("Cannot sync folder \"" + folder +
                                    "\": " + std::strerror(errno));
}

}  // namespace

void WriteServerDayMarker(const std::string& path, const ServerDayMarker& marker)
{
    std::vector<std::uint8_t> bytes(std::begin(Magic), std::end(Magic));
    PutLittle(bytes, DoubleBits(marker.fee), 8);
    PutLittle(bytes, marker.accounts.size(), 4);
    for (const ServerDayMarker::Account& account : marker.accounts) {
        PutLittle(bytes, static_cast<std::uint32_t>(account.clientId), 4);
        PutLittle(bytes, DoubleBits(account.balanceBefore), 8);
        PutLittle(bytes, account.prev7LogHash, 8);
    }
    dataset::WriteTableBytes(path, bytes);  // a synced new file renamed over the old one
    SyncFolder(path);
}

std::optional<ServerDayMarker> ReadServerDayMarker(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    const auto damaged = [&path] {
        return dataset::DatasetError("The record of an unfinished new server day \"" + path +
                                     "\" is damaged: the day cannot be finished");
    };
    if (bytes.size() < HeaderSize || !std::equal(std::begin(Magic), std::end(Magic), bytes.begin()))
        throw damaged();
    ServerDayMarker marker;
    marker.fee = BitsDouble(GetLittle(bytes, sizeof Magic, 8));
    const std::size_t count = GetLittle(bytes, sizeof Magic + 8, 4);
    if (bytes.size() != HeaderSize + count * AccountSize)
        throw damaged();
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = HeaderSize + i * AccountSize;
        marker.accounts.push_back({static_cast<std::int32_t>(GetLittle(bytes, at, 4)),
                                   BitsDouble(GetLittle(bytes, at + 4, 8)),
                                   GetLittle(bytes, at + 12, 8)});
    }
    return marker;
}

void RemoveServerDayMarker(const std::string& path)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        throw dataset::DatasetError("Cannot remove \"" + path + "\": " + std::strerror(errno));
    SyncFolder(path);
}

std::uint64_t FileHash(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return 0;
    std::uint64_t hash = 14695981039346656037ull;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        for (std::streamsize i = 0; i < in.gcount(); ++i) {
            hash ^= static_cast<unsigned char>(chunk[i]);
            hash *= 1099511628211ull;
        }
    }
    return hash == 0 ? 1 : hash;
}

}  // namespace parlino
