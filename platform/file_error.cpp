#include "platform/file_error.h"

namespace corvallo::platform {

const char* kindName(FileErrorKind kind) {
    switch (kind) {
        case FileErrorKind::None: return "no error";
        case FileErrorKind::NotFound: return "not found";
        case FileErrorKind::AccessDenied: return "access denied";
        case FileErrorKind::SharingViolation: return "sharing violation";
        case FileErrorKind::AlreadyExists: return "already exists";
        case FileErrorKind::DiskFull: return "disk full";
        case FileErrorKind::Cancelled: return "stopped";
        case FileErrorKind::InvalidPath: return "invalid path";
        case FileErrorKind::Other: return "failed";
    }
    return "failed";
}

std::string FileError::describe() const {
    std::string text = operation;
    if (!path.empty()) text += " \"" + path + "\"";
    text += ": ";
    text += reason.empty() ? kindName(kind) : reason;
    if (code != 0) text += " (" + std::to_string(code) + ")";
    return text;
}

}  // namespace corvallo::platform
