#pragma once

#include "platform/clock.h"

namespace corvallo::platform::win32 {

class Win32Clock : public Clock {
public:
    LocalTime now() override;
    bool waitFor(std::chrono::milliseconds duration, std::stop_token stop) override;
};

}  // namespace corvallo::platform::win32
