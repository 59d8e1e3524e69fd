#include "platform/win32/win32_power.h"

#include <windows.h>
#include <powrprof.h>

namespace corvallo::platform::win32 {

namespace {

constexpr LPARAM kMonitorOff = 2;

void exitWindows(UINT flags, bool force) {
    ExitWindowsEx(flags | (force ? EWX_FORCE : 0u), 0);
}

}  // namespace

void Win32Power::turnScreenOff() {
    if (screenWindow_ != nullptr) {
        // Our own window: DefWindowProc handles it even while the window is hidden. The timeout keeps a
        // caller on another thread from hanging on a busy user-interface thread.
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(static_cast<HWND>(screenWindow_), WM_SYSCOMMAND, SC_MONITORPOWER, kMonitorOff,
                            SMTO_ABORTIFHUNG, 2000, &ignored);
        return;
    }
    // Posted, not sent: a hung window elsewhere must not hang us.
    PostMessageW(HWND_BROADCAST, WM_SYSCOMMAND, SC_MONITORPOWER, kMonitorOff);
}

bool Win32Power::enableShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool enabled = false;
    if (LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
        // AdjustTokenPrivileges succeeds without granting when the user lacks the privilege; only the
        // error code right after it tells (ERROR_NOT_ALL_ASSIGNED).
        SetLastError(ERROR_SUCCESS);
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        enabled = GetLastError() == ERROR_SUCCESS;
    }
    CloseHandle(token);
    return enabled;
}

void Win32Power::standBy(bool force) {
    // Sleep, not hibernate; wake-up events stay enabled. Windows ignores the force flag since Vista.
    SetSuspendState(FALSE, force ? TRUE : FALSE, FALSE);
}

void Win32Power::logOff(bool force) { exitWindows(EWX_LOGOFF, force); }

void Win32Power::restart(bool force) { exitWindows(EWX_REBOOT, force); }

void Win32Power::shutDown(bool force) { exitWindows(EWX_POWEROFF, force); }

}  // namespace corvallo::platform::win32
