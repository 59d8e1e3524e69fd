#pragma once
// Driving real windows from a test: the windows live on a user-interface thread of their own, and the
// test thread finds them, clicks, reads and answers message boxes, as a user would.

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace corvallo::testing {

using namespace std::chrono_literals;

// A thread with a message loop. WM_QUIT does not end it (a closing main window posts one).
class UiThread {
public:
    UiThread();
    ~UiThread();
    UiThread(const UiThread&) = delete;
    UiThread& operator=(const UiThread&) = delete;

    // Runs `action` on the thread and waits for it; works while the thread shows a modal window too.
    void run(const std::function<void()>& action);
    // Returns once the thread has handled every message posted to it before this call (clicks are
    // posted; run() alone does not wait for them, since sent messages overtake posted ones).
    void flush();
    DWORD id() const { return threadId_; }

private:
    static LRESULT CALLBACK helperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    std::atomic<bool> ending_{false};
    std::thread thread_;
    DWORD threadId_ = 0;
    HWND helper_ = nullptr;
};

// Polls `condition` until it holds or the time is up.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 5s);

// The thread's visible top-level windows of this class ("#32770" for message boxes, "#32768" for menus).
std::vector<HWND> windowsOfThread(DWORD threadId, const wchar_t* className);
HWND waitForWindow(DWORD threadId, const wchar_t* className, std::chrono::milliseconds timeout = 5s);

std::string windowText(HWND window);
HWND childWithText(HWND parent, const std::string& text);
// Posts a click: a sent one would block while the click opens a message box.
void click(HWND button);
void postCommand(HWND window, int command);

struct MessageBoxSeen {
    HWND window = nullptr;
    std::string caption;
    std::string text;
};
std::optional<MessageBoxSeen> waitForMessageBox(DWORD threadId, std::chrono::milliseconds timeout = 5s);
// IDOK or IDCANCEL; returns when the box has gone.
void answer(const MessageBoxSeen& box, int button);

// The texts of every row of a report list view, column by column.
std::vector<std::vector<std::string>> listRows(HWND list, int columns);
bool rowTicked(HWND list, int row);
void setRowTicked(HWND list, int row, bool ticked);
void selectRow(HWND list, int row);

// The entries of a popup menu window ("#32768"), separators as "".
std::vector<std::string> menuWindowEntries(HWND menuWindow);

// Saves what the screen shows of `window` as a BMP into the folder CORVALLO_SCREENSHOT_DIR names
// (the build's screenshots folder when it is unset). For people to look at, not compared.
void saveScreenshot(HWND window, const std::string& name);

}  // namespace corvallo::testing
