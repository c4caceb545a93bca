#include "platform/dataset/TableRows.h"

#include "platform/dataset/TableFile.h"

namespace parlino::dataset {

TableRows::TableRows(std::vector<FieldDef> layout, std::unique_ptr<RowStore> rows)
    : layout_(std::move(layout)), rows_(std::move(rows))
{
}

TableRows::~TableRows() = default;
TableRows::TableRows(TableRows&&) noexcept = default;
TableRows& TableRows::operator=(TableRows&&) noexcept = default;

std::vector<std::uint8_t> TableRows::fileBytes() const
{
    return EncodeTable(layout_, *rows_);
}

}  // namespace parlino::dataset
