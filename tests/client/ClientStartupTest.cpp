#include "client/ClientStartup.h"

#include "ClientTestFiles.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <string>

namespace parlino {
namespace {

struct ClientIdCase {
    const char* content;  // nullptr: no file
    std::int32_t expected;
    const char* error;  // nullptr: read without error
};

// A number far beyond the bound on the first line is not read to its end.
const std::string OverlongFirstLine = std::string(4096, '0') + "7\n";

const ClientIdCase ClientIdCases[] = {
    {"123\r\n", 123, nullptr},
    {"123", 123, nullptr},
    {" 42 \nsecond line", 42, nullptr},
    {"-5\n", -5, nullptr},
    {"2147483647\n", 2147483647, nullptr},
    {"2147483648\n", 0, "'2147483648' is not a valid integer value"},
    {"abc\n", 0, "'abc' is not a valid integer value"},
    {"12x\n", 0, "'12x' is not a valid integer value"},
    {"", 0, "'' is not a valid integer value"},
    {"\n123\n", 0, "'' is not a valid integer value"},
    {nullptr, 0, "Cannot read \"ClientID.txt\""},
    {OverlongFirstLine.c_str(), 0, "The first line of \"ClientID.txt\" is longer than 4096 bytes"},
};

TEST(ClientStartupTest, OwnNumberFromTheFirstLineOfClientIdFile)
{
    for (const ClientIdCase& c : ClientIdCases) {
        QFile::remove(QStringLiteral("ClientID.txt"));
        if (c.content)
            test::WriteFile(QStringLiteral("ClientID.txt"), c.content);
        const char* shown = c.content ? c.content : "(no file)";
        if (!c.error) {
            EXPECT_EQ(ReadOwnClientID(QStringLiteral("ClientID.txt")), c.expected) << shown;
            continue;
        }
        try {
            ReadOwnClientID(QStringLiteral("ClientID.txt"));
            ADD_FAILURE() << "no error for " << shown;
        } catch (const std::runtime_error& error) {
            EXPECT_TRUE(QString::fromUtf8(error.what()).startsWith(QString::fromUtf8(c.error)))
                << shown << " gave: " << error.what();
        }
    }
}

TEST(ClientStartupTest, ContactLinesInAnyLineBreakAndLatin1)
{
    QFile::remove(QStringLiteral("contacts.txt"));
    EXPECT_TRUE(ReadContacts(QStringLiteral("contacts.txt")).isEmpty())
        << "no file, no contacts, no error";
    test::WriteFile(QStringLiteral("contacts.txt"), "bob=105\r\nCarl=102\nJos\xe9=7\r=\r\n");
    EXPECT_EQ(ReadContacts(QStringLiteral("contacts.txt")),
              (QStringList{QStringLiteral("bob=105"), QStringLiteral("Carl=102"),
                           QString::fromLatin1("Jos\xe9=7"), QStringLiteral("=")}));
    test::WriteFile(QStringLiteral("contacts.txt"), "");
    EXPECT_TRUE(ReadContacts(QStringLiteral("contacts.txt")).isEmpty());
}

// Start-up into a fresh shared object from files in a folder of this test's own.
class StartupFolder : public ::testing::Test {
protected:
    StartupFolder()
    {
        QDir().mkpath(folder_);
        files_.clientIdFile = folder_ + QStringLiteral("/ClientID.txt");
        files_.contactsFile = folder_ + QStringLiteral("/contacts.txt");
        files_.silenceFile = folder_ + QStringLiteral("/silence.wav");
        test::WriteFile(files_.clientIdFile, "123\r\n");
        test::CopyAsset(QStringLiteral("silence.wav"), files_.silenceFile);
    }
    ~StartupFolder() override { QDir(folder_).removeRecursively(); }

    const QString folder_ = QStringLiteral("startup");
    ClientStartupFiles files_;
    ClientShared shared_;
};

TEST_F(StartupFolder, AllPresentGivesNumberSilenceAndSoundsWithoutError)
{
    EXPECT_TRUE(StartUpClient(shared_, files_).isEmpty());
    EXPECT_EQ(shared_.OwnClientID, 123);
    EXPECT_TRUE(shared_.Contacts.isEmpty());
    EXPECT_TRUE(shared_.CounterAvailable);
    EXPECT_GT(shared_.CounterFrequency, 0.0L);
    EXPECT_EQ(shared_.SilenceData, QByteArray(SamplesPerPacket, '\xFF'))
        << "our silence.wav is mu-law silence";
    for (const QByteArray* sound : {&shared_.Answer, &shared_.Busy, &shared_.RingIn})
        EXPECT_TRUE(sound->startsWith("RIFF"));
}

TEST_F(StartupFolder, EveryStepRunsWhateverFailedBefore)
{
    QFile::remove(files_.clientIdFile);
    test::WriteFile(files_.contactsFile, "bob=105\r\n");
    QFile::remove(files_.silenceFile);
    const QStringList failures = StartUpClient(shared_, files_);
    ASSERT_EQ(failures.size(), 2);
    EXPECT_TRUE(failures[0].startsWith(QStringLiteral("Cannot read \"")));
    EXPECT_EQ(failures[1], QStringLiteral("Cannot read wave data"));
    EXPECT_EQ(shared_.OwnClientID, 0);
    EXPECT_EQ(shared_.Contacts, QStringList{QStringLiteral("bob=105")});
    EXPECT_EQ(shared_.SilenceData, QByteArray(SamplesPerPacket, '\xFF'))
        << "mu-law silence stands in for the missing file";
    EXPECT_FALSE(shared_.RingIn.isEmpty()) << "the sounds still load";
}

TEST_F(StartupFolder, SilenceFilesThatGiveNoPacket)
{
    const std::pair<const char*, QByteArray> cases[] = {
        {"short", test::MuLawWave(QByteArray(SamplesPerPacket - 1, '\x7F'))},
        {"without data chunk",
         test::MuLawWave(QByteArray(SamplesPerPacket, '\x7F')).left(12 + 8 + 18)},
        {"not a WAVE file", QByteArray(2000, 'x')},
    };
    for (const auto& [what, bytes] : cases) {
        test::WriteFile(files_.silenceFile, bytes);
        EXPECT_EQ(StartUpClient(shared_, files_),
                  QStringList{QStringLiteral("Cannot read wave data")})
            << what;
        EXPECT_EQ(shared_.SilenceData, QByteArray(SamplesPerPacket, '\xFF')) << what;
    }
    test::WriteFile(files_.silenceFile, test::MuLawWave(QByteArray(SamplesPerPacket + 10, '\x7E')));
    EXPECT_TRUE(StartUpClient(shared_, files_).isEmpty());
    EXPECT_EQ(shared_.SilenceData, QByteArray(SamplesPerPacket, '\x7E'))
        << "the first packet of the data";
}

TEST_F(StartupFolder, AMissingSoundIsOneErrorAndStaysSilent)
{
    const QString sounds = folder_ + QStringLiteral("/sounds/");
    QDir().mkpath(sounds);
    test::CopyAsset(QStringLiteral("Answer.wav"), sounds + QStringLiteral("Answer"));
    test::WriteFile(sounds + QStringLiteral("Busy"), test::MuLawWave({}));  // no sound in it
    files_.soundFolder = sounds;
    EXPECT_EQ(StartUpClient(shared_, files_), QStringList{QStringLiteral("Cannot read wave data")});
    EXPECT_TRUE(shared_.Answer.startsWith("RIFF"));
    EXPECT_TRUE(shared_.Busy.isEmpty());
    EXPECT_TRUE(shared_.RingIn.isEmpty());
}

}  // namespace
}  // namespace parlino
