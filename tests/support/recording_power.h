#pragma once
// A Power that only writes down what it was asked to do.

#include <string>
#include <vector>

#include "platform/power.h"

namespace corvallo::testing {

class RecordingPower : public platform::Power {
public:
    // "screen off", "privilege", "stand by", "log off", "restart", "shut down"; a forced call ends in " forced".
    std::vector<std::string> calls;
    bool privilegeGranted = true;

    void turnScreenOff() override { calls.push_back("screen off"); }
    bool enableShutdownPrivilege() override {
        calls.push_back("privilege");
        return privilegeGranted;
    }
    void standBy(bool force) override { record("stand by", force); }
    void logOff(bool force) override { record("log off", force); }
    void restart(bool force) override { record("restart", force); }
    void shutDown(bool force) override { record("shut down", force); }

private:
    void record(const char* what, bool force) { calls.push_back(std::string(what) + (force ? " forced" : "")); }
};

}  // namespace corvallo::testing
