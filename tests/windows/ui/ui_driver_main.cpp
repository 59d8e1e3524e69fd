// ui_driver.exe: drives a running Corvallo from outside, on the same Wine desktop, for the
// end-to-end script. Exit code 0 when the command did what it says, 1 when not, 2 on misuse.
//
//   wait TITLE [MS]            a top-level window with this title exists (hidden or not)
//   wait-visible TITLE [MS]    ... and is visible
//   wait-gone TITLE [MS]       no such window exists
//   hidden TITLE               the window exists and is hidden
//   screenshot TITLE NAME      saves what the screen shows of the window (see saveScreenshot)
#include <windows.h>

#include <cstdio>
#include <chrono>
#include <string>

#include "platform/win32/wide.h"
#include "tests/windows/ui/ui_harness.h"

using namespace corvallo;
using namespace std::chrono_literals;

namespace {

HWND find(const std::wstring& title) { return FindWindowW(nullptr, title.c_str()); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fputs("usage: ui_driver COMMAND TITLE [ARG]\n", stderr);
        return 2;
    }
    const std::wstring command = argv[1];
    const std::wstring title = argv[2];
    const auto timeout = std::chrono::milliseconds(argc > 3 ? _wtoi(argv[3]) : 10000);

    if (command == L"wait") return testing::waitUntil([&] { return find(title) != nullptr; }, timeout) ? 0 : 1;
    if (command == L"wait-visible") {
        return testing::waitUntil([&] { return IsWindowVisible(find(title)) != FALSE; }, timeout) ? 0 : 1;
    }
    if (command == L"wait-gone") return testing::waitUntil([&] { return find(title) == nullptr; }, timeout) ? 0 : 1;
    if (command == L"hidden") {
        HWND window = find(title);
        return window != nullptr && !IsWindowVisible(window) ? 0 : 1;
    }
    if (command == L"screenshot" && argc > 3) {
        HWND window = find(title);
        if (window == nullptr) return 1;
        testing::saveScreenshot(window, platform::win32::narrow(argv[3]));
        return 0;
    }
    std::fputs("ui_driver: unknown command\n", stderr);
    return 2;
}
