// Bootwire.exe: started by Corvallo's options window with one verb, it writes or removes Corvallo's
// start-at-logon entry, shows a small "please wait" window meanwhile and ends with exit code 0.

#include <windows.h>

#include <optional>
#include <string>

#include "autostart/bootwire.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_system_info.h"

namespace {

using namespace corvallo;
using platform::win32::widen;

class Win32MessageBoxes : public autostart::MessageBoxes {
public:
    void show(std::string_view title, std::string_view text, autostart::BoxIcon icon) override {
        UINT style = MB_OK | MB_TASKMODAL | (icon == autostart::BoxIcon::Error ? MB_ICONERROR : MB_ICONWARNING);
        MessageBoxW(nullptr, widen(text).c_str(), widen(title).c_str(), style);
    }
};

struct Work {
    std::string argument;
    autostart::Services& services;
    bool done = false;

    void run() {
        if (done) return;
        done = true;
        autostart::carryOut(argument, platform::programDirectory(), services);
    }
};

constexpr UINT kStartWork = WM_APP + 1;
constexpr wchar_t kWindowClass[] = L"CorvalloBootwire";
constexpr int kWidth = 398;
constexpr int kHeight = 107;

int screenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// The system's message font carries the Chinese glyphs; the stock GUI font may not.
HFONT createMessageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        RECT client{};
        GetClientRect(window, &client);
        HWND label = CreateWindowExW(0, L"STATIC", widen(autostart::kPleaseWaitText).c_str(),
                                     WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE, 0, 0, client.right,
                                     client.bottom, window, nullptr, create->hInstance, nullptr);
        if (HFONT font = createMessageFont(); font != nullptr && label != nullptr) {
            SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            SetPropW(window, L"BootwireFont", font);
        }
        return 0;
    }
    case kStartWork:
        if (auto* work = reinterpret_cast<Work*>(GetWindowLongPtrW(window, GWLP_USERDATA))) work->run();
        DestroyWindow(window);
        return 0;
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_CLOSE:
        // The work decides when the window goes.
        return 0;
    case WM_DESTROY:
        if (auto font = static_cast<HFONT>(RemovePropW(window, L"BootwireFont"))) DeleteObject(font);
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND createWindow(HINSTANCE instance, Work& work) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_WAIT);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    if (RegisterClassExW(&windowClass) == 0) return nullptr;

    int dpi = screenDpi();
    int width = MulDiv(kWidth, dpi, 96);
    int height = MulDiv(kHeight, dpi, 96);
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    return CreateWindowExW(WS_EX_DLGMODALFRAME, kWindowClass, L"", WS_POPUP | WS_CAPTION, x, y, width, height,
                           nullptr, nullptr, instance, &work);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before anything can load a DLL: no DLL from the current or the program's folder (a planted one
    // would run with administrator rights).
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    Win32MessageBoxes boxes;
    // Refused before the window exists, so that it never shows.
    std::optional<std::string> argument =
        autostart::acceptCommandLine(platform::win32::narrow(GetCommandLineW()), boxes);
    if (!argument) return 0;

    platform::win32::Win32Registry registry;
    platform::win32::Win32Shell shell;
    platform::win32::Win32SystemInfo system;
    platform::win32::Win32Files files;
    autostart::Services services{registry, shell, system, files, boxes};
    Work work{std::move(*argument), services};

    HWND window = createWindow(instance, work);
    if (window == nullptr) {
        // The window only asks the user to wait; the entry matters more.
        work.run();
        return 0;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    // Started once the window is shown and painted, not on its activation, which the system may withhold
    // while another program has the foreground.
    PostMessageW(window, kStartWork, 0, 0);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
