#include "platform/core/MainThreadCalls.h"
#include "platform/core/ProcessRunner.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>

namespace parlino {
namespace {

QCoreApplication& App()
{
    static int argc = 1;
    static char name[] = "platform_core_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

void WriteScript(const std::string& path, const std::string& body)
{
    std::ofstream(path) << "#!/bin/sh\n" << body;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

std::string ReadLine(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

TEST(ProcessRunner, RunsInItsWorkingDirectoryAndReportsTheExitStatus)
{
    std::filesystem::create_directories("Editor");
    WriteScript("Editor/Project", "pwd > where.txt\nexit 3\n");
    int exitCode = 0;
    ASSERT_TRUE(RunProcessAndWait("Editor/Project", "Editor", &exitCode));
    EXPECT_EQ(exitCode, 3);
    EXPECT_EQ(ReadLine("Editor/where.txt"),
              std::filesystem::canonical("Editor").string());
}

TEST(ProcessRunner, ProgramThatCannotStartIsNotWaitedFor)
{
    EXPECT_FALSE(RunProcessAndWait("NoSuchEditor/Project", "."));
    std::filesystem::create_directories("Plain");
    std::ofstream("Plain/NotExecutable") << "data";
    EXPECT_FALSE(RunProcessAndWait("Plain/NotExecutable", "Plain"));
    WriteScript("Plain/Fine", "exit 0\n");
    EXPECT_FALSE(RunProcessAndWait("Plain/Fine", "NoSuchDirectory"));
}

// The child waits on a pipe that only a worker thread's synchronous call fills, so the
// wait can end only if it serves that call; an event posted before the wait must not run.
TEST(ProcessRunner, WaitServesWorkerCallsButNoOtherEvents)
{
    App();
    std::filesystem::create_directories("Gate");
    std::filesystem::remove("Gate/open");
    ASSERT_EQ(mkfifo("Gate/open", 0600), 0);
    WriteScript("Gate/Project", "read word < open\necho \"$word\" > heard.txt\n");

    std::atomic<bool> postedEventRan{false};
    QMetaObject::invokeMethod(&App(), [&] { postedEventRan = true; }, Qt::QueuedConnection);

    bool postedSeenByCall = true;
    std::thread worker([&] {
        MainThreadCalls::Run([&] {
            postedSeenByCall = postedEventRan.load();
            std::ofstream("Gate/open") << "served\n";
        });
    });
    int exitCode = -1;
    const bool started = RunProcessAndWait("Gate/Project", "Gate", &exitCode);
    worker.join();
    ASSERT_TRUE(started);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(ReadLine("Gate/heard.txt"), "served");
    EXPECT_FALSE(postedSeenByCall);
    EXPECT_FALSE(postedEventRan.load());
    QCoreApplication::processEvents();
    EXPECT_TRUE(postedEventRan.load());
}

}  // namespace
}  // namespace parlino
