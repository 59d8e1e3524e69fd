#pragma once
// corvallo.log beside the program: one entry per backup run and a line for anything else the service
// could not do. UTF-8, CR LF. Capped: an entry that would take the file past the cap first moves it to
// corvallo.log.1 (replacing the one before), so at most two files of about the cap exist.
//
// Written by workers and the service's timer thread only: the user-interface thread never waits on it.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "engine/run_log.h"
#include "platform/clock.h"
#include "platform/files.h"

namespace corvallo::service {

inline constexpr const char* kServiceLogName = "corvallo.log";
inline constexpr const char* kServiceLogRotatedSuffix = ".1";
inline constexpr std::uint64_t kServiceLogCap = 1024 * 1024;

// "2014-08-15 08:00:05"
std::string logTime(const platform::LocalTime& time);

struct RunEntry {
    std::int32_t taskId = 0;
    std::string taskName;
    platform::LocalTime started;
    platform::LocalTime ended;
};

// One run: a line with its times, the task and its figures, then one indented line per failure.
std::string formatRunEntry(const RunEntry& entry, const engine::RunResult& result);

class ServiceLog {
public:
    ServiceLog(platform::Files& files, std::string path, std::uint64_t cap = kServiceLogCap);

    void runFinished(const RunEntry& entry, const engine::RunResult& result);
    // One line, stamped with `at`.
    void note(const platform::LocalTime& at, std::string_view text);

    const std::string& path() const { return path_; }

private:
    void append(const std::string& text);
    std::uint64_t currentSize();

    platform::Files& files_;
    const std::string path_;
    const std::uint64_t cap_;
    std::mutex mutex_;
    std::optional<std::uint64_t> size_;  // learnt from the disk once, then kept
};

}  // namespace corvallo::service
