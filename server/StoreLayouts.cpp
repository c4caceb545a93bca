#include "server/StoreLayouts.h"
#include "common/AccountNumbers.h"

namespace parlino {

using dataset::Alignment;
using dataset::FieldDef;

namespace {
FieldDef ClientIdField()
{
    FieldDef id = dataset::IntegerField("Client_ID", true);
    id.minValue = FirstClientID;
    id.maxValue = LastClientID;
    return id;
}

// A field kept outside noncrit.cds: its grid title carries a "*".
FieldDef Marked(FieldDef def)
{
    def.displayTitle = "*" + def.name;
    return def;
}

FieldDef WithDefault(FieldDef def, dataset::Value value)
{
    def.defaultValue = std::move(value);
    return def;
}
}  // namespace

std::string Prev7LogFile(std::int32_t clientId)
{
    return "USERLOGS/" + std::to_string(clientId) + "_p7sd.cds";
}

std::string CurDayLogFile(std::int32_t clientId)
{
    return "USERLOGS/" + std::to_string(clientId) + "cursd.cds";
}

std::string ActivatedPinFile(const std::string& prefix)
{
    return "USERPINS/" + prefix + "__act.cds";
}

std::string ReleasedPinFile(const std::string& prefix)
{
    return "USERPINS/" + prefix + "_rel.cds";
}

std::string GeneratedPinFile(const std::string& prefix)
{
    return "USERPINS/" + prefix + "gen.cds";
}

std::vector<FieldDef> LogLayout(LogKind kind)
{
    FieldDef day = dataset::IntegerField("ServerDay", true);
    const bool currentDay = kind == LogKind::NestedCurDay || kind == LogKind::FileCurDay;
    day.minValue = currentDay ? 8 : 1;
    day.maxValue = kind == LogKind::FilePrev7 ? 7 : 8;
    if (currentDay)
        day.defaultValue = 8;
    FieldDef callType = dataset::TextField("CallType", 1, true);
    callType.alignment = Alignment::Right;
    FieldDef other = dataset::IntegerField("Client_ID");
    other.alignment = Alignment::Left;
    return {day,
            dataset::DateField("CallDate", true),
            dataset::TimeField("CallTime", true),
            callType,
            other,
            dataset::IntegerField("Duration", true)};
}

std::vector<FieldDef> UsersLayout()
{
    FieldDef balance = Marked(WithDefault(dataset::FloatField("Balance", true), 20.0));
    balance.currency = true;
    return {
        ClientIdField(),
        Marked(WithDefault(dataset::TextField("Password", 20, true), "582047")),
        dataset::TextField("IP_Address", 15, true),
        dataset::TextField("Name", 20),
        dataset::TextField("Loc", 10),
        Marked(WithDefault(dataset::TextField("Status", 8, true), StatusOffline)),
        balance,
        Marked(WithDefault(dataset::TextField("CardPIN", 20), "ONPLUG")),
        Marked(dataset::DateTimeField("ActivDateTime")),
        Marked(dataset::NestedField("Prev7ServDays", LogLayout(LogKind::NestedPrev7))),
        Marked(WithDefault(dataset::IntegerField("Prev7ServDaysDur"), 0)),
        Marked(dataset::NestedField("CurServDay", LogLayout(LogKind::NestedCurDay))),
        Marked(WithDefault(dataset::IntegerField("CurServDayDur"), 0)),
        dataset::TextField("Contact", 80),
    };
}

std::vector<FieldDef> NoncritLayout()
{
    return {ClientIdField(), dataset::TextField("IP_Address", 15, true), dataset::TextField("Name", 20),
            dataset::TextField("Loc", 10), dataset::TextField("Contact", 80)};
}

std::vector<FieldDef> TalksLayout()
{
    return {dataset::TextField("ID2ID", 11), dataset::TextField("IP2IP", 33), dataset::TextField("N2N", 43),
            dataset::TextField("Loc2Loc", 23), dataset::IntegerField("Duration")};
}

std::vector<FieldDef> ActivatedPinLayout()
{
    return {dataset::TextField("CardPIN", 20, true), ClientIdField(), dataset::DateTimeField("ActivDateTime"),
            dataset::DateTimeField("ReleasDateTime"), dataset::DateTimeField("GenerDateTime")};
}

std::vector<FieldDef> ReleasedPinLayout()
{
    return {dataset::TextField("CardPIN", 20, true), dataset::DateTimeField("ReleasDateTime"),
            dataset::DateTimeField("GenerDateTime")};
}

std::vector<FieldDef> GeneratedPinLayout()
{
    return {dataset::TextField("CardPIN", 20, true), dataset::DateTimeField("GenerDateTime")};
}

}  // namespace parlino
