#include "ui/hotkey_list_window.h"

#include "ui/resources/resource_ids.h"
#include "ui/win/layout.h"

namespace corvallo::ui {

namespace {

constexpr ControlSpec kLayout[] = {
    {ControlKind::Label, HotkeyListWindow::kText, "显示主窗口：   Ctrl + Alt + 1", 20, 48, 312, 24},
    {ControlKind::DefaultButton, HotkeyListWindow::kOk, "确定", 280, 112, 80, 32},
};

}  // namespace

bool HotkeyListWindow::create(HWND owner) {
    if (!createModalFrame(L"CorvalloHotkeys", "快捷键列表", 380, 183, owner, IDI_CORVALLO)) {
        return false;
    }
    createControls(handle(), kLayout);
    return true;
}

LRESULT HotkeyListWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && (LOWORD(wParam) == kOk || LOWORD(wParam) == IDCANCEL)) {
        DestroyWindow(handle());
        return 0;
    }
    return callDefault(message, wParam, lParam);
}

}  // namespace corvallo::ui
