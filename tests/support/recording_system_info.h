#pragma once
// A SystemInfo that answers what the test set and notes whether the token was asked about.

#include "platform/system_info.h"

namespace corvallo::testing {

class RecordingSystemInfo : public platform::SystemInfo {
public:
    int versionCode = 6;
    bool elevated = true;
    bool elevationAsked = false;

    int windowsVersionCode() override { return versionCode; }
    bool isProcessElevated() override {
        elevationAsked = true;
        return elevated;
    }
};

}  // namespace corvallo::testing
