#include "service/worker_registry.h"

#include <algorithm>
#include <system_error>

namespace corvallo::service {

namespace {

// While no worker waits the timer has nothing to do but wait for one.
constexpr std::chrono::milliseconds kIdleWait = std::chrono::hours(1);

thread_local bool serviceThread = false;

}  // namespace

bool onServiceThread() { return serviceThread; }

WorkerRegistry::WorkerRegistry(platform::Clock& clock, MonotonicNow monotonic, ThreadStarter startThread, Body body,
                               LaunchFailed launchFailed)
    : clock_(clock),
      monotonic_(std::move(monotonic)),
      startThread_(std::move(startThread)),
      body_(std::move(body)),
      launchFailed_(std::move(launchFailed)) {
    timer_ = startThread_([this] {
        serviceThread = true;
        timerLoop();
    });
}

WorkerRegistry::~WorkerRegistry() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    wakeTimer();
    if (timer_.joinable()) timer_.join();
    stopAll();
    std::vector<Thread> threads;
    {
        std::lock_guard lock(mutex_);
        threads.swap(threads_);
    }
    // Joined here, with no lock held: a stopped worker may still be finishing a file.
}

WorkerHandle WorkerRegistry::newToken() { return nextToken_.fetch_add(1); }

void WorkerRegistry::addScheduled(WorkerHandle token, std::int32_t taskId, ScheduledTarget target) {
    {
        std::lock_guard lock(mutex_);
        Entry& entry = entries_[token];
        entry.taskId = taskId;
        entry.kind = WorkerKind::Scheduled;
        entry.target = target;
    }
    wakeTimer();
}

void WorkerRegistry::addInterval(WorkerHandle token, std::int32_t taskId, std::int64_t periodMinutes) {
    {
        std::lock_guard lock(mutex_);
        Entry& entry = entries_[token];
        entry.taskId = taskId;
        entry.kind = WorkerKind::Interval;
        entry.periodMinutes = periodMinutes;
    }
    wakeTimer();
}

bool WorkerRegistry::stop(WorkerHandle token) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(token);
    if (it == entries_.end()) return false;
    it->second.stop.request_stop();
    entries_.erase(it);
    return true;
}

void WorkerRegistry::stopAll() {
    std::lock_guard lock(mutex_);
    for (auto& [token, entry] : entries_) entry.stop.request_stop();
    entries_.clear();
    for (auto& [taskId, claim] : runs_) {
        if (claim.manual) claim.stop.request_stop();
    }
}

bool WorkerRegistry::startManual(std::int32_t taskId, const platform::LocalTime& now) {
    std::lock_guard lock(mutex_);
    auto [claim, claimed] = runs_.try_emplace(taskId);
    if (!claimed) return false;
    claim->second.manual = true;
    Activation activation{newToken(), taskId, WorkerKind::Scheduled, true, now, claim->second.stop.get_token(), true};
    try {
        startBodyThread(activation, true);
    } catch (...) {
        runs_.erase(claim);
        throw;
    }
    return true;
}

void WorkerRegistry::stopManual(std::int32_t taskId) {
    std::lock_guard lock(mutex_);
    auto claim = runs_.find(taskId);
    if (claim != runs_.end() && claim->second.manual) claim->second.stop.request_stop();
}

bool WorkerRegistry::claimRun(std::int32_t taskId) {
    std::lock_guard lock(mutex_);
    return runs_.try_emplace(taskId).second;
}

void WorkerRegistry::releaseRun(std::int32_t taskId) {
    std::lock_guard lock(mutex_);
    runs_.erase(taskId);
}

bool WorkerRegistry::running(std::int32_t taskId) const {
    std::lock_guard lock(mutex_);
    return runs_.count(taskId) != 0;
}

void WorkerRegistry::ended(WorkerHandle token) {
    std::lock_guard lock(mutex_);
    entries_.erase(token);
}

void WorkerRegistry::waitAgain(WorkerHandle token) {
    const auto mono = monotonic_();
    {
        std::lock_guard lock(mutex_);
        auto it = entries_.find(token);
        if (it == entries_.end()) return;
        it->second.active = false;
        it->second.elapsedMinutes = 0;
        it->second.nextStep = mono + kIntervalStep;
    }
    wakeTimer();
}

void WorkerRegistry::runStarts(const Activation& activation) {
    const platform::LocalTime& t = activation.time;
    std::lock_guard lock(mutex_);
    served_.insert_or_assign(activation.taskId, Minute{t.year, t.month, t.day, t.hour, t.minute});
}

bool WorkerRegistry::alive(WorkerHandle token) const {
    std::lock_guard lock(mutex_);
    return entries_.count(token) != 0;
}

std::size_t WorkerRegistry::size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

void WorkerRegistry::wakeTimer() {
    std::lock_guard lock(mutex_);
    wake_.request_stop();
}

std::chrono::milliseconds WorkerRegistry::nextWait(std::chrono::milliseconds mono) const {
    std::optional<std::chrono::milliseconds> wait;
    auto shorten = [&wait](std::chrono::milliseconds candidate) { wait = wait ? std::min(*wait, candidate) : candidate; };
    for (const auto& [token, entry] : entries_) {
        if (entry.active) continue;
        if (entry.kind == WorkerKind::Scheduled) {
            shorten(entry.compared ? kPollInterval : std::chrono::milliseconds(0));
        } else {
            shorten(entry.nextStep ? std::max(*entry.nextStep - mono, std::chrono::milliseconds(0)) : std::chrono::milliseconds(0));
        }
    }
    return wait.value_or(kIdleWait);
}

void WorkerRegistry::timerLoop() {
    std::unique_lock lock(mutex_);
    while (!closing_) {
        lock.unlock();
        const auto before = monotonic_();
        lock.lock();
        const auto wait = nextWait(before);
        // add, waitAgain and closing cut the wait short; a source that did so is spent.
        if (wake_.stop_requested()) wake_ = std::stop_source();
        const std::stop_token woken = wake_.get_token();
        lock.unlock();

        clock_.waitFor(wait, woken);
        const platform::LocalTime now = clock_.now();
        const auto mono = monotonic_();

        lock.lock();
        if (closing_) break;
        std::vector<Thread> finished = takeFinishedThreads();
        auto failures = poll(now, mono);
        lock.unlock();
        finished.clear();  // joins threads whose work is over
        for (const auto& [activation, reason] : failures) launchFailed_(activation, reason);
        lock.lock();
    }
}

std::vector<std::pair<Activation, std::string>> WorkerRegistry::poll(const platform::LocalTime& now,
                                                                   std::chrono::milliseconds mono) {
    std::vector<std::pair<Activation, std::string>> failures;
    for (auto& [token, entry] : entries_) {
        if (entry.active) continue;
        auto activation = [&, token = token](bool minuteCame) {
            return Activation{token, entry.taskId, entry.kind, minuteCame, now, entry.stop.get_token()};
        };
        std::string failure;
        if (entry.kind == WorkerKind::Scheduled) {
            const Comparison comparison = entry.target->compare(now);
            entry.compared = true;
            if (comparison == Comparison::Wait) continue;
            const Minute minute{now.year, now.month, now.day, now.hour, now.minute};
            auto served = served_.find(entry.taskId);
            // A task runs at most once in a minute, however often it gets a worker in it.
            const bool minuteCame =
                comparison == Comparison::Due && (served == served_.end() || served->second != minute);
            if (!launch(entry, activation(minuteCame), failure)) failures.emplace_back(activation(minuteCame), failure);
        } else {
            if (entry.nextStep) {
                if (mono < *entry.nextStep) continue;
                entry.elapsedMinutes += kIntervalStepMinutes;
            }
            if (entry.elapsedMinutes < entry.periodMinutes) {
                entry.nextStep = mono + kIntervalStep;
                continue;
            }
            if (!launch(entry, activation(true), failure)) failures.emplace_back(activation(true), failure);
        }
    }
    return failures;
}

bool WorkerRegistry::launch(Entry& entry, const Activation& activation, std::string& failure) {
    // Polled no more either way: a worker without a thread is ended by the LaunchFailed handler.
    entry.active = true;
    try {
        startBodyThread(activation, false);
        return true;
    } catch (const std::system_error& error) {
        failure = error.what();
        return false;
    }
}

void WorkerRegistry::startBodyThread(const Activation& activation, bool wakeWhenDone) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    // Room first: a thread that could not be kept would be joined here, under the lock it may want.
    threads_.reserve(threads_.size() + 1);
    std::jthread thread = startThread_([this, activation, done, wakeWhenDone] {
        serviceThread = true;
        body_(activation);
        done->store(true, std::memory_order_release);
        // A run by hand is not followed by a poll of its own: the timer joins its thread now rather than
        // at whatever wakes it next, an hour away when nothing waits.
        if (wakeWhenDone) wakeTimer();
    });
    threads_.push_back(Thread{std::move(thread), std::move(done)});
}

std::vector<WorkerRegistry::Thread> WorkerRegistry::takeFinishedThreads() {
    std::vector<Thread> finished;
    if (threads_.empty()) return finished;
    auto firstLive = std::stable_partition(threads_.begin(), threads_.end(),
                                           [](const Thread& t) { return t.done->load(std::memory_order_acquire); });
    finished.assign(std::make_move_iterator(threads_.begin()), std::make_move_iterator(firstLive));
    threads_.erase(threads_.begin(), firstLive);
    return finished;
}

}  // namespace corvallo::service
