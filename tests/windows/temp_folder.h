#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it at the end.

#include <windows.h>

#include <string>

#include "platform/win32/wide.h"
#include "platform/win32/win32_files.h"

namespace corvallo::testing {

class TempFolder {
public:
    TempFolder() {
        wchar_t base[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, base);
        static unsigned counter = 0;
        path_ = platform::win32::narrow(base) + "corvallo-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter);
        CreateDirectoryW(platform::win32::longPath(path_).c_str(), nullptr);
    }
    ~TempFolder() { platform::win32::Win32Files().removeTree(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

}  // namespace corvallo::testing
