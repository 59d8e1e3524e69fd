#pragma once
// Packs a finished run folder into one zip archive, transactionally: the archive appears under its
// real name only when it is complete and has been read back and checked.

#include <chrono>
#include <cstdint>
#include <stop_token>
#include <string_view>

#include "platform/clock.h"
#include "platform/file_error.h"
#include "platform/files.h"

namespace corvallo::engine {

// The archive is written under this suffix beside its real name and renamed when checked; a file with
// it that outlives a crash is safe to delete.
inline constexpr std::string_view kPartialArchiveSuffix = ".partial";

// Sizes that decide the zip layout. Tests lower them to reach the ZIP64 and streaming paths without
// writing gigabytes; the program keeps the defaults.
struct ArchiveLimits {
    std::size_t chunk = 1 << 20;               // read size; files that fit in one chunk are packed in memory
    std::uint64_t zip64Size = 0xFFFFFFFFu;     // entry sizes from here on are written as ZIP64 fields
    std::uint64_t zip64Offset = 0xFFFFFFFFu;   // header offsets and central-directory sizes likewise
    std::uint64_t zip64Count = 0xFFFFu;        // entry counts likewise
};

struct PackOptions {
    // The DOS times in the headers are local times: minutes east of UTC to add (480 for Beijing). The
    // exact UTC time is also stored in the extended-timestamp and NTFS fields, which most readers prefer.
    int utcOffsetMinutes = 0;
    int level = 6;  // deflate level, 1 (fast) .. 9 (small)
    ArchiveLimits limits;
};

struct ArchiveStats {
    std::uint64_t files = 0;
    std::uint64_t folders = 0;        // empty folders, the only folders stored as entries
    std::uint64_t storedFiles = 0;    // files kept uncompressed because deflate did not shrink them
    std::uint64_t bytesRead = 0;      // file contents packed
    std::uint64_t archiveBytes = 0;   // size of the finished archive
};

// Packs everything below `folder` into a new zip at `archivePath`, which must not exist yet. Entry
// names are the paths relative to `folder` with '/' between components, UTF-8 and flagged as such;
// folders appear only when empty; links to folders are stored as empty folders, never followed.
// On failure or stop nothing is left under `archivePath` or the partial name, `folder` is untouched,
// and the error names the operation and path that failed (kind Cancelled after a stop).
platform::FileError packFolder(platform::Files& files, std::string_view folder, std::string_view archivePath,
                               std::stop_token stop, const PackOptions& options = {}, ArchiveStats* stats = nullptr);

// The offset of local time from UTC now, in minutes, rounded to the quarter hour: for
// PackOptions::utcOffsetMinutes from the clock's local time and the system clock's UTC.
int localOffsetMinutes(const platform::LocalTime& local, std::chrono::system_clock::time_point utcNow);

}  // namespace corvallo::engine
