#include "ui/about_window.h"

#include "ui/resources/resource_ids.h"
#include "ui/win/layout.h"

namespace corvallo::ui {

namespace {

constexpr const char* kAboutText =
    "Pennavo（Corvallo） v1.1.43.101 build20140815\r\n"
    "\r\n"
    "方便好用的自动备份软件，帮助保护您的重要数据安全！\r\n"
    "\r\n"
    "作者：Pennavo 工作室\r\n"
    "欢迎访问作者的博客，提出您的意见和建议。";

constexpr ControlSpec kLayout[] = {
    {ControlKind::Picture, AboutWindow::kIcon, "", 8, 8, 48, 48},
    {ControlKind::Label, AboutWindow::kText, kAboutText, 64, 8, 384, 120},
    {ControlKind::Link, AboutWindow::kWebLink, "访问作者的博客", 71, 137, 296, 24},
    {ControlKind::Link, AboutWindow::kMailLink, "给作者写信", 71, 163, 296, 24},
    {ControlKind::DefaultButton, AboutWindow::kOk, "确定", 344, 196, 105, 24},
};

}  // namespace

bool AboutWindow::create(HWND owner) {
    if (!createModalFrame(L"CorvalloAbout", "关于 Pennavo（Corvallo）", 477, 251, owner, IDI_CORVALLO)) {
        return false;
    }
    createControls(handle(), kLayout);
    icon_.reset(static_cast<HICON>(LoadImageW(programInstance(), MAKEINTRESOURCEW(IDI_CORVALLO), IMAGE_ICON,
                                              scaled(48), scaled(48), 0)));
    SendDlgItemMessageW(handle(), kIcon, STM_SETICON, reinterpret_cast<WPARAM>(icon_.get()), 0);
    links_.apply(handle(), kWebLink);
    links_.apply(handle(), kMailLink);
    return true;
}

LRESULT AboutWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case kWebLink: openLink_(kProductWebPage); return 0;
                case kMailLink: openLink_(kMakerMail); return 0;
                case kOk:
                case IDCANCEL: DestroyWindow(handle()); return 0;
                default: break;
            }
            break;
        case WM_CTLCOLORSTATIC:
            if (LRESULT brush = links_.color(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam))) return brush;
            break;
        case WM_SETCURSOR:
            if (links_.setCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
            break;
        default:
            break;
    }
    return callDefault(message, wParam, lParam);
}

}  // namespace corvallo::ui
