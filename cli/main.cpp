// corvctl.exe: UTF-16 command line in, UTF-8 out (wide writes when the output is a console).
#include <windows.h>

#include <iostream>
#include <sstream>

#include "cli/corvctl.h"
#include "platform/shell.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_files.h"

namespace {

void write(DWORD which, const std::string& utf8) {
    HANDLE handle = GetStdHandle(which);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr || utf8.empty()) return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        std::wstring wide = corvallo::platform::win32::widen(utf8);
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    }
}

std::stop_source stopRequest;

// Ctrl+C or Ctrl+Break stops a run at once; no partly copied file is left behind.
BOOL WINAPI onConsoleBreak(DWORD kind) {
    if (kind != CTRL_C_EVENT && kind != CTRL_BREAK_EVENT) return FALSE;
    stopRequest.request_stop();
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(corvallo::platform::win32::narrow(argv[i]));
    corvallo::platform::win32::Win32Files files;
    corvallo::platform::win32::Win32Clock clock;
    SetConsoleCtrlHandler(onConsoleBreak, TRUE);
    std::ostringstream out, err;
    corvallo::cli::Environment environment{files, corvallo::platform::programDirectory(), out, err, &clock,
                                           stopRequest.get_token()};
    int code = corvallo::cli::runCorvctl(arguments, environment);
    write(STD_OUTPUT_HANDLE, out.str());
    write(STD_ERROR_HANDLE, err.str());
    return code;
}
