#include "ui/elevation_notice_window.h"

#include "ui/resources/resource_ids.h"
#include "ui/win/layout.h"

namespace corvallo::ui {

namespace {

constexpr const char* kExplanationText =
    "由于较新版本Windows系统的限制，Corvallo设置开机启动需要使用管理员权限，点击本提示框的“确定”按钮将会弹出系统的"
    "授权提醒窗口，请点击上面的“是”按钮授予Corvallo相应的权限，如果您不授予权限，则Corvallo的某些功能可能会不正常。";

constexpr ControlSpec kLayout[] = {
    {ControlKind::Picture, ElevationNoticeWindow::kIcon, "", 8, 8, 48, 48},
    {ControlKind::Label, ElevationNoticeWindow::kHeading, "打开“选项”功能需要获得管理员权限！", 65, 6, 327, 24},
    {ControlKind::Label, ElevationNoticeWindow::kExplanation, kExplanationText, 64, 38, 347, 66},
    {ControlKind::CheckBox, ElevationNoticeWindow::kDoNotShowAgain, "下次不再显示本提示", 11, 115, 165, 24},
    {ControlKind::DefaultButton, ElevationNoticeWindow::kOk, "确定", 304, 119, 88, 24},
};

}  // namespace

bool ElevationNoticeWindow::create(HWND owner) {
    if (!createModalFrame(L"CorvalloElevationNotice", "授权请求", 426, 183, owner, IDI_CORVALLO)) {
        return false;
    }
    createControls(handle(), kLayout);
    // The system's warning sign: what follows is a question from the system, not from us.
    // Shared with the system, so not ours to destroy.
    HICON icon = static_cast<HICON>(LoadImageW(nullptr, IDI_WARNING, IMAGE_ICON, scaled(48), scaled(48), LR_SHARED));
    SendDlgItemMessageW(handle(), kIcon, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    return true;
}

void ElevationNoticeWindow::confirm() {
    const bool ticked = IsDlgButtonChecked(handle(), kDoNotShowAgain) == BST_CHECKED;
    // Like every settings write, its result is not examined: the notice then simply shows again.
    settingsFile_.writeValues({{kDoNotTellMeKey, ticked ? "1" : "0"}});
    DestroyWindow(handle());
}

LRESULT ElevationNoticeWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Escape closes it as the title bar does: nothing is written.
    if (routeOkCancel(message, wParam, kOk, IDCANCEL, [this] { confirm(); })) return 0;
    return callDefault(message, wParam, lParam);
}

}  // namespace corvallo::ui
