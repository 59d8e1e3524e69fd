#include "platform/win32/win32_system_info.h"

#include <windows.h>

namespace corvallo::platform::win32 {

WindowsVersion actualWindowsVersion() {
    // RtlGetVersion is not subject to the manifest's compatibility section; it has no import library.
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr) return {};
    auto rtlGetVersion =
        reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
    if (rtlGetVersion == nullptr) return {};
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (rtlGetVersion(&info) != 0) return {};
    return {static_cast<int>(info.dwMajorVersion), static_cast<int>(info.dwMinorVersion)};
}

int Win32SystemInfo::windowsVersionCode() {
    return windowsVersionCodeFor(asSeenByUndeclaredPrograms(actualWindowsVersion()));
}

bool Win32SystemInfo::isProcessElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation{};
    DWORD returned = 0;
    BOOL read = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &returned);
    CloseHandle(token);
    return read && returned == sizeof elevation && elevation.TokenIsElevated != 0;
}

}  // namespace corvallo::platform::win32
