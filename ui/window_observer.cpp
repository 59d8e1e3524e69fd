#include "ui/window_observer.h"

#include "ui/commands.h"

namespace corvallo::ui {

WindowObserver::WindowObserver()
    : notices_([this] {
          noticePending_.store(true);
          post(kNoticeWantedMessage);
      }) {}

void WindowObserver::attach(HWND window) {
    window_.store(window);
    if (window == nullptr) return;
    if (listChangePending_.load()) PostMessageW(window, kListChangedMessage, 0, 0);
    if (noticePending_.load()) PostMessageW(window, kNoticeWantedMessage, 0, 0);
}

void WindowObserver::taskListChanged() {
    if (listChangePending_.exchange(true)) return;
    post(kListChangedMessage);
}

void WindowObserver::showNotice(const std::string& caption, std::stop_token stop) {
    notices_.show(caption, std::move(stop));
}

void WindowObserver::post(UINT message) {
    if (HWND window = window_.load()) PostMessageW(window, message, 0, 0);
}

}  // namespace corvallo::ui
