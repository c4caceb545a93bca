// Reading and writing the engine's table files (format in docs/table-file-format.md).
#pragma once

#include "platform/dataset/FieldDef.h"
#include "platform/dataset/RowStore.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace parlino::dataset {

struct TableFileContents {
    std::vector<FieldDef> layout;
    std::unique_ptr<RowStore> rows;
};

// The bytes of a table file holding these rows (rows still being inserted are left out).
std::vector<std::uint8_t> EncodeTable(const std::vector<FieldDef>& layout, const RowStore& rows);

// Parses a table file's bytes. Throws DatasetError with the reason (no file name) when the
// bytes are cut short, foreign, inconsistent or fail the checksum; never reads past the end.
TableFileContents DecodeTable(const std::vector<std::uint8_t>& bytes);

// Reads and parses a file; failures throw DatasetError naming the file.
TableFileContents ReadTableFile(const std::string& path);

// Encodes and writes to a new file beside path, then renames it over path.
void WriteTableFile(const std::string& path, const std::vector<FieldDef>& layout, const RowStore& rows);
// Writes a table file's bytes to a new file beside path, syncs it and renames it over path.
// Failures throw DatasetError naming the file; no temporary file is left behind.
void WriteTableBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Removes from folder the temporary files of saves that never reached their rename (the
// program was killed): every "<name>.cds.XXXXXX", never a table file itself. Files that
// cannot be removed are left; returns how many were removed.
int removeInterruptedSaves(const std::string& folder);

// CRC-32 (the common reflected polynomial 0xEDB88320).
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);

}  // namespace parlino::dataset
