#include "ui/tray_icon.h"

#include <shellapi.h>

#include <cwchar>

#include "platform/win32/wide.h"
#include "ui/resources/resource_ids.h"
#include "ui/win/window.h"

namespace corvallo::ui {

using platform::win32::widen;

namespace {

HICON loadSmallIcon(int id) {
    return static_cast<HICON>(LoadImageW(programInstance(), MAKEINTRESOURCEW(id), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
}

}  // namespace

TrayIcon::TrayIcon(HWND owner, UINT callbackMessage)
    : owner_(owner),
      callbackMessage_(callbackMessage),
      idle_(loadSmallIcon(IDI_TRAY_IDLE)),
      activeIcon_(loadSmallIcon(IDI_TRAY_ACTIVE)) {}

TrayIcon::~TrayIcon() { remove(); }

bool TrayIcon::send(DWORD message) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner_;
    data.uID = 1;
    data.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    data.uCallbackMessage = callbackMessage_;
    data.hIcon = active_ ? activeIcon_.get() : idle_.get();
    const std::wstring tip = widen(tip_);
    wcsncpy(data.szTip, tip.c_str(), std::size(data.szTip) - 1);
    return Shell_NotifyIconW(message, &data) != FALSE;
}

void TrayIcon::show(bool active, const std::string& tip) {
    active_ = active;
    tip_ = tip;
    if (added_ && send(NIM_MODIFY)) return;
    added_ = send(NIM_ADD);
}

void TrayIcon::restore() {
    added_ = false;
    added_ = send(NIM_ADD);
}

void TrayIcon::remove() {
    if (!added_) return;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner_;
    data.uID = 1;
    Shell_NotifyIconW(NIM_DELETE, &data);
    added_ = false;
}

}  // namespace corvallo::ui
