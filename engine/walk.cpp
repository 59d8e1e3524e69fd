#include "engine/walk.h"

#include <optional>

#include "engine/paths.h"
#include "engine/placement.h"

namespace corvallo::engine {

using platform::FileError;
using platform::FileErrorKind;
using platform::FolderIdentity;

namespace {

class Pass {
public:
    Pass(const std::vector<std::string>& fileTypes, std::vector<std::string>& destinations, const std::string& runFolder,
         WalkContext& context)
        : fileTypes_(fileTypes), destinations_(destinations), runFolder_(runFolder), context_(context) {}

    void run(const std::string& root) {
        enter(root, true);
        // An explicit stack: trees deep enough to exhaust the thread's stack exist (and links could make more).
        while (!stack_.empty() && !context_.stop.stop_requested()) {
            Frame& top = stack_.back();
            if (top.next == top.subfolders.size()) {
                stack_.pop_back();
                continue;
            }
            std::string child = top.path + top.subfolders[top.next++] + "\\";
            enter(child, false);
        }
    }

private:
    struct Frame {
        std::string path;
        std::vector<std::string> subfolders;
        std::size_t next = 0;
    };

    bool isDestination(const std::string& folder, const platform::FileResult<FolderIdentity>& identity) {
        const std::string here = comparablePath(folder);
        for (const auto& destination : destinations_) {
            const std::string there = comparablePath(destination);
            if (there == here) return true;
            if (!identity.ok()) continue;
            auto known = context_.destinationIdentities.find(there);
            if (known == context_.destinationIdentities.end()) {
                auto found = context_.files.folderIdentity(destination);
                if (!found.ok()) continue;
                known = context_.destinationIdentities.emplace(there, found.value).first;
            }
            if (known->second == identity.value) return true;
        }
        return false;
    }

    void enter(const std::string& folder, bool sourceRoot) {
        if (context_.stop.stop_requested()) return;
        auto identity = context_.files.folderIdentity(folder);
        if (isDestination(folder, identity)) {
            if (sourceRoot) {
                context_.log.failed(FileError{FileErrorKind::InvalidPath, "back up", folder,
                                              "the folder is a destination of the task", 0});
                ++context_.unreadSources;
            }
            return;
        }
        if (identity.ok() && !context_.visited.emplace(identity.value.volume, identity.value.index).second) return;

        // "*.*" and "*" list everything; the folder's full listing serves them and the subfolders alike.
        std::optional<platform::FileResult<std::vector<platform::FolderEntry>>> everything;
        auto list = [&](std::string_view pattern) -> platform::FileResult<std::vector<platform::FolderEntry>> {
            if (pattern != "*.*" && pattern != "*") return context_.files.listFolder(folder, pattern);
            if (!everything) everything = context_.files.listFolder(folder, "*.*");
            return *everything;
        };
        for (const auto& pattern : fileTypes_) {
            auto listing = list(pattern);
            if (!listing.ok()) {
                unreadable(std::move(listing.error), sourceRoot);
                return;
            }
            for (const auto& entry : listing.value) {
                if (entry.isFolder) continue;
                context_.log.matched();
                copyToEveryDestination(folder + entry.name);
                if (context_.stop.stop_requested()) return;
            }
        }

        auto listing = list("*.*");
        if (!listing.ok()) {
            unreadable(std::move(listing.error), sourceRoot);
            return;
        }
        Frame frame{folder, {}, 0};
        for (auto& entry : listing.value) {
            if (entry.isFolder) frame.subfolders.push_back(std::move(entry.name));
        }
        stack_.push_back(std::move(frame));
    }

    void unreadable(FileError error, bool sourceRoot) {
        context_.log.failed(std::move(error));
        if (sourceRoot) ++context_.unreadSources;
    }

    void copyToEveryDestination(const std::string& source) {
        for (auto& destination : destinations_) {
            appendSeparator(destination);
            if (FileError error = copyIntoBackup(source, destination + runFolder_, context_.targets, context_.copier))
                context_.log.copyFailed(std::move(error));
        }
    }

    const std::vector<std::string>& fileTypes_;
    std::vector<std::string>& destinations_;
    const std::string& runFolder_;
    WalkContext& context_;
    std::vector<Frame> stack_;
};

}  // namespace

void backupFolder(std::string& folder, const std::vector<std::string>& fileTypes,
                  std::vector<std::string>& destinations, const std::string& runFolder, WalkContext& context) {
    appendSeparator(folder);
    if (!isRootedPath(folder)) {
        context.log.failed(FileError{FileErrorKind::InvalidPath, "list", folder, "not a drive or network path", 0});
        ++context.unreadSources;
        return;
    }
    Pass(fileTypes, destinations, runFolder, context).run(folder);
}

}  // namespace corvallo::engine
