#include "server/CopyRecords.h"

#include "platform/dataset/Dataset.h"

namespace parlino {

FieldMap MapFields(const dataset::Dataset& source, const std::vector<std::string>& names)
{
    FieldMap map;
    for (const std::string& name : names)
        map.push_back(name.empty() ? nullptr : &source.FieldByName(name));
    return map;
}

FieldMap MapByPosition(const dataset::Dataset& source, int count)
{
    FieldMap map;
    for (int i = 0; i < count; ++i)
        map.push_back(&source.FieldAt(i));
    return map;
}

void CopyRecords(dataset::Dataset& source, dataset::Dataset& destination, const FieldMap& fieldMap)
{
    destination.AppendCopies(source, fieldMap);
}

}  // namespace parlino
