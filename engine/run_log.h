#pragma once
// What a run did, as the caller gets it back, and the thread-safe tally it is collected in.

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/file_error.h"

namespace corvallo::engine {

struct RunResult {
    std::uint64_t filesMatched = 0;  // matches found by the walk; a file matching two patterns counts twice
    std::uint64_t filesCopied = 0;   // copies completed, one per match and destination
    std::uint64_t filesFailed = 0;   // copies that did not complete (a stop is not a failure)
    std::uint64_t bytesCopied = 0;
    double seconds = 0;
    bool stopped = false;
    // Everything that went wrong, each naming the operation, the path and the reason (describe()):
    // failed copies, and also folders that could not be listed, archives and old runs that could not
    // be removed.
    std::vector<platform::FileError> failures;

    bool succeeded() const { return failures.empty() && !stopped; }
};

class RunLog {
public:
    void matched();
    void copied(std::uint64_t bytes);
    void copyFailed(platform::FileError error);
    void failed(platform::FileError error);  // something other than one file's copy
    RunResult result() const;

private:
    mutable std::mutex mutex_;
    RunResult result_;
};

}  // namespace corvallo::engine
