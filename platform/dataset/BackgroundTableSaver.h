// Saves table files on a thread of its own, so that the caller never waits for the disk.
//
// The caller hands over a file's complete bytes, or a table's rows taken whole, which the
// thread makes into the bytes; it writes each file through a synced temporary file renamed
// over the old one, as SaveToFile does. Saves of one path are coalesced: only the newest
// bytes handed over are written, and an older version is never written after a newer one.
// A save that fails is kept and tried again (after retryDelay, or sooner when more work
// arrives) unless newer bytes for its path arrived meanwhile; each pass that fails is
// reported once through the failure hook.
#pragma once

#include "platform/dataset/TableRows.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

namespace parlino::dataset {

class BackgroundTableSaver {
public:
    using Bytes = std::vector<std::uint8_t>;
    // Writes one file or throws; tests put in writers that wait, count or fail.
    using Writer = std::function<void(const std::string& path, const Bytes& bytes)>;
    // Called on the saver's thread with one line per failed pass.
    using FailureHook = std::function<void(const std::string& text)>;

    explicit BackgroundTableSaver(std::chrono::milliseconds retryDelay = std::chrono::seconds(1),
                                  Writer writer = {});
    // Tries once more whatever is still unsaved, then ends the thread.
    ~BackgroundTableSaver();
    BackgroundTableSaver(const BackgroundTableSaver&) = delete;
    BackgroundTableSaver& operator=(const BackgroundTableSaver&) = delete;

    // Any thread. Without a hook failures go to standard error.
    void setFailureHook(FailureHook hook);
    // Any thread; returns at once.
    void save(const std::string& path, Bytes bytes);
    // The same with the file's rows, made into its bytes on the saver's thread. The rows are
    // freed by the thread of a later save (below).
    void save(const std::string& path, TableRows rows);
    // Waits until every save handed over before the call has been tried. True when none of
    // them is left unsaved (a newer save of the same path counts for it).
    bool settle();
    // Files waiting to be written or tried again.
    std::size_t unsavedCount() const;
    // The newest bytes handed over for path and not yet on disk (a save that failed and
    // waits for its retry), once no pass is writing: what whoever reads the file back must
    // take instead of the file. None when the file holds the newest bytes.
    std::optional<Bytes> unsavedBytes(const std::string& path) const;

private:
    // The file's bytes, or the rows to make them from.
    using Contents = std::variant<Bytes, TableRows>;
    struct Entry {
        Contents contents;
        std::uint64_t ticket = 0;  // number of the save that handed these contents over
    };

    void hand(const std::string& path, Contents contents);
    void run();

    const std::chrono::milliseconds retryDelay_;
    const Writer writer_;

    // Guards every member below. Never held while a file is written or the hook runs.
    mutable std::mutex mutex_;
    std::condition_variable workArrived_;
    mutable std::condition_variable passEnded_;
    std::map<std::string, Entry> pending_;  // by path: the newest contents not yet on disk
    // Rows made into bytes, or replaced by newer ones first: freed by the next save, on its
    // caller's thread. Freed here, each row would fight the caller's allocations for the
    // allocator's lock (talk starts with a 30,000-row call log took twice as long).
    std::vector<TableRows> spent_;
    std::uint64_t lastTicket_ = 0;          // tickets handed out so far
    std::uint64_t triedThrough_ = 0;        // every save up to this ticket has been tried
    bool retryDue_ = false;                 // pending_ holds failures waiting for retryDelay_
    bool passRunning_ = false;              // a batch taken from pending_ is being written
    bool stopping_ = false;
    FailureHook hook_;

    std::thread thread_;  // last: starts once everything above exists
};

}  // namespace parlino::dataset
