// The program as an operator starts it: its own settings file beside it, its tables in the
// current directory, listening one second after start.
#include "SignallingTestSupport.h"
#include "StartupTestFixture.h"

#include <QProcess>
#include <QTemporaryDir>

#include <filesystem>

#include <sys/resource.h>

namespace parlino::test {
namespace {

// The settings file is looked for beside the program as it was started, so the test gives
// the program a place of its own: a hard link where the file system allows one, else a copy.
bool PlaceProgram(const std::string& from, const std::string& to)
{
    std::error_code error;
    std::filesystem::create_hard_link(from, to, error);
    if (error)
        std::filesystem::copy_file(from, to, error);
    return !error;
}

// A program in a place of its own with its settings beside it, and demo tables to run on.
class ServerProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(scratch.isValid());
        ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(data));
        tools::InstallTables(data.toStdString(), tools::InstallContent::Demo, FixedNow);
        ASSERT_TRUE(PlaceProgram(PARLINO_SERVER_BINARY, program.toStdString()));
        port = FreeLoopbackPort();
        ASSERT_NE(port, 0);
        WriteServerIni(bin + QStringLiteral("/ParlinoServer.ini"), {port, {}, {}});
        server.setWorkingDirectory(data);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        server.setProcessEnvironment(environment);
    }
    void TearDown() override
    {
        server.kill();
        server.waitForFinished(10000);
    }

    QTemporaryDir scratch;
    const QString bin = scratch.filePath(QStringLiteral("bin"));
    const QString data = scratch.filePath(QStringLiteral("data"));
    const QString program = bin + QStringLiteral("/ParlinoServer");
    quint16 port = 0;
    QProcess server;
};

TEST_F(ServerProcess, TheServerStartsOnItsOwnAndSignsASubscriberIn)
{
    server.setProgram(program);
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start();
    ASSERT_TRUE(server.waitForStarted(10000)) << server.errorString().toStdString();

    // Nothing announces the listening socket, so connecting is tried until it is taken.
    std::unique_ptr<Subscriber> subscriber;
    const bool listening = WaitUntil([&] {
        if (server.state() == QProcess::NotRunning)
            return true;
        subscriber = std::make_unique<Subscriber>(port);
        return subscriber->connected();
    }, 60000);
    ASSERT_TRUE(listening && server.state() == QProcess::Running)
        << "server output: " << server.readAll().toStdString();

    subscriber->SignIn(101);
    const auto reply = subscriber->Next(10000);
    EXPECT_TRUE(reply && reply->letter == 'V') << "server output: " << server.readAll().toStdString();
}

// A hard limit of 4,096 open files cannot hold a full house: the program says how many it
// can hold, and still serves them.
TEST_F(ServerProcess, ALowOpenFileLimitIsToldAtStart)
{
    server.setProgram(program);
    server.setChildProcessModifier([] {
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_NOFILE, &limit);
    });
    server.start();
    ASSERT_TRUE(server.waitForStarted(10000)) << server.errorString().toStdString();
    std::unique_ptr<Subscriber> subscriber;
    ASSERT_TRUE(WaitUntil([&] {
        subscriber = std::make_unique<Subscriber>(port);
        return subscriber->connected() || server.state() == QProcess::NotRunning;
    }, 60000));
    ASSERT_EQ(server.state(), QProcess::Running);
    subscriber->SignIn(101);
    const auto reply = subscriber->Next(10000);
    EXPECT_TRUE(reply && reply->letter == 'V');
    const QString said = QString::fromLocal8Bit(server.readAllStandardError());
    EXPECT_TRUE(said.contains("Open file limit 4096: room for 404 of 900 subscribers")) << said.toStdString();
}

// Exit status of the wrapper below when this machine cannot give the program a read-only
// folder of its own (no user namespaces, or no bind mounts in them).
constexpr int NoReadOnlyFolder = 77;

TEST_F(ServerProcess, OnAReadOnlyDataFolderTheServerRefusesToRunAndSaysSoOnStandardError)
{
    // The data folder mounted read-only over itself, for this process alone.
    server.setProgram(QStringLiteral("unshare"));
    server.setArguments({QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"),
                         QStringLiteral("mount --bind \"$1\" \"$1\" && mount -o remount,ro,bind \"$1\" \"$1\""
                                        " && cd \"$1\" && ! touch probe 2>/dev/null && exec \"$2\"; exit %1")
                             .arg(NoReadOnlyFolder),
                         QStringLiteral("sh"), data, program});
    server.start();
    if (!server.waitForStarted(10000))
        GTEST_SKIP() << "unshare cannot be run here: " << server.errorString().toStdString();

    QByteArray errors;
    const bool said = WaitUntil([&] {
        errors += server.readAllStandardError();
        return server.state() == QProcess::NotRunning || errors.contains("Read-only file system");
    }, 60000);
    if (server.state() == QProcess::NotRunning && server.exitCode() == NoReadOnlyFolder)
        GTEST_SKIP() << "no read-only bind mount here: " << errors.toStdString();
    ASSERT_TRUE(said) << "standard error: " << errors.toStdString();
    EXPECT_TRUE(errors.contains("Cannot write table file")) << errors.toStdString();
    EXPECT_EQ(server.state(), QProcess::Running) << "the refusal waits for the operator";
    EXPECT_TRUE(PortIsFree(port)) << "nothing listens";
    const bool saidTwice = WaitUntil([&] {
        errors += server.readAllStandardError();
        return errors.count("Read-only file system") > 1;
    }, 1000);
    EXPECT_FALSE(saidTwice) << errors.toStdString();
}

}  // namespace
}  // namespace parlino::test
