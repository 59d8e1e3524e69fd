#include "platform/win32/win32_files.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

#include "platform/win32/wide.h"

namespace corvallo::platform::win32 {

namespace {

struct HandleCloser {
    void operator()(HANDLE h) const {
        if (h != INVALID_HANDLE_VALUE && h != nullptr) CloseHandle(h);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct FindCloser {
    void operator()(HANDLE h) const {
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
    }
};
using UniqueFind = std::unique_ptr<void, FindCloser>;

UniqueHandle openHandle(HANDLE h) { return UniqueHandle(h == INVALID_HANDLE_VALUE ? nullptr : h); }

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    path += name;
    return path;
}

FileError writeAll(HANDLE file, std::string_view bytes, const char* operation, std::string_view path) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) return lastError(operation, path);
        done += written;
    }
    return {};
}

std::atomic<unsigned> temporaryCounter{0};

class Win32Reader : public FileReader {
public:
    Win32Reader(UniqueHandle handle, std::string path) : handle_(std::move(handle)), path_(std::move(path)) {}
    FileResult<std::size_t> read(char* buffer, std::size_t capacity) override {
        FileResult<std::size_t> result;
        DWORD got = 0;
        DWORD want = static_cast<DWORD>(std::min<std::size_t>(capacity, 1u << 30));
        if (!ReadFile(handle_.get(), buffer, want, &got, nullptr)) result.error = lastError("read", path_);
        result.value = got;
        return result;
    }

private:
    UniqueHandle handle_;
    std::string path_;
};

class Win32Writer : public FileWriter {
public:
    Win32Writer(UniqueHandle handle, std::string path) : handle_(std::move(handle)), path_(std::move(path)) {}
    FileError write(std::string_view bytes) override { return writeAll(handle_.get(), bytes, "write", path_); }
    FileError finish() override {
        if (!FlushFileBuffers(handle_.get())) return lastError("flush", path_);
        if (!CloseHandle(handle_.release())) return lastError("close", path_);
        return {};
    }

private:
    UniqueHandle handle_;
    std::string path_;
};

}  // namespace

FileResult<std::unique_ptr<FileReader>> Win32Files::openForReading(std::string_view path) {
    FileResult<std::unique_ptr<FileReader>> result;
    auto file = openHandle(CreateFileW(longPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        result.error = lastError("open", path);
        return result;
    }
    result.value = std::make_unique<Win32Reader>(std::move(file), std::string(path));
    return result;
}

FileResult<std::unique_ptr<FileWriter>> Win32Files::createFile(std::string_view path) {
    FileResult<std::unique_ptr<FileWriter>> result;
    auto file = openHandle(CreateFileW(longPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        result.error = lastError("create", path);
        return result;
    }
    result.value = std::make_unique<Win32Writer>(std::move(file), std::string(path));
    return result;
}

FileResult<std::string> Win32Files::readFile(std::string_view path) {
    FileResult<std::string> result;
    auto file = openHandle(CreateFileW(longPath(path).c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        result.error = lastError("read", path);
        return result;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        result.error = lastError("read", path);
        return result;
    }
    result.value.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < result.value.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(result.value.size() - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file.get(), result.value.data() + done, chunk, &got, nullptr)) {
            result.error = lastError("read", path);
            return result;
        }
        if (got == 0) break;  // the file shrank while we read it
        done += got;
    }
    result.value.resize(done);
    return result;
}

FileError Win32Files::replaceFile(std::string_view path, std::string_view bytes, std::string_view backupPath) {
    std::string temporary = std::string(path) + ".tmp" + std::to_string(GetCurrentProcessId()) + "-" +
                            std::to_string(temporaryCounter.fetch_add(1));
    {
        auto file = openHandle(CreateFileW(longPath(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return lastError("write", temporary);
        if (auto error = writeAll(file.get(), bytes, "write", temporary)) {
            file.reset();
            DeleteFileW(longPath(temporary).c_str());
            return error;
        }
        // The data must be on the disk before the name points at it.
        if (!FlushFileBuffers(file.get())) {
            auto error = lastError("flush", temporary);
            file.reset();
            DeleteFileW(longPath(temporary).c_str());
            return error;
        }
    }
    if (!backupPath.empty()) {
        if (!CopyFileW(longPath(path).c_str(), longPath(backupPath).c_str(), FALSE)) {
            DWORD code = GetLastError();
            if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) {
                DeleteFileW(longPath(temporary).c_str());
                return errorFromCode(code, "keep previous version", backupPath);
            }
        }
    }
    if (!MoveFileExW(longPath(temporary).c_str(), longPath(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        auto error = lastError("replace", path);
        DeleteFileW(longPath(temporary).c_str());
        return error;
    }
    return {};
}

bool Win32Files::exists(std::string_view path) {
    return GetFileAttributesW(longPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32Files::isFolder(std::string_view path) {
    DWORD attributes = GetFileAttributesW(longPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FileResult<std::vector<FolderEntry>> Win32Files::listFolder(std::string_view folder, std::string_view pattern) {
    FileResult<std::vector<FolderEntry>> result;
    std::wstring query = longPath(joinPath(folder, pattern));
    WIN32_FIND_DATAW data;
    UniqueFind find(FindFirstFileExW(query.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH));
    if (find.get() == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        // No match in a folder that exists is an empty listing, not a failure.
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES) {
            if (isFolder(folder)) return result;
        }
        result.error = errorFromCode(code, "list", folder);
        return result;
    }
    do {
        if (data.cFileName[0] == L'.' && (data.cFileName[1] == 0 || (data.cFileName[1] == L'.' && data.cFileName[2] == 0)))
            continue;
        FolderEntry entry;
        entry.name = narrow(data.cFileName);
        entry.attributes = data.dwFileAttributes;
        entry.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.isReparsePoint = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entry.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        entry.lastWriteTime =
            (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
        result.value.push_back(std::move(entry));
    } while (FindNextFileW(find.get(), &data));
    DWORD code = GetLastError();
    if (code != ERROR_NO_MORE_FILES) result.error = errorFromCode(code, "list", folder);
    return result;
}

FileResult<FolderIdentity> Win32Files::folderIdentity(std::string_view folder) {
    FileResult<FolderIdentity> result;
    auto handle = openHandle(CreateFileW(longPath(folder).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) {
        result.error = lastError("identify", folder);
        return result;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle.get(), &info)) {
        result.error = lastError("identify", folder);
        return result;
    }
    result.value.volume = info.dwVolumeSerialNumber;
    result.value.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return result;
}

FileError Win32Files::createFolder(std::string_view path) {
    if (!CreateDirectoryW(longPath(path).c_str(), nullptr)) return lastError("create folder", path);
    return {};
}

namespace {

// One copy being written: the target open for writing (and deleting, so that it can be renamed, or removed
// whatever happens), with the source's times and attributes to give it when the data is in.
class CopyInProgress {
public:
    // Copies the data; on failure nothing is left at `target`.
    FileError start(std::string_view source, std::string_view target, const std::stop_token& stop,
                    const CopyProgress& progress) {
        // Our own loop rather than CopyFileExW: Wine's never calls the progress routine, so a stop could not end
        // the copy of a large file. GetFileInformationByHandle is avoided too: under Wine it asks for the volume
        // and costs more than the copy of a small file.
        if (stop.stop_requested()) return cancelled(source);
        auto in = openHandle(CreateFileW(longPath(source).c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!in) return lastError("copy", source);
        LARGE_INTEGER size{};
        if (!GetFileInformationByHandleEx(in.get(), FileBasicInfo, &basic_, sizeof basic_) ||
            !GetFileSizeEx(in.get(), &size))
            return lastError("copy", source);
        // Pieces of 256 KiB keep a stop prompt and were the fastest measured under Wine (1 MiB pieces made the
        // writes several times slower); a small file is read in one piece just larger than it, and a short read
        // at its end needs no second read to see it.
        constexpr DWORD kLargest = 256 << 10, kSmallest = 64 << 10;
        const std::uint64_t total = static_cast<std::uint64_t>(size.QuadPart);
        // A small file is renamed and removed through its handle, which saves a lookup by path. A large one is
        // not opened for deleting: under Wine that makes its writes several times slower now and then.
        byHandle_ = total < kLargest;
        target_ = std::string(target);
        out_ = openHandle(CreateFileW(longPath(target).c_str(), GENERIC_WRITE | (byHandle_ ? DELETE : 0), 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!out_) return lastError("create", target);

        thread_local std::unique_ptr<char[]> buffer(new char[kLargest]);
        const DWORD chunk = static_cast<DWORD>(std::clamp<std::uint64_t>((total / kSmallest + 1) * kSmallest, kSmallest, kLargest));
        std::uint64_t done = 0;
        for (;;) {
            if (stop.stop_requested()) return discard(cancelled(source));
            DWORD got = 0;
            if (!ReadFile(in.get(), buffer.get(), chunk, &got, nullptr)) return discard(lastError("read", source));
            if (got == 0) break;
            if (auto error = writeAll(out_.get(), std::string_view(buffer.get(), got), "write", target))
                return discard(error);
            done += got;
            if (progress) progress(done, std::max(done, total));
            if (got < chunk && done >= total) break;
        }
        return {};
    }

    // Moves the file to `path`, now or (for a file not opened for deleting) when finished; AlreadyExists when
    // that name is taken, and the file stays under its temporary name.
    FileError rename(std::string_view path) {
        if (!byHandle_) {
            pendingRename_ = std::string(path);
            return {};
        }
        // The rename takes an NT path, "\??\D:\..." for "\\?\D:\...". (A bare name would rename in place on
        // Windows, but Wine resolves it against the current directory.)
        std::wstring name = longPath(path);
        if (name.rfind(L"\\\\?\\", 0) != 0) return FileError{FileErrorKind::InvalidPath, "rename", target_, {}, 0};
        name[1] = L'?';
        std::vector<char> request(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
        auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(request.data());
        rename->ReplaceIfExists = FALSE;
        rename->RootDirectory = nullptr;
        rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
        std::copy(name.begin(), name.end(), rename->FileName);
        if (!SetFileInformationByHandle(out_.get(), FileRenameInfo, rename, static_cast<DWORD>(request.size())))
            return lastError("rename", target_);
        target_ = std::string(path);
        return {};
    }

    // Sets times and attributes and closes; on failure removes the file.
    FileError finish() {
        constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        FILE_BASIC_INFO info = basic_;
        info.ChangeTime.QuadPart = 0;  // the system's to keep
        info.FileAttributes = (basic_.FileAttributes & kKept) != 0 ? basic_.FileAttributes & kKept : FILE_ATTRIBUTE_NORMAL;
        if (!SetFileInformationByHandle(out_.get(), FileBasicInfo, &info, sizeof info))
            return discard(lastError("set times", target_));
        if (!CloseHandle(out_.release())) return discard(lastError("close", target_));
        if (pendingRename_.empty()) return {};
        if (MoveFileExW(longPath(target_).c_str(), longPath(pendingRename_).c_str(), 0)) return {};
        FileError error = lastError("rename", target_);
        if (error.kind != FileErrorKind::AlreadyExists) return discard(error);
        return error;
    }

    // Removes the file under whatever name it has now.
    FileError discard(FileError error) {
        if (out_ && byHandle_) {
            FILE_DISPOSITION_INFO dispose{TRUE};
            SetFileInformationByHandle(out_.get(), FileDispositionInfo, &dispose, sizeof dispose);
            out_.reset();
        } else {
            out_.reset();
            DeleteFileW(longPath(target_).c_str());
        }
        return error;
    }

private:
    static FileError cancelled(std::string_view source) {
        return FileError{FileErrorKind::Cancelled, "copy", std::string(source), {}, 0};
    }

    FILE_BASIC_INFO basic_{};
    UniqueHandle out_;
    std::string target_;
    bool byHandle_ = false;
    std::string pendingRename_;
};

}  // namespace

FileError Win32Files::copyFile(std::string_view source, std::string_view target, std::stop_token stop,
                               const CopyProgress& progress) {
    CopyInProgress copy;
    if (auto error = copy.start(source, target, stop, progress)) return error;
    return copy.finish();
}

FileError Win32Files::copyFileAs(std::string_view source, std::string_view temporary, std::string_view target,
                                 std::stop_token stop, const CopyProgress& progress) {
    CopyInProgress copy;
    if (auto error = copy.start(source, temporary, stop, progress)) return error;
    FileError renamed = copy.rename(target);
    if (renamed && renamed.kind != FileErrorKind::AlreadyExists) return copy.discard(renamed);
    FileError finished = copy.finish();
    return finished ? finished : renamed;
}

FileError Win32Files::rename(std::string_view from, std::string_view to) {
    if (!MoveFileExW(longPath(from).c_str(), longPath(to).c_str(), 0)) return lastError("rename", from);
    return {};
}

FileError Win32Files::removeFile(std::string_view path) {
    std::wstring wide = longPath(path);
    if (DeleteFileW(wide.c_str())) return {};
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetFileAttributesW(wide.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
        if (DeleteFileW(wide.c_str())) return {};
    }
    return lastError("remove", path);
}

FileError Win32Files::removeTree(std::string_view path) {
    // A link given as the tree itself is removed as a link: listing through it would empty its target.
    DWORD attributes = GetFileAttributesW(longPath(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? RemoveDirectoryW(longPath(path).c_str())
                                                                    : DeleteFileW(longPath(path).c_str());
        if (!removed) return lastError("remove", path);
        return {};
    }
    auto listing = listFolder(path, "*");
    if (!listing.ok()) return listing.error;
    for (const auto& entry : listing.value) {
        std::string child = joinPath(path, entry.name);
        if (entry.isFolder && entry.isReparsePoint) {
            // A link is removed, never followed.
            if (!RemoveDirectoryW(longPath(child).c_str())) return lastError("remove", child);
        } else if (entry.isFolder) {
            if (auto error = removeTree(child)) return error;
        } else if (auto error = removeFile(child)) {
            return error;
        }
    }
    if (!RemoveDirectoryW(longPath(path).c_str())) return lastError("remove", path);
    return {};
}

FileError Win32Files::appendFile(std::string_view path, std::string_view bytes) {
    auto file = openHandle(CreateFileW(longPath(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return lastError("append", path);
    return writeAll(file.get(), bytes, "append", path);
}

DriveType Win32Files::driveType(std::string_view drive) {
    std::wstring root = widen(drive.substr(0, 2)) + L"\\";
    switch (GetDriveTypeW(root.c_str())) {
        case DRIVE_NO_ROOT_DIR: return DriveType::NoRoot;
        case DRIVE_REMOVABLE: return DriveType::Removable;
        case DRIVE_FIXED: return DriveType::Fixed;
        case DRIVE_REMOTE: return DriveType::Remote;
        case DRIVE_CDROM: return DriveType::CdRom;
        case DRIVE_RAMDISK: return DriveType::RamDisk;
        default: return DriveType::Unknown;
    }
}

}  // namespace corvallo::platform::win32
