#include "engine/run_log.h"

namespace corvallo::engine {

void RunLog::matched() {
    std::lock_guard lock(mutex_);
    ++result_.filesMatched;
}

void RunLog::copied(std::uint64_t bytes) {
    std::lock_guard lock(mutex_);
    ++result_.filesCopied;
    result_.bytesCopied += bytes;
}

void RunLog::copyFailed(platform::FileError error) {
    std::lock_guard lock(mutex_);
    ++result_.filesFailed;
    result_.failures.push_back(std::move(error));
}

void RunLog::failed(platform::FileError error) {
    std::lock_guard lock(mutex_);
    result_.failures.push_back(std::move(error));
}

RunResult RunLog::result() const {
    std::lock_guard lock(mutex_);
    return result_;
}

}  // namespace corvallo::engine
