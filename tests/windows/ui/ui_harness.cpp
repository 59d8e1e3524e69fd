#include "tests/windows/ui/ui_harness.h"

#include <commctrl.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>

#include "platform/win32/wide.h"

namespace corvallo::testing {

using platform::win32::narrow;
using platform::win32::widen;

namespace {

constexpr UINT kRunAction = WM_APP + 100;
constexpr UINT kFlushed = WM_APP + 101;

}  // namespace

UiThread::UiThread() {
    std::promise<void> ready;
    thread_ = std::thread([this, &ready] {
        threadId_ = GetCurrentThreadId();
        helper_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        SetWindowLongPtrW(helper_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&UiThread::helperProc));
        ready.set_value();
        MSG message;
        while (!ending_.load()) {
            const BOOL got = GetMessageW(&message, nullptr, 0, 0);
            if (got < 0) break;
            if (got == 0) continue;  // a main window's WM_QUIT
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        DestroyWindow(helper_);
    });
    ready.get_future().wait();
}

UiThread::~UiThread() {
    ending_.store(true);
    PostMessageW(helper_, WM_NULL, 0, 0);
    thread_.join();
}

LRESULT CALLBACK UiThread::helperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunAction) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 0;
    }
    if (message == kFlushed) {
        reinterpret_cast<std::promise<void>*>(lParam)->set_value();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void UiThread::run(const std::function<void()>& action) {
    SendMessageW(helper_, kRunAction, 0, reinterpret_cast<LPARAM>(&action));
}

void UiThread::flush() {
    std::promise<void> flushed;
    PostMessageW(helper_, kFlushed, 0, reinterpret_cast<LPARAM>(&flushed));
    flushed.get_future().wait();
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        Sleep(20);
    }
}

std::vector<HWND> windowsOfThread(DWORD threadId, const wchar_t* className) {
    struct Search {
        const wchar_t* className;
        std::vector<HWND> found;
    } search{className, {}};
    EnumThreadWindows(
        threadId,
        [](HWND window, LPARAM context) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(context);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (IsWindowVisible(window) && lstrcmpiW(name, s.className) == 0) s.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForWindow(DWORD threadId, const wchar_t* className, std::chrono::milliseconds timeout) {
    HWND found = nullptr;
    waitUntil(
        [&] {
            const std::vector<HWND> windows = windowsOfThread(threadId, className);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr;
        },
        timeout);
    return found;
}

std::string windowText(HWND window) {
    wchar_t text[2048] = {};
    SendMessageW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    return narrow(text);
}

HWND childWithText(HWND parent, const std::string& text) {
    struct Search {
        std::string text;
        HWND found = nullptr;
    } search{text};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM context) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(context);
            if (windowText(child) == s.text) {
                s.found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void click(HWND control) {
    wchar_t name[32] = {};
    GetClassNameW(control, name, 32);
    if (lstrcmpiW(name, L"Static") == 0) {
        // A label that acts as a link answers the mouse, not BM_CLICK.
        PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        return;
    }
    PostMessageW(control, BM_CLICK, 0, 0);
}

void postCommand(HWND window, int command) { PostMessageW(window, WM_COMMAND, MAKEWPARAM(command, 0), 0); }

std::optional<MessageBoxSeen> waitForMessageBox(DWORD threadId, std::chrono::milliseconds timeout) {
    HWND box = waitForWindow(threadId, L"#32770", timeout);
    if (box == nullptr) return std::nullopt;
    MessageBoxSeen seen{box, windowText(box), {}};
    // The box's text is the static control with id 65535 (0xFFFF).
    if (HWND text = GetDlgItem(box, 0xFFFF)) seen.text = windowText(text);
    return seen;
}

void answer(const MessageBoxSeen& box, int button) {
    if (HWND control = GetDlgItem(box.window, button)) click(control);
    waitUntil([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); });
}

std::vector<std::vector<std::string>> listRows(HWND list, int columns) {
    std::vector<std::vector<std::string>> rows;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < columns; ++column) {
            wchar_t text[512] = {};
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = static_cast<int>(std::size(text));
            SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
            cells.push_back(narrow(text));
        }
        rows.push_back(std::move(cells));
    }
    return rows;
}

bool rowTicked(HWND list, int row) {
    const auto state = static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
    return (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

void setRowTicked(HWND list, int row, bool ticked) {
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(ticked ? 2 : 1);
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void selectRow(HWND list, int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::vector<std::string> menuWindowEntries(HWND menuWindow) {
    std::vector<std::string> entries;
    auto menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    if (menu == nullptr) return entries;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[256] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
        entries.push_back(narrow(text));
    }
    return entries;
}

void saveScreenshot(HWND window, const std::string& name) {
    const char* folder = std::getenv("CORVALLO_SCREENSHOT_DIR");
#ifdef CORVALLO_SCREENSHOTS
    if (folder == nullptr || *folder == '\0') folder = CORVALLO_SCREENSHOTS;
#endif
    if (folder == nullptr || *folder == '\0') return;
    std::string path = folder;
    if (!path.empty() && path.front() == '/') {
        // A host path, as the build passes it: Wine shows the host's root as drive Z:.
        for (char& c : path) c = c == '/' ? '\\' : c;
        path = "Z:" + path;
    }
    CreateDirectoryW(widen(path).c_str(), nullptr);
    path += "\\" + name + ".bmp";

    // Let the window finish painting first.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(200);
    RECT frame{};
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    if (width <= 0 || height <= 0) return;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ before = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD size = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + size;
    std::ofstream out(std::filesystem::path(widen(path)), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), size);
    SelectObject(memory, before);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

}  // namespace corvallo::testing
