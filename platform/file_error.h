#pragma once
// Failures at the operating-system boundary, as values that name what was tried and where.

#include <cstdint>
#include <string>

namespace corvallo::platform {

// Portable classes of failure; callers decide on retries and messages by these, never by OS codes.
enum class FileErrorKind {
    None,
    NotFound,          // the file or a folder of its path does not exist
    AccessDenied,
    SharingViolation,  // another program holds the file open or locked
    AlreadyExists,
    DiskFull,
    Cancelled,         // the caller asked to stop
    InvalidPath,
    Other,
};

struct FileError {
    FileErrorKind kind = FileErrorKind::None;
    std::string operation;  // e.g. "copy", "create folder", "read"
    std::string path;       // UTF-8
    std::string reason;     // the system's own words, UTF-8
    std::uint32_t code = 0; // the system's error number, for the log

    explicit operator bool() const { return kind != FileErrorKind::None; }
    // e.g. copy "D:\data\a.doc": sharing violation (32)
    std::string describe() const;
};

// The outcome of an operation that yields a value.
template <class T>
struct FileResult {
    T value{};
    FileError error;

    bool ok() const { return !error; }
};

const char* kindName(FileErrorKind kind);

}  // namespace corvallo::platform
