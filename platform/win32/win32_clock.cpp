#include "platform/win32/win32_clock.h"

#include <windows.h>

#include <condition_variable>
#include <mutex>

namespace corvallo::platform::win32 {

LocalTime Win32Clock::now() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wDayOfWeek + 1};
}

bool Win32Clock::waitFor(std::chrono::milliseconds duration, std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    wake.wait_for(lock, stop, duration, [] { return false; });
    return !stop.stop_requested();
}

}  // namespace corvallo::platform::win32
