#pragma once
// Busy-wait delays and a single deadline on a monotonic clock. The clock is injectable so that
// tests can run minutes of waiting in microseconds; the program itself uses the steady clock.
#include <cstdint>

namespace zelmar {

class MonotonicClock {
public:
    virtual ~MonotonicClock() = default;
    virtual int64_t nowNs() = 0;
    // Called on every turn of a busy wait; the steady clock lets other threads run.
    virtual void spin() {}
};

MonotonicClock& steadyClock();

// A clock for tests: every reading moves it on by `stepNs`, so every wait on it ends.
class SteppingClock : public MonotonicClock {
public:
    explicit SteppingClock(int64_t stepNs = 1000000) : step_(stepNs) {}
    int64_t nowNs() override { return now_ += step_; }
    void advance(int64_t ns) { now_ += ns; }
    void jumpBack(int64_t ns) { now_ -= ns; }

private:
    int64_t now_ = 1000000000;
    int64_t step_;
};

class Timer {
public:
    explicit Timer(MonotonicClock& clock = steadyClock()) : clock_(&clock) {}

    // Busy-waits ms milliseconds; also ends when the clock reads less than at the start.
    void Delay(int ms);
    void StartDeadline(int ms);
    // True once the clock is past the deadline or before its start.
    bool DeadlineExpired();

    MonotonicClock& clock() { return *clock_; }

private:
    MonotonicClock* clock_;
    int64_t deadlineStart_ = 0;
    int64_t deadlineEnd_ = 0;
};

} // namespace zelmar
