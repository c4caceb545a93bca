#include "platform/core/ProcessRunner.h"

#include "platform/core/MainThreadCalls.h"

#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <thread>

extern char** environ;

namespace parlino {

namespace {

// A spawn's file actions, freed whichever way the spawn ends.
class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

}  // namespace

bool RunProcessAndWait(const std::string& program, const std::string& workingDirectory,
                       int* exitCode)
{
    // The program path is meant from our own current directory, not the child's.
    std::error_code error;
    const std::string absoluteProgram = std::filesystem::absolute(program, error).string();
    if (error)
        return false;

    SpawnActions actions;
    if (posix_spawn_file_actions_addchdir_np(actions.get(), workingDirectory.c_str()) != 0)
        return false;
    std::string argument0 = absoluteProgram;
    char* argv[] = {argument0.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, absoluteProgram.c_str(), actions.get(), nullptr, argv, environ) != 0)
        return false;

    std::atomic<bool> ended{false};
    int status = 0;
    std::thread reaper([&] {
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        ended = true;
        MainThreadCalls::Wake();
    });
    MainThreadCalls::ServeUntil([&] { return ended.load(); });
    reaper.join();

    if (exitCode)
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

}  // namespace parlino
