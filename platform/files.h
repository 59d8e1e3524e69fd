#pragma once
// Files and folders, as the task store and the backup engine need them.
// Paths are UTF-8 Windows paths ("D:\data\a.doc", "\\server\share\x"); long-path
// prefixes and UTF-16 are the implementation's business.

#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_error.h"

namespace corvallo::platform {

struct FolderEntry {
    std::string name;  // UTF-8, no path
    bool isFolder = false;
    bool isReparsePoint = false;  // junction or symbolic link
    std::uint64_t size = 0;
    std::uint64_t lastWriteTime = 0;  // 100 ns units since 1601-01-01 UTC, as Windows keeps it
    std::uint32_t attributes = 0;     // the Windows attribute bits
};

// Identity of a folder on its volume, to recognise a folder reached twice through links.
struct FolderIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FolderIdentity&) const = default;
};

enum class DriveType { Unknown, NoRoot, Removable, Fixed, Remote, CdRom, RamDisk };

// A file open for reading from the start, in pieces.
class FileReader {
public:
    virtual ~FileReader() = default;
    // Reads up to `capacity` bytes; 0 at the end.
    virtual FileResult<std::size_t> read(char* buffer, std::size_t capacity) = 0;
};

// A new file being written from the start, in pieces.
class FileWriter {
public:
    virtual ~FileWriter() = default;
    virtual FileError write(std::string_view bytes) = 0;
    // Flushes and closes; a writer dropped without it leaves whatever was written.
    virtual FileError finish() = 0;
};

// Called during a copy with the bytes done so far; the copy stops when the stop token is set.
using CopyProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// What a thread that copies many files keeps from one copy to the next, for the implementation to use (the
// Win32 one holds the last source and target folders open, so that a copy in a known folder needs no look-up of
// every folder on its path). One thread at a time; it lets go of everything when dropped. While it holds a folder
// open, removing that folder may wait until it lets go, and a copy named into that folder goes to where the
// folder is now, even if it was renamed meanwhile: drop it before removing or renaming folders it may hold.
class CopyCache {
public:
    virtual ~CopyCache() = default;
};

class Files {
public:
    virtual ~Files() = default;

    // Whole-file access.
    virtual FileResult<std::string> readFile(std::string_view path) = 0;
    // Writes `bytes` to a temporary file beside `path`, flushes it, then replaces `path` in one step.
    // When `backupPath` is not empty the previous version of `path` is kept there.
    virtual FileError replaceFile(std::string_view path, std::string_view bytes, std::string_view backupPath) = 0;

    // Existence.
    virtual bool exists(std::string_view path) = 0;      // a file or a folder
    virtual bool isFolder(std::string_view path) = 0;

    // Folders.
    // Lists the entries of `folder` whose names match `pattern` ("*.doc", "*"), as the Windows file search
    // matches them; "." and ".." are left out. A folder that cannot be listed yields an error.
    virtual FileResult<std::vector<FolderEntry>> listFolder(std::string_view folder, std::string_view pattern) = 0;
    virtual FileResult<FolderIdentity> folderIdentity(std::string_view folder) = 0;
    // Creates one folder; its parent must exist.
    virtual FileError createFolder(std::string_view path) = 0;

    // Files.
    // Copies contents, attributes and times of `source` to `target`, replacing `target`. The data goes to
    // `target` directly: callers that want a transactional copy pass a temporary name and rename after.
    virtual FileError copyFile(std::string_view source, std::string_view target, std::stop_token stop,
                               const CopyProgress& progress) = 0;
    // A cache for the copies of the calling thread (see CopyCache).
    virtual std::unique_ptr<CopyCache> makeCopyCache() { return std::make_unique<CopyCache>(); }
    // Copies `source` to `temporary` in `target`'s folder and, once complete, renames it to `target`, which must
    // not exist. A failed or stopped copy leaves neither name behind, except when `target` turned out to
    // exist: then the complete copy stays under `temporary` (kind AlreadyExists) for the caller to name.
    // `cache` is null or one made by this object for the calling thread.
    virtual FileError copyFileAs(std::string_view source, std::string_view temporary, std::string_view target,
                                 std::stop_token stop, const CopyProgress& progress, CopyCache* /*cache*/) {
        if (FileError error = copyFile(source, temporary, stop, progress)) {
            removeFile(temporary);
            return error;
        }
        FileError error = rename(temporary, target);
        if (error && error.kind != FileErrorKind::AlreadyExists) removeFile(temporary);
        return error;
    }
    // Renames a file or folder; fails when `to` exists.
    virtual FileError rename(std::string_view from, std::string_view to) = 0;
    virtual FileError removeFile(std::string_view path) = 0;
    // Removes a folder and everything below it; links inside are removed, never followed.
    virtual FileError removeTree(std::string_view path) = 0;
    // Streams, for files too large to hold in memory. `createFile` replaces an existing file.
    virtual FileResult<std::unique_ptr<FileReader>> openForReading(std::string_view path) = 0;
    virtual FileResult<std::unique_ptr<FileWriter>> createFile(std::string_view path) = 0;
    // Appends to a file, creating it when missing.
    virtual FileError appendFile(std::string_view path, std::string_view bytes) = 0;

    // Drives: "C:" and the like.
    virtual DriveType driveType(std::string_view drive) = 0;
};

}  // namespace corvallo::platform
