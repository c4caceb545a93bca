#include "tools/TableInstaller.h"

#include "platform/dataset/Dataset.h"
#include "server/CriticalFix.h"
#include "server/StoreLayouts.h"
#include "tools/DemoData.h"

#include <fstream>
#include <random>

namespace parlino::tools {

namespace fs = std::filesystem;
using dataset::Dataset;

namespace {
constexpr int FixRecordCount = 1000;

void SaveEmpty(const fs::path& root, const std::string& file, std::vector<dataset::FieldDef> layout)
{
    Dataset table(std::move(layout), file);
    table.Open();
    table.SaveToFile((root / file).string());
}

std::string RandomPin(std::mt19937& random)
{
    std::uniform_int_distribution<int> first(1, 9);
    std::uniform_int_distribution<int> digit(0, 9);
    std::string pin(1, static_cast<char>('0' + first(random)));
    while (pin.size() < 20)
        pin += static_cast<char>('0' + digit(random));
    return pin;
}

void WriteZeroRecords(const fs::path& file)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const std::string zeros(static_cast<std::size_t>(FixRecordCount) << FixRecordShift, '\0');
    out.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    out.close();
    if (!out)
        throw std::runtime_error("Cannot write " + file.string());
}

void WriteDemoAccounts(const fs::path& root, double now)
{
    Dataset noncrit(NoncritLayout(), NoncritFile);
    noncrit.Open();
    Dataset users(UsersLayout(), UsersFile);  // a row to write each critical.fix record from
    users.Open();
    FixRecordFile fix;
    if (!fix.Open((root / CriticalFixPath).string(), FixRecordFile::Mode::Write))
        throw std::runtime_error("Cannot write " + (root / CriticalFixPath).string());
    for (const DemoAccount& account : DemoAccounts) {
        noncrit.Append();
        noncrit.FieldByName("Client_ID").SetAsInteger(account.clientId);
        noncrit.FieldByName("IP_Address").SetAsText(DemoIpAddress);
        noncrit.FieldByName("Name").SetAsText(account.name);
        noncrit.FieldByName("Loc").SetAsText(account.loc);
        noncrit.Post();

        users.Append();
        users.FieldByName("Password").SetAsText(DemoPassword);
        users.FieldByName("Status").SetAsText(account.status);
        users.FieldByName("Balance").SetAsFloat(account.balance);
        users.FieldByName("ActivDateTime").SetAsDateTime(now);
        fix.Seek(FixRecordOffset(account.clientId));
        for (const char* field : {"Password", "Status", "Balance", "CardPIN", "ActivDateTime"})
            WriteFixField(fix, users.FieldByName(field), true);
        users.Cancel();

        SaveEmpty(root, Prev7LogFile(account.clientId), LogLayout(LogKind::FilePrev7));
        SaveEmpty(root, CurDayLogFile(account.clientId), LogLayout(LogKind::FileCurDay));
    }
    noncrit.SaveToFile((root / NoncritFile).string());
}

void WriteDemoCards(const fs::path& root, double now)
{
    std::mt19937 random{std::random_device{}()};
    for (std::size_t d = 0; d < PinPrefixes.size(); ++d) {
        Dataset released(ReleasedPinLayout(), ReleasedPinFile(PinPrefixes[d]));
        released.Open();
        for (const DemoCard& card : DemoReleasedCards) {
            if (card.denomination != static_cast<int>(d))
                continue;
            released.Append();
            released.FieldByName("CardPIN").SetAsText(card.pin);
            released.FieldByName("ReleasDateTime").SetAsDateTime(now);
            released.FieldByName("GenerDateTime").SetAsDateTime(now);
            released.Post();
        }
        released.SaveToFile((root / ReleasedPinFile(PinPrefixes[d])).string());

        Dataset generated(GeneratedPinLayout(), GeneratedPinFile(PinPrefixes[d]));
        generated.Open();
        generated.Append();
        generated.FieldByName("CardPIN").SetAsText(RandomPin(random));
        generated.FieldByName("GenerDateTime").SetAsDateTime(now);
        generated.Post();
        generated.SaveToFile((root / GeneratedPinFile(PinPrefixes[d])).string());
    }
}
}  // namespace

std::vector<fs::path> InstalledFiles(InstallContent content)
{
    std::vector<fs::path> files = {UsersFile,         NoncritFile, CriticalFixPath, Prev7CarrierFile,
                                   CurDayCarrierFile, TalksFile,   TempTalksFile};
    for (const char* prefix : PinPrefixes) {
        files.emplace_back(ActivatedPinFile(prefix));
        files.emplace_back(ReleasedPinFile(prefix));
        files.emplace_back(GeneratedPinFile(prefix));
    }
    if (content == InstallContent::Demo)
        for (const DemoAccount& account : DemoAccounts) {
            files.emplace_back(Prev7LogFile(account.clientId));
            files.emplace_back(CurDayLogFile(account.clientId));
        }
    return files;
}

void InstallTables(const fs::path& root, InstallContent content, double now)
{
    std::string inTheWay;
    for (const fs::path& file : InstalledFiles(content)) {
        std::error_code error;
        if (fs::exists(root / file, error) || error)
            inTheWay += "\n  " + (root / file).string();
    }
    if (!inTheWay.empty())
        throw InstallRefused("These files exist already; nothing was written:" + inTheWay);

    for (const char* folder : DataFolders)
        fs::create_directories(root / folder);
    SaveEmpty(root, UsersFile, UsersLayout());
    SaveEmpty(root, NoncritFile, NoncritLayout());
    SaveEmpty(root, Prev7CarrierFile, LogLayout(LogKind::FilePrev7));
    SaveEmpty(root, CurDayCarrierFile, LogLayout(LogKind::FileCurDay));
    SaveEmpty(root, TalksFile, TalksLayout());
    SaveEmpty(root, TempTalksFile, TalksLayout());
    for (const char* prefix : PinPrefixes) {
        SaveEmpty(root, ActivatedPinFile(prefix), ActivatedPinLayout());
        SaveEmpty(root, ReleasedPinFile(prefix), ReleasedPinLayout());
        SaveEmpty(root, GeneratedPinFile(prefix), GeneratedPinLayout());
    }
    WriteZeroRecords(root / CriticalFixPath);
    if (content == InstallContent::Demo) {
        WriteDemoAccounts(root, now);
        WriteDemoCards(root, now);
    }
}

}  // namespace parlino::tools
