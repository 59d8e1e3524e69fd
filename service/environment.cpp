#include "service/environment.h"

namespace corvallo::service {

std::jthread startPlainThread(std::function<void()> body) { return std::jthread(std::move(body)); }

std::chrono::milliseconds steadyNow() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
}

}  // namespace corvallo::service
