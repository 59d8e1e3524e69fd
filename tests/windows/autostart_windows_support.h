#pragma once
// Running Bootwire.exe from a test: a private copy in a temporary folder, started with an exact command
// line, with its message boxes found and answered from outside as a user would.

#include <windows.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/wide.h"
#include "tests/windows/temp_folder.h"

namespace corvallo::testing {

// The Bootwire.exe the build made, as a Windows path (the build passes a host path under Wine).
inline std::string builtBootwire() {
    std::string path = BOOTWIRE_PATH;
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
        for (char& c : path)
            if (c == '/') c = '\\';
    }
    return path;
}

inline bool copyFileTo(const std::string& from, const std::string& to) {
    return CopyFileW(platform::win32::widen(from).c_str(), platform::win32::widen(to).c_str(), FALSE) != FALSE;
}

struct TopWindow {
    HWND handle;
    std::string className;
    std::string title;
    bool visible;
};

inline std::string windowText(HWND window) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(window, buffer, 1024);
    return platform::win32::narrow(buffer);
}

inline std::vector<TopWindow> topWindowsOf(DWORD processId) {
    struct Search {
        DWORD processId;
        std::vector<TopWindow> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* search = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != search->processId) return TRUE;
            wchar_t className[256] = {};
            GetClassNameW(window, className, 256);
            search->found.push_back(
                {window, platform::win32::narrow(className), windowText(window), IsWindowVisible(window) != FALSE});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A message box of that process: the standard dialog class.
inline HWND findBox(DWORD processId) {
    for (const auto& window : topWindowsOf(processId))
        if (window.className == "#32770" && window.visible) return window.handle;
    return nullptr;
}

// Title and text of a message box, as one line for failure messages.
inline std::string describeBox(HWND box) {
    return "\"" + windowText(box) + "\": \"" + windowText(GetDlgItem(box, 0xFFFF)) + "\"";
}

// Presses OK as a click would (posted: a sent click would wait while the box runs its own loop).
inline void pressOk(HWND box) { PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0); }

// Whether this Wine desktop can show a message box at all: without a display it fails at once.
inline bool messageBoxesCanShow() {
    static const bool canShow = [] {
        auto returned = std::make_shared<std::atomic<bool>>(false);
        std::thread asker([returned] {
            MessageBoxW(nullptr, L"probe", L"corvallo display probe", MB_OK);
            *returned = true;
        });
        bool shown = false;
        // A box that cannot show returns at once; one that shows waits for its OK.
        for (int i = 0; i < 1000 && !shown && !*returned; ++i) {
            for (const auto& window : topWindowsOf(GetCurrentProcessId())) {
                if (window.className == "#32770" && window.title == "corvallo display probe") {
                    shown = true;
                    pressOk(window.handle);
                }
            }
            if (!shown) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        // A box that showed but was never found stays with its thread rather than hanging the tests.
        if (shown || *returned) asker.join();
        else asker.detach();
        return shown;
    }();
    return canShow;
}

// One run of a program with an exact command line.
class Process {
public:
    Process(const std::string& program, const std::string& commandLine) {
        std::wstring line = platform::win32::widen(commandLine);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        started_ = CreateProcessW(platform::win32::widen(program).c_str(), line.data(), nullptr, nullptr, FALSE, 0,
                                  nullptr, nullptr, &startup, &info_) != FALSE;
        if (started_) CloseHandle(info_.hThread);
    }
    ~Process() {
        if (!started_) return;
        // A test that failed half-way leaves nothing running.
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
        CloseHandle(info_.hProcess);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool started() const { return started_; }
    DWORD id() const { return info_.dwProcessId; }
    bool ended(DWORD waitMs) const { return WaitForSingleObject(info_.hProcess, waitMs) == WAIT_OBJECT_0; }
    DWORD exitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

    // Waits up to `limitMs` for a message box of the process; null when it ended first or none came.
    HWND waitForBox(int limitMs) const {
        for (int waited = 0; waited < limitMs; waited += 20) {
            if (HWND box = findBox(id())) return box;
            if (ended(20)) return findBox(id());
        }
        return nullptr;
    }

private:
    PROCESS_INFORMATION info_{};
    bool started_ = false;
};

}  // namespace corvallo::testing
