#include "platform/dataset/BackgroundTableSaver.h"

#include "platform/dataset/TableFile.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <iterator>
#include <utility>

namespace parlino::dataset {

namespace {
struct Failure {
    std::string path;
    std::string text;
};
// One line for the whole pass: the first failure and how many more there were.
void report(const std::vector<Failure>& failures, const BackgroundTableSaver::FailureHook& hook)
{
    std::string text = failures.front().text;
    if (failures.size() > 1)
        text += " (and " + std::to_string(failures.size() - 1) + " more files not saved)";
    if (hook)
        hook(text);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}
}  // namespace

BackgroundTableSaver::BackgroundTableSaver(std::chrono::milliseconds retryDelay, Writer writer)
    : retryDelay_(retryDelay),
      writer_(writer ? std::move(writer) : Writer(WriteTableBytes)),
      thread_([this] { run(); })
{
}

BackgroundTableSaver::~BackgroundTableSaver()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    workArrived_.notify_all();
    thread_.join();
}

void BackgroundTableSaver::setFailureHook(FailureHook hook)
{
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

void BackgroundTableSaver::save(const std::string& path, Bytes bytes)
{
    hand(path, std::move(bytes));
}

void BackgroundTableSaver::save(const std::string& path, TableRows rows)
{
    hand(path, std::move(rows));
}

void BackgroundTableSaver::hand(const std::string& path, Contents contents)
{
    std::vector<TableRows> spent;  // freed on return: on the caller's thread, outside the lock
    {
        std::lock_guard lock(mutex_);
        Entry& entry = pending_[path];
        if (TableRows* older = std::get_if<TableRows>(&entry.contents))
            spent_.push_back(std::move(*older));
        entry.contents = std::move(contents);
        entry.ticket = ++lastTicket_;
        spent.swap(spent_);
    }
    workArrived_.notify_one();
}

bool BackgroundTableSaver::settle()
{
    std::unique_lock lock(mutex_);
    const std::uint64_t target = lastTicket_;
    passEnded_.wait(lock, [&] { return triedThrough_ >= target; });
    return std::none_of(pending_.begin(), pending_.end(),
                        [target](const auto& entry) { return entry.second.ticket <= target; });
}

std::size_t BackgroundTableSaver::unsavedCount() const
{
    std::lock_guard lock(mutex_);
    return pending_.size();
}

std::optional<BackgroundTableSaver::Bytes> BackgroundTableSaver::unsavedBytes(
    const std::string& path) const
{
    std::unique_lock lock(mutex_);
    passEnded_.wait(lock, [this] { return !passRunning_; });
    const auto found = pending_.find(path);
    if (found == pending_.end())
        return std::nullopt;
    // Rows no pass has taken yet are this thread's to read while the lock is held.
    if (const TableRows* rows = std::get_if<TableRows>(&found->second.contents))
        return rows->fileBytes();
    return std::get<Bytes>(found->second.contents);
}

void BackgroundTableSaver::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        const auto wakeUp = [this] { return stopping_ || lastTicket_ > triedThrough_; };
        if (retryDue_)
            workArrived_.wait_for(lock, retryDelay_, wakeUp);  // a timeout retries the failures
        else
            workArrived_.wait(lock, wakeUp);
        const bool lastPass = stopping_;
        if (pending_.empty()) {
            if (lastPass)
                return;
            continue;
        }

        std::map<std::string, Entry> batch;
        batch.swap(pending_);
        const std::uint64_t through = lastTicket_;
        passRunning_ = true;
        lock.unlock();

        std::vector<Failure> failures;
        std::vector<TableRows> spent;
        for (auto& [path, entry] : batch) {
            try {
                // A failure keeps the bytes: a retry does not encode again.
                if (TableRows* rows = std::get_if<TableRows>(&entry.contents)) {
                    Bytes bytes = rows->fileBytes();
                    TableRows done = std::move(*rows);
                    entry.contents = std::move(bytes);
                    spent.push_back(std::move(done));
                }
                writer_(path, std::get<Bytes>(entry.contents));
            } catch (const std::exception& error) {
                failures.push_back({path, error.what()});
            } catch (...) {
                // Nothing may end the saver's thread: the file is kept like any failure.
                failures.push_back({path, "Cannot write table file \"" + path + "\""});
            }
        }

        lock.lock();
        std::move(spent.begin(), spent.end(), std::back_inserter(spent_));
        // A failed save waits for the next try, unless newer bytes for its path arrived.
        for (const Failure& failure : failures)
            pending_.try_emplace(failure.path, std::move(batch.at(failure.path)));
        retryDue_ = !failures.empty();
        passRunning_ = false;
        if (!failures.empty()) {
            const FailureHook hook = hook_;
            lock.unlock();
            report(failures, hook);
            lock.lock();
        }
        // Only now: whoever settles has the failures reported by the time it goes on.
        triedThrough_ = through;
        passEnded_.notify_all();
        if (lastPass)
            return;
    }
}

}  // namespace parlino::dataset
