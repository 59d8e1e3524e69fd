#include <windows.h>

#include "platform/shell.h"
#include "platform/win32/wide.h"

namespace corvallo::platform {

std::string programDirectory() {
    std::wstring buffer(MAX_PATH, L'\0');
    while (true) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    auto slash = buffer.find_last_of(L"\\/");
    if (slash != std::wstring::npos) buffer.resize(slash);
    return win32::narrow(buffer);
}

}  // namespace corvallo::platform
