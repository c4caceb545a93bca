// The program as an operator starts it: its own settings file beside it, its tables in the
// current directory, listening one second after start.
#include "SignallingTestSupport.h"
#include "StartupTestFixture.h"

#include <QProcess>
#include <QTemporaryDir>

#include <filesystem>

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

TEST(StartupProcessTest, TheServerStartsOnItsOwnAndSignsASubscriberIn)
{
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString bin = scratch.filePath(QStringLiteral("bin"));
    const QString data = scratch.filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(data));
    tools::InstallTables(data.toStdString(), tools::InstallContent::Demo, FixedNow);
    const QString program = bin + QStringLiteral("/ParlinoServer");
    ASSERT_TRUE(PlaceProgram(PARLINO_SERVER_BINARY, program.toStdString()));
    const quint16 port = FreeLoopbackPort();
    ASSERT_NE(port, 0);
    WriteServerIni(bin + QStringLiteral("/ParlinoServer.ini"), {port, {}, {}});

    QProcess server;
    server.setProgram(program);
    server.setWorkingDirectory(data);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    server.setProcessEnvironment(environment);
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

    server.kill();
    EXPECT_TRUE(server.waitForFinished(10000));
}

}  // namespace
}  // namespace parlino::test
