// Reading the chunks of a RIFF file, held on disk or in memory.
//
// A chunk is a four-character id, a 32-bit little-endian size and that many bytes of
// contents, padded to an even length. The reader keeps a position: descending into a chunk
// searches forward from it and leaves it at the chunk's contents (after the form type, for
// a RIFF chunk); ascending moves it past the chunk's end; reading moves it on by what was
// read. Sizes are trusted only as far as the file reaches.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace parlino {

struct RiffChunk {
    char id[4] = {};
    std::uint32_t size = 0;        // declared size of the contents
    std::uint64_t dataOffset = 0;  // where the contents begin (after the form type of a RIFF chunk)
    std::uint64_t endOffset = 0;   // where the chunk ends as declared, with its pad byte
};

class RiffReader {
public:
    // Reads `image`, which must outlive the reader.
    explicit RiffReader(std::span<const std::uint8_t> image);
    // Opens the file `path` for reading; isOpen() tells whether that worked.
    explicit RiffReader(const std::string& path);
    ~RiffReader();
    RiffReader(const RiffReader&) = delete;
    RiffReader& operator=(const RiffReader&) = delete;

    bool isOpen() const;

    // Finds, from the position on, the next top-level "RIFF" chunk of the given form type.
    bool descendRiff(std::string_view formType, RiffChunk& chunk);
    // Finds, from the position on, the chunk `id` inside `parent`.
    bool descendChunk(std::string_view id, const RiffChunk& parent, RiffChunk& chunk);
    // Moves past the end of `chunk`.
    void ascend(const RiffChunk& chunk) { position_ = chunk.endOffset; }

    // Reads up to `count` bytes at the position, not limited to the current chunk.
    // Returns the bytes read (fewer only at the end of the file).
    std::size_t read(void* dest, std::size_t count);

    std::uint64_t position() const { return position_; }
    std::uint64_t size() const { return size_; }

private:
    bool readHeader(std::uint64_t offset, RiffChunk& chunk);
    std::size_t readAt(std::uint64_t offset, void* dest, std::size_t count);

    std::span<const std::uint8_t> image_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_{nullptr, &std::fclose};
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
};

}  // namespace parlino
