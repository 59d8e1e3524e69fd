#pragma once
// The shell interface on ShellExecuteExW, the known-folder functions, SHChangeNotify and
// SHBrowseForFolderW.

#include "platform/shell.h"

namespace corvallo::platform::win32 {

// Any thread may call it: COM is set up for the call when the thread has not done so itself.
class Win32Shell : public Shell {
public:
    bool openLink(std::string_view url) override;
    bool startElevated(std::string_view programPath, std::string_view argument) override;
    std::string startupFolder() override;
    void notifyChange(ShellChange change, std::string_view path) override;
    std::string programDirectory() override;
    std::optional<std::string> browseForFolder(void* ownerWindow, std::string_view title) override;
};

}  // namespace corvallo::platform::win32
