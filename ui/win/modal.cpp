#include "ui/win/modal.h"

#include "ui/win/window.h"

namespace corvallo::ui {

void runModal(Window& window, HWND owner) {
    const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    // Centred over the owner, or the screen when the owner is hidden; a window may place itself after.
    RECT frame{};
    GetWindowRect(window.handle(), &frame);
    RECT area{};
    if (owner == nullptr || !IsWindowVisible(owner) || !GetWindowRect(owner, &area)) {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window.handle(), nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window.handle(), SW_SHOW);
    SetForegroundWindow(window.handle());
    MSG message;
    while (window.exists()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got < 0) break;
        if (window.exists() && IsDialogMessageW(window.handle(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // Before the modal window is gone for good, so that the owner gets the activation back.
    if (ownerWasEnabled && IsWindow(owner)) EnableWindow(owner, TRUE);
    if (window.exists()) DestroyWindow(window.handle());
    if (ownerWasEnabled && IsWindow(owner) && IsWindowVisible(owner)) SetForegroundWindow(owner);
}

}  // namespace corvallo::ui
