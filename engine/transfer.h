#pragma once
// Copying one file to the name the walk gave it: under a temporary name first, renamed when complete,
// so a failed or stopped copy never leaves a truncated file under the real name.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "engine/folder_chain.h"
#include "engine/run_log.h"
#include "platform/clock.h"
#include "platform/files.h"

namespace corvallo::engine {

// Temporary copies end in this; one that outlives a crash is safe to delete.
inline constexpr std::string_view kTemporarySuffix = ".corvtmp";

struct CopyJob {
    std::string source;
    std::string folder;  // the target folder, with a trailing "\"
    std::string name;    // reserved in `folder` for this copy
};

// What every copy of one run shares. Thread-safe.
struct CopyContext {
    platform::Files& files;
    platform::Clock& clock;
    std::stop_token stop;
    TargetFolders& targets;
    RunLog& log;
    // Waits before each new try of a file another program holds locked (and of a rename that a
    // scanner briefly blocks); a stop ends the wait.
    std::vector<std::chrono::milliseconds> retryDelays;
    std::string temporaryTag;  // makes this run's temporary names its own
    std::atomic<std::uint64_t> sequence{0};
};

// Copies and renames; on failure removes the temporary file. `cache` is the calling thread's (or null).
// Returns the error (kind Cancelled after a stop); on success the final path and the bytes copied.
platform::FileError copyPlacedFile(const CopyJob& job, CopyContext& context, platform::CopyCache* cache,
                                   std::string* target = nullptr, std::uint64_t* copiedBytes = nullptr);

// copyPlacedFile, with the outcome counted in the run's log.
void runCopyJob(const CopyJob& job, CopyContext& context, platform::CopyCache* cache);

}  // namespace corvallo::engine
