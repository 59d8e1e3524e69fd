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
// Runs. Besides its workers a task can have a run started by hand (BackupService::runTaskNow), on a
// thread of its own that the registry owns and joins like a worker's. Whoever runs a task (a run by
// hand, a scheduled or an interval worker in its turn) first claims the task's run here and gives it
// back when done, so a task never has two runs under way at once; a stopped run keeps its claim until
// its thread has left the run (it finishes the file in hand first).
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
    std::stop_token stop;      // requested by stop(), or by stopManual() for a run by hand
    // A run started by hand: not a worker of the task (`kind` means nothing, `token` is in no task) and
    // it holds the task's run from before its thread starts.
    bool manual = false;
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
    // Every worker and every run by hand.
    void stopAll();

    // Worker thread: the worker's work is over and it is gone (a scheduled worker after its end).
    void ended(WorkerHandle token);
    // Worker thread: an interval worker's run is over; it counts its steps from 0 again.
    void waitAgain(WorkerHandle token);
    // Worker thread: a scheduled worker starts its run; no other worker of the task runs in this minute.
    void runStarts(const Activation& activation);

    // User-interface thread: claims the task's run and starts a thread for a run by hand (`body` with a
    // manual Activation). False, and nothing started, when a run of the task is under way. Throws
    // std::system_error when the thread cannot be started (the claim is given back).
    bool startManual(std::int32_t taskId, const platform::LocalTime& now);
    // Requests the stop of the task's run by hand, if it has one.
    void stopManual(std::int32_t taskId);
    // Worker thread: a scheduled or interval worker claims its task's run; false when a run of the task
    // is under way.
    bool claimRun(std::int32_t taskId);
    // Worker thread: the holder of the task's run is done with it.
    void releaseRun(std::int32_t taskId);
    // Whether a run of the task is under way. Any thread.
    bool running(std::int32_t taskId) const;

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
    // A claimed run; only a run by hand can be stopped through it.
    struct Claim {
        bool manual = false;
        std::stop_source stop;
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
    // Under the lock: a thread running the body, kept in threads_; throws std::system_error.
    void startBodyThread(const Activation& activation, bool wakeWhenDone);
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
    std::map<std::int32_t, Claim> runs_;     // per task id, its run under way
    std::vector<Thread> threads_;            // started, not yet joined
    std::stop_source wake_;                  // cuts the timer's current wait short
    bool closing_ = false;
    std::atomic<WorkerHandle> nextToken_{1};
    std::jthread timer_;  // last: started when everything above exists
};

}  // namespace corvallo::service
