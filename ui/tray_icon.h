#pragma once
// The program's icon in the notification area. It comes back when Explorer restarts.

#include <windows.h>

#include <string>

#include "ui/win/handles.h"

namespace corvallo::ui {

class TrayIcon {
public:
    // Mouse events on the icon come to `owner` as `callbackMessage` (lParam: the mouse message).
    TrayIcon(HWND owner, UINT callbackMessage);
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Shows the icon with this picture and tip, adding it when it is not there yet.
    void show(bool active, const std::string& tip);
    // Explorer has restarted ("TaskbarCreated"): the icon must be added again.
    void restore();
    void remove();

    const std::string& tip() const { return tip_; }
    bool active() const { return active_; }
    bool shown() const { return added_; }

private:
    bool send(DWORD message);

    HWND owner_;
    UINT callbackMessage_;
    OwnedIcon idle_;
    OwnedIcon activeIcon_;
    std::string tip_;
    bool active_ = false;
    bool added_ = false;
};

}  // namespace corvallo::ui
