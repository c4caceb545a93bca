// A top-up cut short after each of its writes, as a kill at that moment leaves the files,
// then the program started again on them: the card is either still released and nothing
// credited, or spent and credited once; never neither and never both.
#include "SignallingTestSupport.h"

#include <filesystem>

namespace parlino::test {
namespace {

namespace fs = std::filesystem;
using dataset::Dataset;

constexpr const char* Card080 = "10000000000000000080";
constexpr const char* Card250 = "20000000000000000250";

// Makes every save of one table file fail while it lives: a folder stands in its place, so
// the save's rename is refused and the file keeps what it held before, as after a kill.
class BlockedTable {
public:
    explicit BlockedTable(std::string path) : path_(std::move(path))
    {
        fs::rename(path_, path_ + ".held");
        fs::create_directory(path_);
    }
    ~BlockedTable()
    {
        fs::remove(path_);
        fs::rename(path_ + ".held", path_);
    }
    BlockedTable(const BlockedTable&) = delete;
    BlockedTable& operator=(const BlockedTable&) = delete;

private:
    std::string path_;
};

// The write after which the top-up stops.
enum class Cut {
    BeforeCredit,       // critical.fix is held by someone else: not even the credit is made
    AfterCredit,        // the first card table save fails
    AfterOldCardSaved,  // the account's card of another denomination is gone from its file
    AfterActivated,     // the activated table is saved, the released table not
    Nothing,
};

struct CutCase {
    const char* name;
    std::int32_t account;
    bool holdsCardOf250;  // tops up with a "250" card first, so the "080" card replaces it
    Cut cut;
    friend void PrintTo(const CutCase& c, std::ostream* out) { *out << c.name; }
};

class TopUpInterrupted : public SignallingTest, public ::testing::WithParamInterface<CutCase> {
protected:
    static std::vector<std::string> SavedPins(const std::string& path, std::vector<dataset::FieldDef> layout)
    {
        Dataset saved(std::move(layout), "saved");
        saved.LoadFromFile(path);
        std::vector<std::string> pins;
        for (int row = 0; row < saved.RecordCount(); ++row)
            pins.push_back(saved.RowValue(row, 0).ToText());
        return pins;
    }
    static bool IsReleased(const std::string& pin, const char* prefix)
    {
        const auto pins = SavedPins(ReleasedPinFile(prefix), ReleasedPinLayout());
        return std::find(pins.begin(), pins.end(), pin) != pins.end();
    }
    std::optional<std::string> ActivatedPin(int denomination, std::int32_t id)
    {
        if (!store->GotoClient(Activated080Keyed + denomination, id))
            return std::nullopt;
        return store->ActivatedPins[static_cast<std::size_t>(denomination)].FieldByName("CardPIN").AsText();
    }
};

TEST_P(TopUpInterrupted, LeavesTheCardUnspentOrTheCreditMadeAndNeverBoth)
{
    const CutCase& c = GetParam();
    const std::int32_t id = c.account;
    auto subscriber = SignedIn(id);
    double before = BalanceOf(id);
    if (c.holdsCardOf250) {
        ASSERT_EQ(TopUpWith(*subscriber, Card250), 'v');
        before += 20.0;
    }
    ASSERT_TRUE(store->GotoClient(UsersKeyed, id));
    const std::string cardBefore = Users().FieldByName("CardPIN").AsText();

    {
        ui::ScopedDialogResponder dialogs(ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok));
        std::optional<FixRecordFile> heldFix;
        std::optional<BlockedTable> blocked;
        switch (c.cut) {
        case Cut::BeforeCredit:
            heldFix.emplace(CriticalFixPath, FixRecordFile::Mode::Write);
            ASSERT_TRUE(heldFix->IsOpen());
            break;
        case Cut::AfterCredit:
            blocked.emplace(ActivatedPinFile(c.holdsCardOf250 ? "250" : "080"));
            break;
        case Cut::AfterOldCardSaved:
            blocked.emplace(ActivatedPinFile("080"));
            break;
        case Cut::AfterActivated:
            blocked.emplace(ReleasedPinFile("080"));
            break;
        case Cut::Nothing:
            break;
        }
        if (c.cut == Cut::Nothing) {
            ASSERT_EQ(TopUpWith(*subscriber, Card080), 'v');
        } else {
            subscriber->Send('p', 1, {std::string(Card080)});
            ASSERT_TRUE(WaitUntil([&] { return !dialogs.requests().empty(); })) << "the failure is shown";
            ExpectNothingBefore(*subscriber, id);  // no answer to the top-up
        }
    }
    const bool credited = c.cut != Cut::BeforeCredit;
    const double after = before + (credited ? 10.0 : 0.0);
    EXPECT_DOUBLE_EQ(BalanceOf(id), after);
    if (credited) {
        EXPECT_EQ(TopUpWith(*subscriber, Card080), 'p') << "a credited card cannot be used again";
    }
    subscriber.reset();

    Restart();
    EXPECT_DOUBLE_EQ(BalanceOf(id), after) << "credited once or not at all";
    EXPECT_DOUBLE_EQ(FixDouble(ReadFixRecord(id), FixBalanceOffset), after);
    EXPECT_EQ(IsReleased(Card080, "080"), !credited) << "spent exactly when credited";
    EXPECT_EQ(ActivatedPin(0, id), credited ? std::optional<std::string>(Card080) : std::nullopt);
    EXPECT_EQ(Users().FieldByName("CardPIN").AsText(), credited ? Card080 : cardBefore);
    if (credited) {
        EXPECT_EQ(SavedPins(ActivatedPinFile("080"), ActivatedPinLayout()), std::vector<std::string>{Card080})
            << "the move is finished in the files too";
        EXPECT_EQ(ActivatedPin(1, id), std::nullopt) << "one activated card per account";
        EXPECT_TRUE(SavedPins(ActivatedPinFile("250"), ActivatedPinLayout()).empty());
    } else {
        EXPECT_EQ(ActivatedPin(1, id), c.holdsCardOf250 ? std::optional<std::string>(Card250) : std::nullopt);
    }
    EXPECT_TRUE(IsReleased("10000000000000000081", "080")) << "other cards stay released";

    auto again = SignedIn(id);
    EXPECT_EQ(TopUpWith(*again, Card080), credited ? 'p' : 'v');
    EXPECT_EQ(TopUpWith(*again, "10000000000000000081"), 'v');
    EXPECT_DOUBLE_EQ(BalanceOf(id), before + 20.0);
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, TopUpInterrupted,
    ::testing::Values(CutCase{"NoCreditWhenCriticalFixIsHeld", 101, false, Cut::BeforeCredit},
                      CutCase{"CreditedFirstCard", 101, false, Cut::AfterCredit},
                      CutCase{"CreditedReplacingCard", 103, true, Cut::AfterCredit},
                      CutCase{"OldCardSaved", 103, true, Cut::AfterOldCardSaved},
                      CutCase{"ActivatedSaved", 102, false, Cut::AfterActivated},
                      CutCase{"ActivatedSavedReplacingCard", 103, true, Cut::AfterActivated},
                      CutCase{"Completed", 103, true, Cut::Nothing}),
    [](const ::testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace parlino::test
