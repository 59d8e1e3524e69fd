#include "platform/win32/win32_files.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <cstring>
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
    // The 64-bit file id first: GetFileInformationByHandle also asks for the volume's label and serial number,
    // which under Wine is a round of requests to the mount manager for every folder.
    FILE_ID_INFO id{};
    if (GetFileInformationByHandleEx(handle.get(), FileIdInfo, &id, sizeof id)) {
        std::uint64_t low = 0, high = 0;
        std::memcpy(&low, id.FileId.Identifier, sizeof low);
        std::memcpy(&high, id.FileId.Identifier + sizeof low, sizeof high);
        if (high == 0) {  // a 128-bit id (ReFS) does not fit; the older call gives its 64-bit form
            result.value.volume = id.VolumeSerialNumber;
            result.value.index = low;
            return result;
        }
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

// ntdll's file calls, for names relative to an open folder: CreateFileW and SetFileInformationByHandle take
// only full names. Looked up at run time, since import libraries for ntdll differ between toolchains.
struct NtCalls {
    using CreateFileCall = NTSTATUS(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*, IO_STATUS_BLOCK*, LARGE_INTEGER*,
                                            ULONG, ULONG, ULONG, ULONG, void*, ULONG);
    using SetInformationCall = NTSTATUS(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, ULONG);
    CreateFileCall createFile = nullptr;
    SetInformationCall setInformation = nullptr;
};

const NtCalls& ntCalls() {
    static const NtCalls calls = [] {
        NtCalls found;
        if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
            found.createFile = reinterpret_cast<NtCalls::CreateFileCall>(
                reinterpret_cast<void*>(GetProcAddress(ntdll, "NtCreateFile")));
            found.setInformation = reinterpret_cast<NtCalls::SetInformationCall>(
                reinterpret_cast<void*>(GetProcAddress(ntdll, "NtSetInformationFile")));
        }
        return found;
    }();
    return calls;
}

constexpr NTSTATUS kStatusNotSupported = static_cast<NTSTATUS>(0xC00000BBL);
constexpr NTSTATUS kStatusObjectNameCollision = static_cast<NTSTATUS>(0xC0000035L);
constexpr ULONG kFileOpen = 1, kFileCreate = 2;
constexpr ULONG kSequentialOnly = 0x4, kSynchronousIo = 0x20, kNonDirectoryFile = 0x40;
constexpr ULONG kFileRenameInformation = 10;

// A rename to `name`, relative to `folder` when that is given, never replacing a file of that name.
std::vector<char> renameRequest(HANDLE folder, std::wstring_view name) {
    std::vector<char> request(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(request.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = folder;
    rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::copy(name.begin(), name.end(), rename->FileName);
    return request;
}

// Opens or creates `name` in the folder `folder` is open on; null on failure.
UniqueHandle openInFolder(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG attributes, ULONG share,
                          ULONG disposition, ULONG options, NTSTATUS* status = nullptr) {
    const NtCalls& nt = ntCalls();
    NTSTATUS result = kStatusNotSupported;
    HANDLE handle = nullptr;
    if (nt.createFile != nullptr && name.size() * sizeof(wchar_t) < 0x8000) {
        UNICODE_STRING text;
        text.Buffer = const_cast<wchar_t*>(name.c_str());
        text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
        OBJECT_ATTRIBUTES object;
        InitializeObjectAttributes(&object, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
        IO_STATUS_BLOCK io{};
        result = nt.createFile(&handle, access | SYNCHRONIZE, &object, &io, nullptr, attributes, share, disposition,
                               options | kSynchronousIo | kNonDirectoryFile, nullptr, 0);
    }
    if (status != nullptr) *status = result;
    return result >= 0 ? UniqueHandle(handle) : UniqueHandle();
}

// Splits a long path into its folder and last name, when the folder lies below a drive or share root (a root
// is never held open: "\\?\D:" names the volume, not its root folder).
bool splitName(const std::wstring& path, std::wstring& folder, std::wstring& name) {
    if (path.rfind(L"\\\\?\\", 0) != 0) return false;
    const std::size_t cut = path.rfind(L'\\');
    if (cut < 4 || cut + 1 >= path.size()) return false;
    std::wstring_view rest = std::wstring_view(path).substr(4, cut - 4);
    if (rest.rfind(L"UNC\\", 0) == 0) {
        if (std::count(rest.begin(), rest.end(), L'\\') < 3) return false;  // UNC\srv\share\folder
    } else if (rest.find(L'\\') == std::wstring_view::npos) {
        return false;  // D:\folder
    }
    folder.assign(path, 0, cut);
    name.assign(path, cut + 1);
    return true;
}

// The folders of one thread's last copy, held open. Under Wine every full name costs a look-up of each folder on
// its path, in the program and again in the Wine server, and a new name costs two; a name in an open folder
// costs one. Copies come folder by folder, so one source and one target folder are enough.
class FolderCache : public CopyCache {
public:
    enum Slot { Source, Target };

    // The folder open, or null when it cannot be opened (remembered until another folder is asked for).
    HANDLE open(Slot slot, const std::wstring& folder) {
        Entry& entry = entries_[slot];
        if (entry.folder != folder) {
            entry.handle.reset();
            entry.folder = folder;
            entry.handle = openHandle(CreateFileW(folder.c_str(), FILE_TRAVERSE | SYNCHRONIZE,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        }
        return entry.handle.get();
    }
    // After a failure in the folder (it may have gone, or been made anew): the next copy opens it afresh.
    void forget(Slot slot) { entries_[slot] = Entry{}; }

private:
    struct Entry {
        std::wstring folder;
        UniqueHandle handle;
    };
    Entry entries_[2];
};

FileError cancelled(std::string_view source) {
    return FileError{FileErrorKind::Cancelled, "copy", std::string(source), {}, 0};
}

}  // namespace

// One copy being written: the target open for writing (and deleting, so that it can be renamed, or removed
// whatever happens), with the source's times and attributes to give it when the data is in.
class Win32Files::Copy {
public:
    Copy(Win32Files& files, FolderCache* cache) : files_(files), cache_(cache) {}

    // Copies the data; on failure nothing is left at `target`.
    FileError start(std::string_view source, std::string_view target, const std::stop_token& stop,
                    const CopyProgress& progress) {
        // Our own loop rather than CopyFileExW: Wine's never calls the progress routine, so a stop could not end
        // the copy of a large file. GetFileInformationByHandle is avoided too: under Wine it asks for the volume
        // and costs more than the copy of a small file.
        if (stop.stop_requested()) return cancelled(source);
        const std::wstring sourcePath = longPath(source);
        UniqueHandle in = openSource(sourcePath);
        if (!in) {
            in = openHandle(CreateFileW(sourcePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        }
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
        // The attributes go on with the file, all but read-only (which would refuse our writes on some file
        // systems). A file made new needs them set again at the end only when creating could not give them:
        // read-only, or no archive bit (Windows gives every new file one). A replaced file may keep some of
        // the old file's, so it always gets them set.
        kept_ = basic_.FileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                         FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
        const DWORD created = (kept_ & ~FILE_ATTRIBUTE_READONLY) != 0 ? kept_ & ~FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
        // A small file is renamed and removed through its handle, which saves a lookup by path. A large one is
        // not opened for deleting: under Wine that makes its writes several times slower now and then.
        byHandle_ = total < kLargest;
        target_ = std::string(target);
        if (byHandle_) out_ = createInFolder(longPath(target), created);
        setAttributes_ = !out_ || (kept_ & FILE_ATTRIBUTE_READONLY) != 0 || (kept_ & FILE_ATTRIBUTE_ARCHIVE) == 0;
        if (!out_) out_ = createByName(longPath(target), created);
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
        std::wstring name = longPath(path);
        std::wstring folder, leaf;
        if (folder_ != nullptr && splitName(name, folder, leaf) && folder == folderName_) {
            const NTSTATUS status = files_.renameInFolder(out_.get(), folder_, leaf);
            if (status >= 0) {
                target_ = std::string(path);
                return {};
            }
            if (status == kStatusObjectNameCollision) return errorFromCode(ERROR_ALREADY_EXISTS, "rename", target_);
            // Refused for another reason: the full name may still do.
        }
        // The rename takes an NT path, "\??\D:\..." for "\\?\D:\...". (A bare name would rename in place on
        // Windows, but Wine resolves it against the current directory.)
        if (name.rfind(L"\\\\?\\", 0) != 0) return FileError{FileErrorKind::InvalidPath, "rename", target_, {}, 0};
        name[1] = L'?';
        std::vector<char> request = renameRequest(nullptr, name);
        if (!SetFileInformationByHandle(out_.get(), FileRenameInfo, request.data(), static_cast<DWORD>(request.size())))
            return lastError("rename", target_);
        target_ = std::string(path);
        return {};
    }

    // Sets times (and attributes where creating could not give them) and closes; on failure removes the file.
    FileError finish() {
        FILE_BASIC_INFO info = basic_;
        info.ChangeTime.QuadPart = 0;  // the system's to keep
        info.FileAttributes = !setAttributes_ ? 0 : kept_ != 0 ? kept_ : FILE_ATTRIBUTE_NORMAL;  // 0: leave them
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
    // The source through the cache's open folder; null when that cannot be done (the caller then opens it by its
    // full name, which also tells why it cannot be opened at all).
    UniqueHandle openSource(const std::wstring& path) {
        std::wstring folder, name;
        if (cache_ == nullptr || !splitName(path, folder, name)) return {};
        HANDLE open = cache_->open(FolderCache::Source, folder);
        if (open == nullptr) return {};
        UniqueHandle file = openInFolder(open, name, GENERIC_READ, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         kFileOpen, kSequentialOnly);
        if (!file) cache_->forget(FolderCache::Source);
        return file;
    }

    // A new file through the cache's open folder, for a small copy; null when that cannot be done (the caller
    // then creates it by its full name, replacing a leftover of the same temporary name as before).
    UniqueHandle createInFolder(const std::wstring& path, DWORD attributes) {
        std::wstring name;
        if (cache_ == nullptr || !splitName(path, folderName_, name)) return {};
        HANDLE open = cache_->open(FolderCache::Target, folderName_);
        if (open == nullptr) return {};
        // Made new rather than replaced: Wine empties a replaced file even when it has just been made, and Linux
        // writes an emptied file out as soon as it is closed, on the copying thread.
        NTSTATUS status = 0;
        UniqueHandle file = openInFolder(open, name, GENERIC_WRITE | DELETE, attributes, 0, kFileCreate, 0, &status);
        if (!file) {
            if (status != kStatusObjectNameCollision) cache_->forget(FolderCache::Target);
            return {};
        }
        folder_ = open;
        return file;
    }

    // A new file by its full name. Made new when it can be, for the reason above (for a large file, the write-out
    // on closing would make the next flush anywhere on the disk wait for it); a leftover of the same temporary
    // name from an earlier run is replaced.
    UniqueHandle createByName(const std::wstring& path, DWORD attributes) {
        const DWORD access = GENERIC_WRITE | (byHandle_ ? DELETE : 0);
        const DWORD flags = attributes | FILE_FLAG_SEQUENTIAL_SCAN;
        UniqueHandle file = openHandle(CreateFileW(path.c_str(), access, 0, nullptr, CREATE_NEW, flags, nullptr));
        if (file || GetLastError() != ERROR_FILE_EXISTS) return file;
        return openHandle(CreateFileW(path.c_str(), access, 0, nullptr, CREATE_ALWAYS, flags, nullptr));
    }

    Win32Files& files_;
    FolderCache* cache_;
    FILE_BASIC_INFO basic_{};
    DWORD kept_ = 0;
    bool setAttributes_ = true;
    UniqueHandle out_;
    std::string target_;
    bool byHandle_ = false;
    HANDLE folder_ = nullptr;  // the cache's folder the file was made in, or null
    std::wstring folderName_;
    std::string pendingRename_;
};

long Win32Files::renameInFolder(void* file, void* folder, std::wstring_view name) {
    const NtCalls& nt = ntCalls();
    if (nt.setInformation == nullptr) return kStatusNotSupported;
    std::vector<char> request = renameRequest(folder, name);
    IO_STATUS_BLOCK io{};
    return nt.setInformation(file, &io, request.data(), static_cast<ULONG>(request.size()), kFileRenameInformation);
}

std::unique_ptr<CopyCache> Win32Files::makeCopyCache() { return std::make_unique<FolderCache>(); }

FileError Win32Files::copyFile(std::string_view source, std::string_view target, std::stop_token stop,
                               const CopyProgress& progress) {
    Copy copy(*this, nullptr);
    if (auto error = copy.start(source, target, stop, progress)) return error;
    return copy.finish();
}

FileError Win32Files::copyFileAs(std::string_view source, std::string_view temporary, std::string_view target,
                                 std::stop_token stop, const CopyProgress& progress, CopyCache* cache) {
    Copy copy(*this, dynamic_cast<FolderCache*>(cache));
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
