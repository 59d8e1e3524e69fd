#pragma once
// Which Windows this is and whether the process holds administrator rights.

namespace corvallo::platform {

struct WindowsVersion {
    int major = 0;
    int minor = 0;
};

// 1 to 6 for Windows 5.0, 5.1, 5.2, 6.0, 6.1 and 6.2; -1 for any other version. Codes above 3 mean a
// Windows with user account control; -1 is treated as one without wherever codes are compared with 3.
int windowsVersionCodeFor(WindowsVersion version);

// Windows 8.1 and later tell a program whose manifest does not name them that they are 6.2. Both programs
// take their code from that view, whatever their manifests say, so every Windows after 6.2 counts as 6.2
// (code 6, with user account control) instead of falling out of the table as -1.
WindowsVersion asSeenByUndeclaredPrograms(WindowsVersion actual);

class SystemInfo {
public:
    virtual ~SystemInfo() = default;

    // windowsVersionCodeFor(asSeenByUndeclaredPrograms(the running Windows)).
    virtual int windowsVersionCode() = 0;
    // True only when the process token says it is elevated; false when the token cannot be read.
    virtual bool isProcessElevated() = 0;
};

}  // namespace corvallo::platform
