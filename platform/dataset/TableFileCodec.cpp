// The bytes of a table file: header, layout, rows, checksum.
#include "platform/dataset/TableFile.h"

#include "platform/dataset/DatasetErrors.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace parlino::dataset {

namespace {
constexpr std::array<std::uint8_t, 8> Magic = {'P', 'R', 'L', 'N', 'T', 'B', 'L', 0x1A};
constexpr std::uint16_t FormatVersion = 1;
constexpr std::size_t HeaderSize = 16;
constexpr std::size_t ChecksumSize = 4;
constexpr int MaxNesting = 8;
constexpr std::uint8_t FlagRequired = 1;

class Writer {
public:
    void U8(std::uint8_t v) { bytes.push_back(v); }
    void U16(std::uint16_t v) { Little(v, 2); }
    void U32(std::uint32_t v) { Little(v, 4); }
    void F64(double v)
    {
        std::uint64_t raw = 0;
        std::memcpy(&raw, &v, sizeof raw);
        Little(raw, 8);
    }
    void Bytes(std::string_view s) { bytes.insert(bytes.end(), s.begin(), s.end()); }
    // Overwrites four bytes written before, for a size known only later.
    void PutU32(std::size_t at, std::uint32_t v)
    {
        for (std::size_t i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    std::vector<std::uint8_t> bytes;

private:
    void Little(std::uint64_t v, int count)
    {
        const std::size_t at = bytes.size();
        bytes.resize(at + static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
};

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t Remaining() const { return size_ - at_; }
    std::uint8_t U8() { return static_cast<std::uint8_t>(Little(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Little(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Little(4)); }
    double F64()
    {
        const std::uint64_t raw = Little(8);
        double v = 0;
        std::memcpy(&v, &raw, sizeof v);
        return v;
    }
    std::string Bytes(std::size_t count)
    {
        Need(count);
        std::string s(reinterpret_cast<const char*>(data_ + at_), count);
        at_ += count;
        return s;
    }

private:
    void Need(std::size_t count) const
    {
        if (count > Remaining())
            throw DatasetError("the file is cut short");
    }
    std::uint64_t Little(int count)
    {
        Need(static_cast<std::size_t>(count));
        std::uint64_t v = 0;
        for (int i = 0; i < count; ++i)
            v |= static_cast<std::uint64_t>(data_[at_ + static_cast<std::size_t>(i)]) << (8 * i);
        at_ += static_cast<std::size_t>(count);
        return v;
    }
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

void WriteLayout(Writer& out, const std::vector<FieldDef>& layout)
{
    out.U16(static_cast<std::uint16_t>(layout.size()));
    for (const FieldDef& field : layout) {
        out.U8(static_cast<std::uint8_t>(field.type));
        out.U8(field.required ? FlagRequired : 0);
        out.U16(static_cast<std::uint16_t>(field.type == FieldType::Text ? field.size : 0));
        out.U8(static_cast<std::uint8_t>(field.name.size()));
        out.Bytes(field.name.substr(0, 255));
        if (field.type == FieldType::Nested)
            WriteLayout(out, field.nestedFields);
    }
}

void WriteRows(Writer& out, const std::vector<FieldDef>& layout, const RowStore& rows)
{
    // The count goes before the rows but is known after them: one pass over a long table.
    const std::size_t countAt = out.bytes.size();
    out.U32(0);
    std::uint32_t count = 0;
    for (const auto& row : rows.rows) {
        if (row->pending)
            continue;
        ++count;
        for (std::size_t f = 0; f < layout.size(); ++f) {
            const FieldDef& field = layout[f];
            if (field.type == FieldType::Nested) {
                WriteRows(out, field.nestedFields, *row->nested[f]);
                continue;
            }
            const Value& value = row->values[f];
            out.U8(value.IsNull() ? 0 : 1);
            if (value.IsNull())
                continue;
            if (field.type == FieldType::Integer) {
                out.U32(static_cast<std::uint32_t>(value.ToInteger()));
            } else if (field.type == FieldType::Text) {
                const std::string_view text = value.TextView().substr(0, 65535);
                out.U16(static_cast<std::uint16_t>(text.size()));
                out.Bytes(text);
            } else {
                out.F64(value.ToFloat());
            }
        }
    }
    out.PutU32(countAt, count);
}

std::vector<FieldDef> ReadLayout(Reader& in, int depth)
{
    if (depth > MaxNesting)
        throw DatasetError("nested tables are too deep");
    const std::uint16_t count = in.U16();
    if (count == 0)
        throw DatasetError("a layout has no fields");
    std::vector<FieldDef> layout;
    for (std::uint16_t i = 0; i < count; ++i) {
        FieldDef field;
        const std::uint8_t type = in.U8();
        if (type < static_cast<std::uint8_t>(FieldType::Integer) ||
            type > static_cast<std::uint8_t>(FieldType::Nested))
            throw DatasetError("unknown field type " + std::to_string(type));
        field.type = static_cast<FieldType>(type);
        field.required = (in.U8() & FlagRequired) != 0;
        field.size = in.U16();
        field.name = in.Bytes(in.U8());
        if (field.type == FieldType::Nested)
            field.nestedFields = ReadLayout(in, depth + 1);
        layout.push_back(std::move(field));
    }
    return layout;
}

bool HasNested(const std::vector<FieldDef>& layout)
{
    return std::any_of(layout.begin(), layout.end(),
                       [](const FieldDef& field) { return field.type == FieldType::Nested; });
}

std::unique_ptr<RowStore> ReadRows(Reader& in, const std::vector<FieldDef>& layout)
{
    auto rows = std::make_unique<RowStore>();
    const std::uint32_t count = in.U32();
    // Every row takes at least one byte per field, so a count beyond the bytes left is a lie.
    if (count > in.Remaining())
        throw DatasetError("the row count exceeds the file");
    for (std::uint32_t r = 0; r < count; ++r) {
        auto row = std::make_unique<Row>();
        row->id = NextRowId();
        row->values.resize(layout.size());
        if (HasNested(layout))
            row->nested.resize(layout.size());
        for (std::size_t f = 0; f < layout.size(); ++f) {
            const FieldDef& field = layout[f];
            if (field.type == FieldType::Nested) {
                row->nested[f] = ReadRows(in, field.nestedFields);
                continue;
            }
            const std::uint8_t present = in.U8();
            if (present > 1)
                throw DatasetError("bad value marker in field '" + field.name + "'");
            if (present == 0)
                continue;
            if (field.type == FieldType::Integer) {
                row->values[f] = static_cast<std::int32_t>(in.U32());
            } else if (field.type == FieldType::Text) {
                std::string text = in.Bytes(in.U16());
                if (field.size > 0 && text.size() > static_cast<std::size_t>(field.size))
                    throw DatasetError("a text is wider than field '" + field.name + "'");
                if (!text.empty())  // an empty text is no value
                    row->values[f] = std::move(text);
            } else {
                row->values[f] = in.F64();
            }
        }
        rows->Add(std::move(row), rows->rows.size());
    }
    return rows;
}
}  // namespace

std::vector<std::uint8_t> EncodeTable(const std::vector<FieldDef>& layout, const RowStore& rows)
{
    Writer out;
    // Room for rows of a call log, which has the most of them, so the bytes rarely move.
    constexpr std::size_t TypicalRowBytes = 40;
    out.bytes.reserve(1024 + rows.rows.size() * TypicalRowBytes);
    for (std::uint8_t b : Magic)
        out.U8(b);
    out.U16(FormatVersion);
    out.U16(0);
    out.U32(0);  // the body's size, known once it is written
    WriteLayout(out, layout);
    WriteRows(out, layout, rows);
    out.PutU32(HeaderSize - 4, static_cast<std::uint32_t>(out.bytes.size() - HeaderSize));
    out.U32(Crc32(out.bytes.data(), out.bytes.size()));
    return std::move(out.bytes);
}

TableFileContents DecodeTable(const std::vector<std::uint8_t>& bytes)
{
    if (bytes.size() < Magic.size() || !std::equal(Magic.begin(), Magic.end(), bytes.begin()))
        throw DatasetError("it is not a table file");
    Reader header(bytes.data(), bytes.size());
    header.Bytes(Magic.size());
    const std::uint16_t version = header.U16();
    if (version != FormatVersion)
        throw DatasetError("unsupported table file version " + std::to_string(version));
    header.U16();
    const std::uint32_t bodySize = header.U32();
    if (bytes.size() != HeaderSize + std::size_t{bodySize} + ChecksumSize)
        throw DatasetError(bytes.size() < HeaderSize + std::size_t{bodySize} + ChecksumSize
                               ? "the file is cut short"
                               : "the file has bytes beyond its end");
    const std::size_t checked = HeaderSize + bodySize;
    Reader trailer(bytes.data() + checked, ChecksumSize);
    if (trailer.U32() != Crc32(bytes.data(), checked))
        throw DatasetError("the checksum does not match");

    Reader body(bytes.data() + HeaderSize, bodySize);
    TableFileContents contents;
    contents.layout = ReadLayout(body, 0);
    contents.rows = ReadRows(body, contents.layout);
    if (body.Remaining() != 0)
        throw DatasetError("the rows do not fill the file");
    return contents;
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size)
{
    // Eight bytes a step (slicing by 8): a call log of 30,000 rows is over a megabyte, and
    // its checksum is taken on the main thread at every talk start.
    static const std::array<std::array<std::uint32_t, 256>, 8> tables = [] {
        std::array<std::array<std::uint32_t, 256>, 8> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (std::size_t s = 1; s < 8; ++s)
            for (std::uint32_t i = 0; i < 256; ++i)
                t[s][i] = t[0][t[s - 1][i] & 0xFFu] ^ (t[s - 1][i] >> 8);
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        const std::uint32_t low = crc ^
            (std::uint32_t{data[i]} | std::uint32_t{data[i + 1]} << 8 |
             std::uint32_t{data[i + 2]} << 16 | std::uint32_t{data[i + 3]} << 24);
        crc = tables[7][low & 0xFFu] ^ tables[6][(low >> 8) & 0xFFu] ^
            tables[5][(low >> 16) & 0xFFu] ^ tables[4][low >> 24] ^ tables[3][data[i + 4]] ^
            tables[2][data[i + 5]] ^ tables[1][data[i + 6]] ^ tables[0][data[i + 7]];
    }
    for (; i < size; ++i)
        crc = tables[0][(crc ^ data[i]) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

}  // namespace parlino::dataset
