#pragma once
// The service's observer on the window side: workers' requests become messages posted to the main
// window, so that no worker ever touches a window.

#include <windows.h>

#include <atomic>
#include <string>

#include "service/notice_queue.h"
#include "service/observer.h"

namespace corvallo::ui {

class WindowObserver : public service::ServiceObserver {
public:
    WindowObserver();

    // User-interface thread: from now on requests go to `window` (nullptr: nowhere). Anything that
    // arrived before is passed on at once.
    void attach(HWND window);

    // Any thread. Several changes before the window gets to them make one rebuild.
    void taskListChanged() override;
    // Worker thread: waits until the notice has been shown and closed (or the stop).
    void showNotice(const std::string& caption, std::stop_token stop) override;

    // User-interface thread, on the list-changed message, before rebuilding.
    void listChangeTaken() { listChangePending_.store(false); }
    service::NoticeQueue& notices() { return notices_; }

private:
    void post(UINT message);

    std::atomic<HWND> window_{nullptr};
    std::atomic<bool> listChangePending_{false};
    std::atomic<bool> noticePending_{false};
    service::NoticeQueue notices_;
};

}  // namespace corvallo::ui
