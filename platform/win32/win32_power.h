#pragma once

#include "platform/power.h"

namespace corvallo::platform::win32 {

// Results of the system calls are not looked at: a refused action (another program blocks the log-off)
// simply does not happen.
class Win32Power : public Power {
public:
    // `screenWindow` (an HWND) receives the screen-off request; any top-level window of ours will do,
    // hidden or not. Without one the request is posted to every top-level window.
    explicit Win32Power(void* screenWindow = nullptr) : screenWindow_(screenWindow) {}

    void turnScreenOff() override;
    bool enableShutdownPrivilege() override;
    void standBy(bool force) override;
    void logOff(bool force) override;
    void restart(bool force) override;
    void shutDown(bool force) override;

private:
    void* screenWindow_;
};

}  // namespace corvallo::platform::win32
