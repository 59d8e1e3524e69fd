#pragma once

#include "platform/system_info.h"

namespace corvallo::platform::win32 {

class Win32SystemInfo : public SystemInfo {
public:
    int windowsVersionCode() override;
    bool isProcessElevated() override;
};

// The running Windows as it is, not as GetVersion reports it to this program (which depends on the
// Windows versions our manifest names); {0, 0} when it cannot be had.
WindowsVersion actualWindowsVersion();

}  // namespace corvallo::platform::win32
