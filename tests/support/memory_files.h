#pragma once
// An in-memory file system with Windows path rules (case-insensitive names, drive and share roots,
// wildcard search) and injectable faults, for tests of the task store and the backup engine.

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"

namespace corvallo::testing {

class MemoryFiles : public platform::Files {
public:
    MemoryFiles();

    // Set-up. Parents are created as needed. Roots are "C:" (a drive) or "\\server\share".
    void addDrive(const std::string& drive, platform::DriveType type = platform::DriveType::Fixed);
    void addShare(const std::string& root);
    void addFolder(const std::string& path);
    void addFile(const std::string& path, std::string content, std::uint32_t attributes = 0);
    // A junction or symbolic link at `path` that leads to the folder `target`.
    void addFolderLink(const std::string& path, const std::string& target);

    // Inspection.
    std::optional<std::string> content(const std::string& path) const;
    bool hasFolder(const std::string& path) const;
    // Every file below `folder`, as paths relative to it, in name order.
    std::vector<std::string> filesBelow(const std::string& folder) const;
    std::uint64_t bytesStored() const;

    // Faults. A fault matches an operation name ("read", "replace", "list", "create folder", "copy",
    // "rename", "remove", "append") and a path; it fires `times` times (or always when times < 0).
    struct Fault {
        std::string operation;
        std::string path;
        platform::FileErrorKind kind = platform::FileErrorKind::Other;
        int times = -1;
    };
    void inject(Fault fault);
    // Total bytes the disk may hold; writes beyond fail with DiskFull.
    void setCapacity(std::uint64_t bytes);
    // Runs before a copy of `path` starts (e.g. to delete the file between listing and copy).
    void onCopy(const std::string& path, std::function<void()> action);
    // Runs after each 64 KiB piece of a copy of `path`, with the bytes done (e.g. to stop mid-file).
    void duringCopy(const std::string& path, std::function<void(std::uint64_t done)> action);
    // How many times an operation ran (after faults are considered).
    int count(const std::string& operation) const;
    // Every completed copy, in order: source and target as the caller named them.
    std::vector<std::pair<std::string, std::string>> copyLog() const;

    // platform::Files
    platform::FileResult<std::string> readFile(std::string_view path) override;
    platform::FileError replaceFile(std::string_view path, std::string_view bytes, std::string_view backupPath) override;
    bool exists(std::string_view path) override;
    bool isFolder(std::string_view path) override;
    platform::FileResult<std::vector<platform::FolderEntry>> listFolder(std::string_view folder,
                                                                        std::string_view pattern) override;
    platform::FileResult<platform::FolderIdentity> folderIdentity(std::string_view folder) override;
    platform::FileError createFolder(std::string_view path) override;
    platform::FileError copyFile(std::string_view source, std::string_view target, std::stop_token stop,
                                 const platform::CopyProgress& progress) override;
    platform::FileError rename(std::string_view from, std::string_view to) override;
    platform::FileError removeFile(std::string_view path) override;
    platform::FileError removeTree(std::string_view path) override;
    platform::FileResult<std::unique_ptr<platform::FileReader>> openForReading(std::string_view path) override;
    platform::FileResult<std::unique_ptr<platform::FileWriter>> createFile(std::string_view path) override;
    platform::FileError appendFile(std::string_view path, std::string_view bytes) override;
    platform::DriveType driveType(std::string_view drive) override;

private:
    struct Node {
        std::string name;  // as created, for listings
        bool folder = false;
        std::string data;
        std::uint32_t attributes = 0;
        std::uint64_t index = 0;
        std::string linkTarget;  // folded key of the target folder, for links
    };
    using Key = std::string;  // folded full path, components joined by '\'

    std::optional<Key> resolve(std::string_view path, bool followLastLink = true) const;
    static Key fold(std::string_view path);
    static std::string normalise(std::string_view path);
    static std::string parentOf(const std::string& key);
    platform::FileError fault(const std::string& operation, std::string_view path);
    platform::FileError fail(const std::string& operation, std::string_view path, platform::FileErrorKind kind) const;
    void addNode(const std::string& path, bool folder, std::string data, std::uint32_t attributes);
    void ensureFolderChain(const std::string& path);

    mutable std::recursive_mutex mutex_;
    std::map<Key, Node> nodes_;
    std::map<std::string, platform::DriveType> drives_;  // folded root -> type
    std::vector<Fault> faults_;
    std::map<Key, std::function<void()>> copyHooks_;
    std::map<Key, std::function<void(std::uint64_t)>> progressHooks_;
    std::map<std::string, int> counts_;
    std::vector<std::pair<std::string, std::string>> copyLog_;
    std::optional<std::uint64_t> capacity_;
    std::uint64_t nextIndex_ = 1;
};

// Windows file-search matching of one name against a pattern ('*' and '?', case-insensitive,
// "*.*" matches every name, a pattern ending in "." matches names without an extension).
bool matchesPattern(std::string_view name, std::string_view pattern);

}  // namespace corvallo::testing
