#include "engine/folder_chain.h"

#include "engine/paths.h"

namespace corvallo::engine {

using platform::FileError;
using platform::FileErrorKind;

namespace {

FileError chainError(FileErrorKind kind, std::string_view path, const char* reason) {
    return FileError{kind, "create folder", std::string(path), reason, 0};
}

std::string withoutSeparator(std::string_view path) {
    std::string out(path);
    while (out.size() > 1 && out.back() == '\\') out.pop_back();
    return out;
}

}  // namespace

TargetFolders::TargetFolders(platform::Files& files, Mode mode) : files_(files), mode_(mode) {}

TargetFolders::Folder& TargetFolders::known(const std::string& key) { return folders_[key]; }

ChainResult TargetFolders::makeChain(std::string_view path, FileError& error) {
    std::lock_guard lock(mutex_);
    error = {};
    // Only checked paths become keys, so a path found here needs no checking.
    if (folders_.count(foldCase(withoutSeparator(path))) != 0) return ChainExisted;
    PathParts parts = splitPath(path);
    if (parts.root.empty()) {
        error = chainError(FileErrorKind::InvalidPath, path, "not a drive or network path");
        return ChainFailed;
    }
    for (const auto& component : parts.components) {
        if (component.empty() || component == "." || component == "..") {
            error = chainError(FileErrorKind::InvalidPath, path, "empty, \".\" or \"..\" folder name in the path");
            return ChainFailed;
        }
    }
    if (parts.components.empty()) {
        if (isDriveRoot(files_, parts.root + "\\")) return ChainExisted;
        error = chainError(FileErrorKind::NotFound, path, "no such drive or share");
        return ChainFailed;
    }

    std::string current = parts.root;
    std::string parentKey = foldCase(current);
    ChainResult result = ChainExisted;
    for (const auto& component : parts.components) {
        current += '\\';
        current += component;
        std::string key = foldCase(current);
        if (folders_.count(key) != 0) {
            result = ChainExisted;
        } else {
            result = step(current, parentKey, component, error);
            if (result == ChainFailed) return ChainFailed;
        }
        parentKey = std::move(key);
    }
    return result;
}

ChainResult TargetFolders::step(const std::string& path, const std::string& parentKey, const std::string& component,
                                FileError& error) {
    Folder& parent = known(parentKey);
    const std::string name = foldCase(component);
    bool exists = false;
    if (parent.complete) {
        auto entry = parent.names.find(name);
        if (entry != parent.names.end() && !entry->second) {
            // Either on the disk already or given to a file whose copy may still be under way.
            error = chainError(FileErrorKind::AlreadyExists, path, "a file of that name is in the way");
            return ChainFailed;
        }
        exists = entry != parent.names.end();
    }
    if (!exists && !parent.complete && mode_ == Mode::Simulate) {
        exists = files_.isFolder(path);
        if (!exists && files_.exists(path)) {
            error = chainError(FileErrorKind::AlreadyExists, path, "a file of that name is in the way");
            return ChainFailed;
        }
    }
    if (!exists && mode_ == Mode::Create) {
        FileError made = files_.createFolder(path);
        // Another task may have made it since we looked; that is as good as making it.
        if (made && !(made.kind == FileErrorKind::AlreadyExists && files_.isFolder(path))) {
            error = made;
            return ChainFailed;
        }
        exists = static_cast<bool>(made);
    }
    parent.names[name] = true;
    Folder& folder = known(foldCase(path));
    if (exists) return ChainExisted;
    folder.complete = true;  // made just now, so empty
    return ChainCreated;
}

bool TargetFolders::taken(Folder& folder, std::string_view folderPath, const std::string& name) {
    if (folder.names.count(foldCase(name)) != 0) return true;
    return !folder.complete && files_.exists(withSeparator(folderPath) + name);
}

std::string TargetFolders::reserveName(std::string_view folderPath, std::string_view name) {
    std::lock_guard lock(mutex_);
    const std::string bare = withoutSeparator(folderPath);
    Folder& folder = known(foldCase(bare));
    if (!folder.complete && !folder.unlistable) {
        auto listing = files_.listFolder(bare, "*");
        if (listing.ok()) {
            for (const auto& entry : listing.value) folder.names.emplace(foldCase(entry.name), entry.isFolder);
            folder.complete = true;
        } else {
            folder.unlistable = true;
        }
    }
    std::string candidate(name);
    for (int k = 1; taken(folder, bare, candidate); ++k) candidate = std::to_string(k) + "_" + candidate;
    folder.names[foldCase(candidate)] = false;
    return candidate;
}

ChainResult makeFolderChain(platform::Files& files, std::string_view path, FileError* error) {
    TargetFolders fresh(files);
    FileError ignored;
    return fresh.makeChain(path, error != nullptr ? *error : ignored);
}

bool isDriveRoot(platform::Files& files, std::string_view path) {
    if (path.size() == 3 && path[1] == ':' && path[2] == '\\') {
        char letter = path[0];
        if (!((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z'))) return false;
        switch (files.driveType(path.substr(0, 2))) {
            case platform::DriveType::Removable:
            case platform::DriveType::Fixed:
            case platform::DriveType::Remote:
            case platform::DriveType::CdRom:
            case platform::DriveType::RamDisk:
                return true;
            default:
                return false;
        }
    }
    PathParts parts = splitPath(path);
    return parts.root.size() > 2 && parts.root[0] == '\\' && parts.components.empty() && path.back() == '\\' &&
           files.isFolder(path);
}

}  // namespace corvallo::engine
