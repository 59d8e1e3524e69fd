#pragma once
// The countdown notices that workers ask for, shown one at a time by the user-interface thread while
// each asking worker waits. A user interface implements ServiceObserver::showNotice with show().

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <stop_token>
#include <string>

namespace corvallo::service {

class NoticeQueue {
public:
    struct Notice {
        std::uint64_t id = 0;
        std::string caption;
    };

    // `wake` runs on the asking worker's thread each time a notice is queued; it posts a message to the
    // user-interface thread, which then calls next().
    explicit NoticeQueue(std::function<void()> wake);

    // Worker thread: queues the notice and waits until the user interface has closed it. On a stop it
    // returns false at once: a notice not yet shown is dropped, an open one is marked cancelled.
    bool show(std::string caption, std::stop_token stop);

    // User-interface thread: the next notice to open; none while one is open or when none waits.
    std::optional<Notice> next();
    // User-interface thread: whether the worker of an open notice was stopped meanwhile; the window then
    // closes without its action. Ask again right before acting.
    bool cancelled(std::uint64_t id) const;
    // User-interface thread: the window of this notice has closed. Lets its worker go on; then call
    // next() for the one after it.
    void closed(std::uint64_t id);

private:
    std::function<void()> wake_;
    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    std::deque<Notice> waiting_;
    std::optional<std::uint64_t> open_;
    std::set<std::uint64_t> closed_;     // closed, their worker not yet gone on
    std::set<std::uint64_t> cancelled_;  // the open one's worker was stopped
    std::uint64_t nextId_ = 1;
};

}  // namespace corvallo::service
