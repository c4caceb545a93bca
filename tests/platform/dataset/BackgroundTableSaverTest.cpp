// The background saver: newest bytes win, never an older version after a newer one,
// failures kept, reported once a pass and tried again, nothing dropped at the end.
#include "DatasetTestSupport.h"

#include "platform/dataset/BackgroundTableSaver.h"
#include "platform/dataset/DatasetErrors.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

namespace parlino::dataset {
namespace {

using namespace std::chrono_literals;
using Bytes = BackgroundTableSaver::Bytes;

constexpr auto EventTimeout = 10s;

Bytes BytesOf(const std::string& text)
{
    return {text.begin(), text.end()};
}

std::string TextOf(const Bytes& bytes)
{
    return {bytes.begin(), bytes.end()};
}

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A writer that records every call, can hold a call until released and can fail on demand.
class ScriptedWriter {
public:
    struct Call {
        std::string path;
        std::string text;
        bool failed;
    };

    BackgroundTableSaver::Writer writer()
    {
        return [this](const std::string& path, const Bytes& bytes) { write(path, bytes); };
    }

    void holdNextCall()
    {
        std::lock_guard lock(mutex_);
        holdNext_ = true;
        released_ = false;
    }
    // Waits until a held call has started, so the test can act while it is in progress.
    bool waitUntilHeld()
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, EventTimeout, [&] { return holding_; });
    }
    void release()
    {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    void setFailing(bool failing)
    {
        std::lock_guard lock(mutex_);
        failing_ = failing;
    }
    // Waits until a call for path succeeded.
    bool waitForSuccess(const std::string& path)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, EventTimeout, [&] {
            for (const Call& call : calls_)
                if (call.path == path && !call.failed)
                    return true;
            return false;
        });
    }
    std::vector<Call> calls() const
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    void write(const std::string& path, const Bytes& bytes)
    {
        std::unique_lock lock(mutex_);
        if (holdNext_) {
            holdNext_ = false;
            holding_ = true;
            changed_.notify_all();
            changed_.wait_for(lock, EventTimeout, [&] { return released_; });
            holding_ = false;
        }
        calls_.push_back({path, TextOf(bytes), failing_});
        changed_.notify_all();
        if (failing_)
            throw DatasetError("Cannot write table file \"" + path + "\": broken");
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Call> calls_;
    bool holdNext_ = false;
    bool holding_ = false;
    bool released_ = false;
    bool failing_ = false;
};

// Collects what the failure hook reports.
class Reports {
public:
    BackgroundTableSaver::FailureHook hook()
    {
        return [this](const std::string& text) {
            std::lock_guard lock(mutex_);
            texts_.push_back(text);
        };
    }
    std::vector<std::string> texts() const
    {
        std::lock_guard lock(mutex_);
        return texts_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
};

TEST(BackgroundTableSaverTest, EveryFileGetsTheNewestBytesHandedOver)
{
    const std::filesystem::path folder = test::ScratchFolder("newest");
    {
        BackgroundTableSaver saver;
        for (int version = 1; version <= 5; ++version)
            for (int file = 0; file < 100; ++file)
                saver.save((folder / (std::to_string(file) + ".cds")).string(),
                           BytesOf(std::to_string(file) + " v" + std::to_string(version)));
        EXPECT_TRUE(saver.settle());
        EXPECT_EQ(saver.unsavedCount(), 0u);
    }
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++files;
        const std::string name = entry.path().stem().string();
        EXPECT_EQ(ReadText(entry.path()), name + " v5") << "no temporary or older version is left";
    }
    EXPECT_EQ(files, 100);
}

TEST(BackgroundTableSaverTest, ANewerVersionIsNeverOverwrittenByAnOlderOne)
{
    ScriptedWriter script;
    BackgroundTableSaver saver(1h, script.writer());
    script.holdNextCall();
    saver.save("a", BytesOf("a1"));
    ASSERT_TRUE(script.waitUntilHeld());
    // While a1 is being written, a2 and b1 arrive; a1 then fails.
    saver.save("a", BytesOf("a2"));
    saver.save("b", BytesOf("b1"));
    script.setFailing(true);
    script.release();
    EXPECT_FALSE(saver.settle()) << "b1 was tried and failed";
    script.setFailing(false);
    saver.save("c", BytesOf("c1"));  // new work brings the failures along at once
    EXPECT_TRUE(saver.settle());

    std::vector<std::string> written;
    for (const ScriptedWriter::Call& call : script.calls())
        written.push_back(call.text + (call.failed ? " failed" : ""));
    // a1 is never tried again: a2 replaced it.
    EXPECT_EQ(written, (std::vector<std::string>{"a1 failed", "a2 failed", "b1 failed", "a2", "b1", "c1"}));
}

TEST(BackgroundTableSaverTest, AFailedPassIsReportedOnceAndTriedAgainAfterTheDelay)
{
    ScriptedWriter script;
    Reports reports;
    BackgroundTableSaver saver(20ms, script.writer());
    saver.setFailureHook(reports.hook());
    script.setFailing(true);
    // w is written alone; x, y and z gather behind it and fail together with it.
    script.holdNextCall();
    saver.save("w", BytesOf("w1"));
    ASSERT_TRUE(script.waitUntilHeld());
    saver.save("x", BytesOf("x1"));
    saver.save("y", BytesOf("y1"));
    saver.save("z", BytesOf("z1"));
    script.release();
    // settle answers once the saves were tried; it does not wait for a disk that stays broken.
    EXPECT_FALSE(saver.settle());
    EXPECT_EQ(saver.unsavedCount(), 4u);
    const std::vector<std::string> failed = reports.texts();
    ASSERT_GE(failed.size(), 2u);
    EXPECT_EQ(failed[0], "Cannot write table file \"w\": broken");
    EXPECT_EQ(failed[1], "Cannot write table file \"w\": broken (and 3 more files not saved)");

    // No new save: the retry comes by itself. The disk is mended between two passes.
    script.holdNextCall();
    ASSERT_TRUE(script.waitUntilHeld());
    script.setFailing(false);
    script.release();
    EXPECT_TRUE(script.waitForSuccess("w"));
    EXPECT_TRUE(script.waitForSuccess("z"));
    EXPECT_TRUE(saver.settle());
    EXPECT_EQ(saver.unsavedCount(), 0u);
    const std::vector<std::string> all = reports.texts();
    for (std::size_t pass = 1; pass < all.size(); ++pass)
        EXPECT_EQ(all[pass], failed[1]) << "one line for each failed pass";
}

TEST(BackgroundTableSaverTest, TheEndWritesWhatIsPendingAndDoesNotHangOnFailures)
{
    ScriptedWriter keeping;
    {
        BackgroundTableSaver saver(1h, keeping.writer());
        for (int file = 0; file < 50; ++file)
            saver.save(std::to_string(file), BytesOf("v" + std::to_string(file)));
    }
    std::vector<std::string> paths;
    for (const ScriptedWriter::Call& call : keeping.calls())
        paths.push_back(call.path);
    EXPECT_EQ(paths.size(), 50u);

    ScriptedWriter failing;
    failing.setFailing(true);
    Reports reports;
    {
        BackgroundTableSaver saver(1h, failing.writer());
        saver.setFailureHook(reports.hook());
        saver.save("lost", BytesOf("1"));
        EXPECT_FALSE(saver.settle());
    }
    // Tried at the save and once more at the end, each failure reported.
    EXPECT_EQ(failing.calls().size(), 2u);
    EXPECT_EQ(reports.texts().size(), 2u);
}

TEST(BackgroundTableSaverTest, AFolderThatAppearsLaterGetsTheKeptFile)
{
    const std::filesystem::path folder = test::ScratchFolder("later");
    const std::filesystem::path missing = folder / "LOGS";
    Reports reports;
    BackgroundTableSaver saver(1h);
    saver.setFailureHook(reports.hook());
    saver.save((missing / "101cursd.cds").string(), BytesOf("rows"));
    EXPECT_FALSE(saver.settle());
    ASSERT_EQ(reports.texts().size(), 1u);
    EXPECT_EQ(reports.texts().front().rfind("Cannot write table file \"" + (missing / "101cursd.cds").string() + "\"", 0), 0u)
        << reports.texts().front();

    std::filesystem::create_directory(missing);
    saver.save((missing / "102cursd.cds").string(), BytesOf("more"));
    EXPECT_TRUE(saver.settle());
    EXPECT_EQ(ReadText(missing / "101cursd.cds"), "rows");
    EXPECT_EQ(ReadText(missing / "102cursd.cds"), "more");
}

TEST(BackgroundTableSaverTest, AWriterThrowingAnythingLeavesTheFileKeptNotTheThreadEnded)
{
    int calls = 0;
    std::vector<std::string> written;
    std::mutex mutex;
    Reports reports;
    BackgroundTableSaver saver(1h, [&](const std::string& path, const Bytes&) {
        std::lock_guard lock(mutex);
        if (++calls == 1)
            throw 42;
        written.push_back(path);
    });
    saver.setFailureHook(reports.hook());
    saver.save("odd", BytesOf("1"));
    EXPECT_FALSE(saver.settle());
    EXPECT_EQ(reports.texts(), std::vector<std::string>{"Cannot write table file \"odd\""});
    saver.save("next", BytesOf("2"));
    EXPECT_TRUE(saver.settle());
    std::lock_guard lock(mutex);
    EXPECT_EQ(written, (std::vector<std::string>{"next", "odd"}));
}

}  // namespace
}  // namespace parlino::dataset
