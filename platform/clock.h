#pragma once
// The local date and time, and waits that a stop request ends early.

#include <chrono>
#include <stop_token>

namespace corvallo::platform {

struct LocalTime {
    int year = 0;
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int dayOfWeek = 0;  // 1 = Sunday .. 7 = Saturday
    bool operator==(const LocalTime&) const = default;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime now() = 0;
    // Waits `duration`; returns false at once when a stop is requested, true when the time has passed.
    virtual bool waitFor(std::chrono::milliseconds duration, std::stop_token stop) = 0;
};

}  // namespace corvallo::platform
