#include "model/TwoThreads.h"

#include <utility>
#include <vector>

namespace zelmar {

bool twoCores()
{
    static const bool two = std::thread::hardware_concurrency() > 1;
    return two;
}

SideJob::SideJob(std::function<void()> job)
{
    thread_ = std::thread([this, job = std::move(job)] {
        std::exception_ptr error;
        try {
            job();
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard lock(mutex_);
        error_ = error;
        done_ = true;
        finished_.notify_all();
    });
}

SideJob::~SideJob()
{
    if (thread_.joinable())
        thread_.join();
}

bool SideJob::done() const
{
    std::lock_guard lock(mutex_);
    return done_;
}

bool SideJob::waitFor(std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex_);
    return finished_.wait_for(lock, limit, [this] { return done_; });
}

void SideJob::wait()
{
    if (thread_.joinable())
        thread_.join();
    std::exception_ptr error;
    {
        std::lock_guard lock(mutex_);
        error = std::exchange(error_, nullptr);
    }
    if (error)
        std::rethrow_exception(error);
}

void forEachOnTwoThreads(size_t count, const std::function<int64_t(size_t)>& weight, int64_t threshold,
                         const std::function<void(size_t)>& work)
{
    std::vector<int64_t> weights(count);
    int64_t total = 0;
    for (size_t i = 0; i < count; ++i)
        total += weights[i] = weight(i);
    if (count < 2 || total < threshold || !twoCores()) {
        for (size_t i = 0; i < count; ++i)
            work(i);
        return;
    }
    size_t cut = 0;
    for (int64_t sum = 0; cut < count && 2 * sum < total; ++cut)
        sum += weights[cut];
    SideJob first([&] {
        for (size_t i = 0; i < cut; ++i)
            work(i);
    });
    std::exception_ptr secondError;
    try {
        for (size_t i = cut; i < count; ++i)
            work(i);
    } catch (...) {
        secondError = std::current_exception();
    }
    first.wait();
    if (secondError)
        std::rethrow_exception(secondError);
}

} // namespace zelmar
