#pragma once
// The live workers, keyed by the token that a task keeps in its `worker` field, and the one timer
// thread that waits for all of them.
//
// A waiting worker has no thread of its own: the timer reads the clock every 500 ms while any scheduled
// worker waits (and at each interval worker's 10-minute step) and makes each waiting worker's
// comparison. When a worker has something to do (its minute has come, its time has passed, its period
// is over) the timer starts a thread for it, which the registry owns until it has been joined. A
// resident program with hundreds of tasks thus costs one sleeping thread, not one per task.
//
// Locking: the registry's mutex is the innermost lock of the service. Nothing here touches the task
// list; the bodies it starts do.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "core/task.h"
#include "platform/clock.h"
#include "service/environment.h"
#include "service/schedule.h"

namespace corvallo::service {

// The scheduled workers' polling period.
inline constexpr std::chrono::milliseconds kPollInterval{500};
inline constexpr std::chrono::milliseconds kIntervalStep{kIntervalStepMinutes * 60 * 1000};

// What a worker's thread is started for.
struct Activation {
    WorkerHandle token = 0;
    std::int32_t taskId = 0;
    WorkerKind kind = WorkerKind::Scheduled;
    // Scheduled worker: true when its minute has come and no run of the task started in that minute
    // before; false when its time has passed (it only ends). Interval worker: always true (a run).
    bool minuteCame = false;
    platform::LocalTime time;  // the clock reading that decided
    std::stop_token stop;      // requested by stop()
};

// True on the timer thread and on every worker thread (for checks of who calls what).
bool onServiceThread();

class WorkerRegistry {
public:
    using Body = std::function<void(const Activation&)>;
    // A worker whose thread could not be started, with the reason; called on the timer thread.
    using LaunchFailed = std::function<void(const Activation&, const std::string& reason)>;

    // Starts the timer thread; throws std::system_error when it cannot.
    WorkerRegistry(platform::Clock& clock, MonotonicNow monotonic, ThreadStarter startThread, Body body,
                   LaunchFailed launchFailed);
    // Stops every worker and the timer, and joins every thread.
    ~WorkerRegistry();
    WorkerRegistry(const WorkerRegistry&) = delete;
    WorkerRegistry& operator=(const WorkerRegistry&) = delete;

    // A token no worker had before. Any thread.
    WorkerHandle newToken();
    // A new waiting worker; its first comparison follows at once on the timer thread. The caller has
    // stored the token in the task already (so that the worker cannot end before).
    void addScheduled(WorkerHandle token, std::int32_t taskId, ScheduledTarget target);
    void addInterval(WorkerHandle token, std::int32_t taskId, std::int64_t periodMinutes);
    // Requests the worker's stop and forgets it; a thread it has is joined later. False when unknown.
    bool stop(WorkerHandle token);
    void stopAll();

    // Worker thread: the worker's work is over and it is gone (a scheduled worker after its end).
    void ended(WorkerHandle token);
    // Worker thread: an interval worker's run is over; it counts its steps from 0 again.
    void waitAgain(WorkerHandle token);
    // Worker thread: a scheduled worker starts its run; no other worker of the task runs in this minute.
    void runStarts(const Activation& activation);

    bool alive(WorkerHandle token) const;
    std::size_t size() const;

private:
    struct Entry {
        std::int32_t taskId = 0;
        WorkerKind kind = WorkerKind::Scheduled;
        std::stop_source stop;
        bool active = false;  // a thread is doing its work
        std::optional<ScheduledTarget> target;
        bool compared = false;  // the first comparison follows at once
        std::int64_t periodMinutes = 0;
        std::int64_t elapsedMinutes = 0;
        std::optional<std::chrono::milliseconds> nextStep;  // none: check at once
    };
    struct Thread {
        std::jthread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    struct Minute {
        int year, month, day, hour, minute;
        bool operator==(const Minute&) const = default;
    };

    void timerLoop();
    std::chrono::milliseconds nextWait(std::chrono::milliseconds now) const;
    // Under the lock: every waiting worker's turn; returns those whose thread could not be started.
    std::vector<std::pair<Activation, std::string>> poll(const platform::LocalTime& now, std::chrono::milliseconds mono);
    bool launch(Entry& entry, const Activation& activation, std::string& failure);
    std::vector<Thread> takeFinishedThreads();
    void wakeTimer();

    platform::Clock& clock_;
    MonotonicNow monotonic_;
    ThreadStarter startThread_;
    Body body_;
    LaunchFailed launchFailed_;

    mutable std::mutex mutex_;
    std::map<WorkerHandle, Entry> entries_;
    std::map<std::int32_t, Minute> served_;  // per task id, the minute of its last scheduled run
    std::vector<Thread> threads_;            // started, not yet joined
    std::stop_source wake_;                  // cuts the timer's current wait short
    bool closing_ = false;
    std::atomic<WorkerHandle> nextToken_{1};
    std::jthread timer_;  // last: started when everything above exists
};

}  // namespace corvallo::service
