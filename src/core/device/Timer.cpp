#include "device/Timer.h"

#include <chrono>
#include <thread>

namespace zelmar {

namespace {
class SteadyClock : public MonotonicClock {
public:
    int64_t nowNs() override
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch()).count();
    }
    void spin() override { std::this_thread::yield(); }
};
} // namespace

MonotonicClock& steadyClock()
{
    static SteadyClock c;
    return c;
}

void Timer::Delay(int ms)
{
    const int64_t start = clock_->nowNs();
    const int64_t end = start + int64_t(ms) * 1000000;
    for (;;) {
        const int64_t t = clock_->nowNs();
        if (t >= end || t < start)
            return;
        clock_->spin();
    }
}

void Timer::StartDeadline(int ms)
{
    deadlineStart_ = clock_->nowNs();
    deadlineEnd_ = deadlineStart_ + int64_t(ms) * 1000000;
}

bool Timer::DeadlineExpired()
{
    const int64_t t = clock_->nowNs();
    return t > deadlineEnd_ || t < deadlineStart_;
}

} // namespace zelmar
