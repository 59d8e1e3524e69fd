#include "ui/countdown_window.h"

#include <commctrl.h>

#include "service/post_action.h"
#include "ui/resources/resource_ids.h"
#include "ui/win/layout.h"

namespace corvallo::ui {

namespace {

constexpr UINT_PTR kSecondTimer = 1;
constexpr int kWidth = 300;
constexpr int kHeight = 200;

constexpr ControlSpec kLayout[] = {
    {ControlKind::Picture, CountdownWindow::kIcon, "", 13, 6, 48, 48},
    {ControlKind::Label, CountdownWindow::kTitle, service::kCountdownInitialTitle, 67, 14, 208, 32},
    {ControlKind::Label, CountdownWindow::kDescription, service::kCountdownInitialDescription, 4, 54, 282, 64},
    {ControlKind::Label, CountdownWindow::kRemaining, service::kRemainingTimeLabel, 78, 105, 133, 24},
    {ControlKind::ProgressBar, CountdownWindow::kProgress, "", 1, 131, 288, 8},
    {ControlKind::DefaultButton, CountdownWindow::kCarryOutNow, "立即执行！", 35, 152, 80, 24},
    {ControlKind::Button, CountdownWindow::kCancel, "取消", 173, 152, 80, 24},
};

}  // namespace

CountdownWindow::CountdownWindow(std::string caption, PowerFactory makePower, std::function<bool()> cancelled)
    : countdown_(std::move(caption)), makePower_(std::move(makePower)), cancelled_(std::move(cancelled)) {}

bool CountdownWindow::create(HWND owner) {
    // No title text; it stays above other windows so that the user sees what is coming.
    if (!createTopLevel(L"CorvalloCountdown", "", kWidth, kHeight, WS_POPUP | WS_BORDER,
                        WS_EX_TOPMOST | WS_EX_TOOLWINDOW, owner, IDI_CORVALLO)) {
        return false;
    }
    createControls(handle(), kLayout);
    background_.reset(static_cast<HBITMAP>(
        LoadImageW(programInstance(), MAKEINTRESOURCEW(IDB_COUNTDOWN_BACKGROUND), IMAGE_BITMAP, 0, 0, 0)));
    icon_.reset(static_cast<HICON>(LoadImageW(programInstance(), MAKEINTRESOURCEW(IDI_COUNTDOWN), IMAGE_ICON,
                                              scaled(48), scaled(48), 0)));
    SendDlgItemMessageW(handle(), kIcon, STM_SETICON, reinterpret_cast<WPARAM>(icon_.get()), 0);
    LOGFONTW bold{};
    GetObjectW(interfaceFont(), sizeof bold, &bold);
    bold.lfWeight = FW_BOLD;
    bold.lfHeight = bold.lfHeight * 4 / 3;
    titleFont_.reset(CreateFontIndirectW(&bold));
    SendDlgItemMessageW(handle(), kTitle, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.get()), FALSE);
    SendDlgItemMessageW(handle(), kProgress, PBM_SETRANGE32, 0, service::kCountdownProgressStart);
    SetTimer(handle(), kSecondTimer, 1000, nullptr);
    return true;
}

void CountdownWindow::activate() {
    countdown_.activate();
    showState();
    // Bottom right, touching the top of the taskbar: the work area's bottom, the screen's right edge.
    RECT workArea{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    RECT frame{};
    GetWindowRect(handle(), &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(handle(), nullptr, GetSystemMetrics(SM_CXSCREEN) - width, workArea.bottom - height, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CountdownWindow::showState() {
    setText(GetDlgItem(handle(), kTitle), countdown_.title());
    setText(GetDlgItem(handle(), kDescription), countdown_.description());
    setText(GetDlgItem(handle(), kRemaining), countdown_.remainingText());
    SendDlgItemMessageW(handle(), kProgress, PBM_SETPOS, static_cast<WPARAM>(countdown_.progress()), 0);
    // The labels are transparent: their old texts go only when the picture below is drawn again.
    RedrawWindow(handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CountdownWindow::tick() {
    const bool act = countdown_.tick();
    showState();
    if (act) carryOut();
}

void CountdownWindow::carryOut() {
    if (!cancelled_ || !cancelled_()) {
        std::unique_ptr<platform::Power> power = makePower_(handle());
        if (power) service::performPostAction(countdown_.caption(), *power);
    }
    DestroyWindow(handle());
}

LRESULT CountdownWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SHOWWINDOW:
            // The first activation: the caption is in place by now.
            if (wParam != FALSE && !activated_) {
                activated_ = true;
                activate();
            }
            break;
        case WM_TIMER:
            if (wParam == kSecondTimer && activated_ && !countdown_.finished()) {
                if (cancelled_ && cancelled_()) {
                    countdown_.cancel();
                    DestroyWindow(handle());
                } else {
                    tick();
                }
                return 0;
            }
            break;
        case WM_COMMAND:
            if (LOWORD(wParam) == kCarryOutNow) {
                if (countdown_.carryOutNow()) carryOut();
                return 0;
            }
            if (LOWORD(wParam) == kCancel || LOWORD(wParam) == IDCANCEL) {
                countdown_.cancel();
                DestroyWindow(handle());
                return 0;
            }
            break;
        case WM_CLOSE:
            countdown_.cancel();
            break;
        case WM_ERASEBKGND:
            if (background_) {
                HDC target = reinterpret_cast<HDC>(wParam);
                HDC source = CreateCompatibleDC(target);
                HGDIOBJ before = SelectObject(source, background_.get());
                BITMAP size{};
                GetObjectW(background_.get(), sizeof size, &size);
                RECT client{};
                GetClientRect(handle(), &client);
                SetStretchBltMode(target, HALFTONE);
                StretchBlt(target, 0, 0, client.right, client.bottom, source, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
                SelectObject(source, before);
                DeleteDC(source);
                return 1;
            }
            break;
        case WM_CTLCOLORSTATIC: {
            // Labels lie on the background picture.
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetBkMode(dc, TRANSPARENT);
            const bool title = reinterpret_cast<HWND>(lParam) == GetDlgItem(handle(), kTitle);
            SetTextColor(dc, title ? RGB(0xB0, 0x20, 0x20) : RGB(0x20, 0x20, 0x20));
            return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        }
        case WM_DESTROY:
            KillTimer(handle(), kSecondTimer);
            break;
        default:
            break;
    }
    return callDefault(message, wParam, lParam);
}

}  // namespace corvallo::ui
