// critical.fix: the fixed 64-byte records of every account's critical fields, read and
// written field by field at a file position.
//
// Record of Client_ID n at (n - 1) << FixRecordShift: Password text 20 at 0, Status text 8 at
// 20, Balance double at 28, CardPIN text 20 at 36, ActivDateTime double at 56.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace parlino {

namespace dataset {
class Field;
}

inline constexpr int FixRecordShift = 6;
inline constexpr std::int64_t FixBalanceOffset = 28;
inline constexpr std::int64_t FixStatusOffset = 20;

// Byte offset of an account's record.
constexpr std::int64_t FixRecordOffset(std::int32_t clientId)
{
    return static_cast<std::int64_t>(clientId - 1) << FixRecordShift;
}

// An open critical.fix with a current position. Failures to open are not reported to the
// operator; a file that is not open reads as zero bytes and ignores writes.
class FixRecordFile {
public:
    enum class Mode {
        Read,   // shared: others may read, nobody may write meanwhile
        Write,  // exclusive; the file must exist (it is never created here)
    };
    FixRecordFile() = default;
    FixRecordFile(const std::string& path, Mode mode) { Open(path, mode); }
    ~FixRecordFile() { Close(); }
    FixRecordFile(const FixRecordFile&) = delete;
    FixRecordFile& operator=(const FixRecordFile&) = delete;

    bool Open(const std::string& path, Mode mode);  // false when missing or locked
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    void Seek(std::int64_t offset) { position_ = offset; }
    void Skip(std::int64_t count) { position_ += count; }
    std::int64_t Position() const { return position_; }
    // Reads up to size bytes at the position; bytes beyond the end of the file are not read
    // (the count says how many were). The position moves on by the bytes read.
    std::size_t Read(void* into, std::size_t size);
    // Writes at the position (extending the file when needed); moves on by the bytes written.
    std::size_t Write(const void* from, std::size_t size);

    // Fields that must change together: the writes between gather() and commit() are held back
    // and reach the file in one write, so a program killed in between leaves all of them
    // or none. The bytes between them keep what the file holds. commit() says whether the
    // file took every byte; a file that is not open takes none.
    void gather();
    bool commit();
    // Waits until what was written has reached the disk, so that it outlives a power cut:
    // once per operation that changed money, not once per field. False when the file is not
    // open or the disk refused.
    bool sync();

private:
    struct HeldWrite {
        std::int64_t offset;
        std::string bytes;
    };
    std::size_t writeNow(std::int64_t offset, const void* from, std::size_t size);

    int fd_ = -1;
    std::int64_t position_ = 0;
    std::optional<std::vector<HeldWrite>> held_;  // set between gather() and commit()
};

// Reads one field at the file's position into the current row's field (which must be in
// edit or insert state): a text field takes its width in bytes, up to the first NUL; a
// float or date-time field 8 bytes of little-endian double. Bytes beyond the end of the
// file read as zeros (an empty text, 0.0). The position moves on by the field's width.
// Other field types read nothing.
void ReadFixField(FixRecordFile& file, dataset::Field& field);

// Writes one field of the current row at the file's position. A text of L characters in a
// field of width W: with L + 1 < W the characters and one NUL, and with skip the position
// then moves over the rest of the field, leaving its bytes as they were; otherwise W bytes
// (for L = W - 1 the last is a NUL, for L = W there is none). Floats and date-times write 8
// bytes. A null field writes nothing and, with skip, moves over its width.
void WriteFixField(FixRecordFile& file, dataset::Field& field, bool skip);

}  // namespace parlino
