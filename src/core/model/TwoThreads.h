#pragma once
// Work split over the machine's two cores: a job handed to a thread of its own while the caller
// goes on with the rest, and a long run of independent items cut in two.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace zelmar {

// Whether the machine has a second core to hand work to.
bool twoCores();

// A job running on a thread of its own from its construction on. Whoever owns it waits for it:
// wait() returns once the job is done and rethrows what it threw; the destructor waits too, so a
// job never outlives what it works on. Stopping a job early is the job's own business (a flag it
// reads).
class SideJob {
public:
    explicit SideJob(std::function<void()> job);
    ~SideJob();
    SideJob(const SideJob&) = delete;
    SideJob& operator=(const SideJob&) = delete;

    bool done() const;
    // True once the job is done; false when `limit` passed first.
    bool waitFor(std::chrono::milliseconds limit);
    void wait();

private:
    mutable std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::exception_ptr error_;
    std::thread thread_;
};

// Runs work(i) for every i in [0, count). When the items' total weight reaches `threshold` (and the
// machine has a second core), the items are cut into two runs of about equal weight and the first
// runs as a SideJob; otherwise all run here, in order. An exception from either run is rethrown
// here once both have stopped.
void forEachOnTwoThreads(size_t count, const std::function<int64_t(size_t)>& weight, int64_t threshold,
                         const std::function<void(size_t)>& work);

} // namespace zelmar
