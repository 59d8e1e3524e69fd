#pragma once
// How workers tell the user-interface side what they need. Workers never touch windows.

#include <stop_token>
#include <string>

namespace corvallo::service {

class ServiceObserver {
public:
    virtual ~ServiceObserver() = default;

    // A worker changed the task list or wrote the task file; the list view wants rebuilding. Called on
    // worker threads, several at a time, sometimes while the service holds its locks: it must only post
    // a message to the user-interface thread and return, never call back into the service.
    virtual void taskListChanged() = 0;

    // A worker wants the countdown notice with this caption (see caption.h) and waits here until it has
    // closed. Requests from several workers are shown one after another (notice_queue.h does that).
    // Returns early when `stop` is requested; a stopped worker's notice then closes without its action.
    // Called on a worker thread holding no lock of the service.
    virtual void showNotice(const std::string& caption, std::stop_token stop) = 0;
};

}  // namespace corvallo::service
