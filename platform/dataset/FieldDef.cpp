#include "platform/dataset/FieldDef.h"

namespace parlino::dataset {

namespace {
FieldDef Make(std::string name, FieldType type, int size, bool required)
{
    FieldDef def;
    def.name = std::move(name);
    def.type = type;
    def.size = size;
    def.required = required;
    return def;
}
}  // namespace

FieldDef IntegerField(std::string name, bool required)
{
    return Make(std::move(name), FieldType::Integer, 0, required);
}
FieldDef FloatField(std::string name, bool required)
{
    return Make(std::move(name), FieldType::Float, 0, required);
}
FieldDef TextField(std::string name, int size, bool required)
{
    return Make(std::move(name), FieldType::Text, size, required);
}
FieldDef DateField(std::string name, bool required)
{
    return Make(std::move(name), FieldType::Date, 0, required);
}
FieldDef TimeField(std::string name, bool required)
{
    return Make(std::move(name), FieldType::Time, 0, required);
}
FieldDef DateTimeField(std::string name, bool required)
{
    return Make(std::move(name), FieldType::DateTime, 0, required);
}
FieldDef NestedField(std::string name, std::vector<FieldDef> rowLayout)
{
    FieldDef def = Make(std::move(name), FieldType::Nested, 0, false);
    def.nestedFields = std::move(rowLayout);
    return def;
}

bool SameLayout(const std::vector<FieldDef>& a, const std::vector<FieldDef>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].type != b[i].type)
            return false;
        if (a[i].type == FieldType::Text && a[i].size != b[i].size)
            return false;
        if (a[i].type == FieldType::Nested && !SameLayout(a[i].nestedFields, b[i].nestedFields))
            return false;
    }
    return true;
}

}  // namespace parlino::dataset
