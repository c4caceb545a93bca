// Copying rows between tables through a field map.
#pragma once

#include <string>
#include <vector>

namespace parlino {

namespace dataset {
class Dataset;
class Field;
}  // namespace dataset

// One entry per field position of the destination: the source field whose value it takes,
// or nullptr to leave the destination field at its default.
using FieldMap = std::vector<dataset::Field*>;

// Source fields by name, one per destination position ("" for none).
FieldMap MapFields(const dataset::Dataset& source, const std::vector<std::string>& names);
// The first count source fields, position by position.
FieldMap MapByPosition(const dataset::Dataset& source, int count);

// From the source's first row to its end: appends a destination row, gives each mapped
// field its source value (null stays null) and posts it. A row the destination refuses
// stops the copy with the error, that row left unposted.
void CopyRecords(dataset::Dataset& source, dataset::Dataset& destination, const FieldMap& fieldMap);

}  // namespace parlino
