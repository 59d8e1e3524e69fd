#include "tests/support/virtual_clock.h"

#include <stdexcept>
#include <string>

namespace corvallo::testing {

namespace {

constexpr std::int64_t kMillisPerDay = 24LL * 60 * 60 * 1000;
// Only a stuck test waits this long for the watched threads; it then fails instead of hanging.
constexpr auto kStuck = std::chrono::seconds(60);

thread_local bool watchedThread = false;

}  // namespace

VirtualClock::VirtualClock(platform::LocalTime start) : start_(toMillis(start)), now_(start_), horizon_(start_) {}

std::int64_t VirtualClock::toMillis(const platform::LocalTime& t) {
    using namespace std::chrono;
    const sys_days date = year{t.year} / month{static_cast<unsigned>(t.month)} / day{static_cast<unsigned>(t.day)};
    return date.time_since_epoch().count() * kMillisPerDay + ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000;
}

platform::LocalTime VirtualClock::fromMillis(std::int64_t millis) {
    using namespace std::chrono;
    std::int64_t dayNumber = millis / kMillisPerDay;
    std::int64_t rest = millis % kMillisPerDay;
    if (rest < 0) {
        rest += kMillisPerDay;
        dayNumber -= 1;
    }
    const sys_days date{days{dayNumber}};
    const year_month_day ymd{date};
    const auto seconds = rest / 1000;
    return platform::LocalTime{static_cast<int>(ymd.year()),
                               static_cast<int>(static_cast<unsigned>(ymd.month())),
                               static_cast<int>(static_cast<unsigned>(ymd.day())),
                               static_cast<int>(seconds / 3600),
                               static_cast<int>(seconds / 60 % 60),
                               static_cast<int>(seconds % 60),
                               static_cast<int>(weekday{date}.c_encoding()) + 1};
}

platform::LocalTime VirtualClock::at(int year, int month, int day, int hour, int minute, int second) {
    return fromMillis(toMillis(platform::LocalTime{year, month, day, hour, minute, second, 0}));
}

platform::LocalTime VirtualClock::now() {
    std::lock_guard lock(mutex_);
    return fromMillis(now_);
}

std::chrono::milliseconds VirtualClock::elapsed() const {
    std::lock_guard lock(mutex_);
    return std::chrono::milliseconds(now_ - start_);
}

std::function<std::chrono::milliseconds()> VirtualClock::monotonic() {
    return [this] { return elapsed(); };
}

bool VirtualClock::waitFor(std::chrono::milliseconds duration, std::stop_token stop) {
    if (stop.stop_requested()) return false;
    {
        // The only working thread waits for the earliest moment of all: time jumps there at once.
        std::lock_guard lock(mutex_);
        const std::int64_t deadline = now_ + duration.count();
        if (watchedThread && working_ == 1 && deadline <= horizon_ &&
            (waiters_.empty() || deadline < (*waiters_.begin())->deadline)) {
            now_ = deadline;
            return true;
        }
    }
    Waiter waiter{0, 0, watchedThread};
    // The callback exists before the waiter counts as idle: a stop requested at any moment after that
    // makes it count as working again before request_stop() returns. It runs at once, in this thread,
    // when the stop came earlier.
    std::stop_callback onStop(stop, [this, &waiter] {
        std::lock_guard lock(mutex_);
        if (waiter.released) return;
        waiter.released = true;
        waiter.stopped = true;
        if (waiter.queued) {
            waiters_.erase(&waiter);
            if (waiter.watched) ++working_;
        }
        changed_.notify_all();
    });
    std::unique_lock lock(mutex_);
    if (!waiter.released) {
        waiter.deadline = now_ + duration.count();
        waiter.order = nextOrder_++;
        waiters_.insert(&waiter);
        waiter.queued = true;
        if (waiter.watched) --working_;
        advance(&waiter);
        changed_.wait(lock, [&waiter] { return waiter.released; });
    }
    lock.unlock();  // before the callback goes: it may be running in another thread right now
    return !waiter.stopped;
}

void VirtualClock::advance(const Waiter* self) {
    bool wakeOthers = false;
    while (working_ == 0 && !waiters_.empty()) {
        Waiter* first = *waiters_.begin();
        if (first->deadline > horizon_) break;
        waiters_.erase(waiters_.begin());
        if (first->deadline > now_) now_ = first->deadline;
        first->released = true;
        if (first->watched) ++working_;
        wakeOthers = wakeOthers || first != self;
    }
    // The common case, a thread whose own wait is due at once, wakes nobody.
    if (wakeOthers || settled()) changed_.notify_all();
}

bool VirtualClock::settled() const {
    return working_ == 0 && (waiters_.empty() || (*waiters_.begin())->deadline > horizon_);
}

void VirtualClock::runTo(std::int64_t until) {
    std::unique_lock lock(mutex_);
    horizon_ = std::max(until, now_);
    advance(nullptr);
    if (!changed_.wait_for(lock, kStuck, [this] { return settled(); })) {
        throw std::runtime_error("VirtualClock: the watched threads never settled (" + std::to_string(working_) +
                                 " working, " + std::to_string(waiters_.size()) + " waiting, first due in " +
                                 std::to_string(waiters_.empty() ? -1 : (*waiters_.begin())->deadline - horizon_) +
                                 " ms after the horizon)");
    }
    now_ = horizon_;
}

void VirtualClock::runUntil(const platform::LocalTime& until) { runTo(toMillis(until)); }

void VirtualClock::runFor(std::chrono::milliseconds duration) {
    std::int64_t from;
    {
        std::lock_guard lock(mutex_);
        from = now_;
    }
    runTo(from + duration.count());
}

void VirtualClock::settle() { runFor(std::chrono::milliseconds(0)); }

void VirtualClock::enter() {
    std::lock_guard lock(mutex_);
    ++working_;
}

void VirtualClock::leave() {
    std::lock_guard lock(mutex_);
    --working_;
    advance(nullptr);
}

std::function<std::jthread(std::function<void()>)> VirtualClock::threadStarter() {
    return [this](std::function<void()> body) {
        enter();
        try {
            return std::jthread([this, body = std::move(body)] {
                watchedThread = true;
                body();
                leave();
            });
        } catch (...) {
            leave();
            throw;
        }
    };
}

}  // namespace corvallo::testing
