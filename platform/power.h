#pragma once
// Turning the screen off, standing by, logging off, restarting and shutting down.

namespace corvallo::platform {

class Power {
public:
    virtual ~Power() = default;

    // Needs no privilege.
    virtual void turnScreenOff() = 0;
    // Enables the shut-down privilege of this process; false when it cannot be had. The four calls
    // below do nothing useful without it.
    virtual bool enableShutdownPrivilege() = 0;
    // `force` makes other programs give way instead of asking them first.
    virtual void standBy(bool force) = 0;
    virtual void logOff(bool force) = 0;
    virtual void restart(bool force) = 0;
    virtual void shutDown(bool force) = 0;  // and power off
};

}  // namespace corvallo::platform
