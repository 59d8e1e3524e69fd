#pragma once
// A clock whose time moves only when every thread it watches waits on it, and then jumps straight to
// the earliest deadline: days of schedule pass in milliseconds, the same way on every run.
//
// The threads it watches are the ones started through threadStarter(): while any of them works (holds
// no wait on this clock), time stands still. The test thread moves time on with runUntil()/runFor()
// and settles with settle(); these return once every watched thread waits on the clock beyond the
// new time or has ended. A stop of a waiting thread counts as work from the instant it is requested.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <stop_token>
#include <thread>

#include "platform/clock.h"

namespace corvallo::testing {

class VirtualClock : public platform::Clock {
public:
    explicit VirtualClock(platform::LocalTime start);

    platform::LocalTime now() override;
    // Blocks until virtual time reaches now + duration (true) or `stop` is requested (false).
    bool waitFor(std::chrono::milliseconds duration, std::stop_token stop) override;

    // Milliseconds of virtual time since the clock was made; for the service's monotonic time.
    std::chrono::milliseconds elapsed() const;
    std::function<std::chrono::milliseconds()> monotonic();

    // Starts a watched thread. Matches service::ThreadStarter.
    std::function<std::jthread(std::function<void()>)> threadStarter();

    // Lets time run to `until` (not before now) and returns when everything has settled there.
    void runUntil(const platform::LocalTime& until);
    void runFor(std::chrono::milliseconds duration);
    // Lets every watched thread finish what it is doing, without moving time.
    void settle();

    // The day of the week is worked out from the date.
    static platform::LocalTime at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

private:
    struct Waiter {
        std::int64_t deadline;
        std::uint64_t order;
        bool watched;
        bool queued = false;
        bool released = false;
        bool stopped = false;
    };
    struct Earlier {
        bool operator()(const Waiter* a, const Waiter* b) const {
            return a->deadline != b->deadline ? a->deadline < b->deadline : a->order < b->order;
        }
    };

    static std::int64_t toMillis(const platform::LocalTime& time);
    static platform::LocalTime fromMillis(std::int64_t millis);
    // Under the lock: while no watched thread works, releases the earliest waiter due by the horizon.
    // `self` is the calling thread's own waiter, if any.
    void advance(const Waiter* self);
    bool settled() const;
    void runTo(std::int64_t until);
    void enter();
    void leave();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    const std::int64_t start_;
    std::int64_t now_;
    std::int64_t horizon_;
    int working_ = 0;  // watched threads not waiting on the clock
    std::set<Waiter*, Earlier> waiters_;
    std::uint64_t nextOrder_ = 0;
};

}  // namespace corvallo::testing
