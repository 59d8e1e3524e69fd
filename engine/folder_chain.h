#pragma once
// Target folders of a run: making folder chains, and choosing free names inside them.
//
// One TargetFolders lives for one run and remembers what the run learnt: the folders it made (known
// to hold only what the run put there), the folders it found (listed once, when a name is first
// needed there) and every name it has given out. So deciding a name costs no disk access in a folder
// the run made, and one listing in a folder that was there before. Thread-safe: the walk decides
// names while copy threads may ask for a replacement name.

#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/files.h"

namespace corvallo::engine {

enum ChainResult : int { ChainCreated = 0, ChainFailed = 1, ChainExisted = 2 };

class TargetFolders {
public:
    enum class Mode {
        Create,    // folders are made on the disk
        Simulate,  // nothing is changed: missing folders are only noted as made (for a plan)
    };
    explicit TargetFolders(platform::Files& files, Mode mode = Mode::Create);

    // Makes every missing folder of `path`, a drive or share path ("E:\bak\R\data\"). Fails on any other
    // form, on a ".", ".." or empty component, and when a folder cannot be made (a file in the way, no
    // access); `error` then says why. ChainExisted when the last folder was already there.
    ChainResult makeChain(std::string_view path, platform::FileError& error);

    // A name for `name` in `folder` (a folder made by makeChain, with a trailing "\") that no entry there
    // has and that this run has not given out: the name itself, else "1_name", "2_1_name", ... The
    // prefixes accumulate because each candidate is made from the one before. The name stays taken for
    // the rest of the run.
    std::string reserveName(std::string_view folder, std::string_view name);

private:
    struct Folder {
        bool complete = false;    // `names` holds every entry (made by this run, or listed)
        bool unlistable = false;  // listing failed: names are tested one by one on the disk
        std::unordered_map<std::string, bool> names;  // folded name -> is a folder
    };
    Folder& known(const std::string& key);
    bool taken(Folder& folder, std::string_view folderPath, const std::string& name);
    ChainResult step(const std::string& path, const std::string& parentKey, const std::string& component,
                     platform::FileError& error);

    platform::Files& files_;
    Mode mode_;
    std::mutex mutex_;
    std::unordered_map<std::string, Folder> folders_;  // by folded path without trailing "\"
};

// The same without a run's memory: every folder of the path is looked at on the disk.
ChainResult makeFolderChain(platform::Files& files, std::string_view path, platform::FileError* error = nullptr);

// True when `path` is exactly the root of a drive ("E:\", any case) or of a network share
// ("\\server\share\") that is there.
bool isDriveRoot(platform::Files& files, std::string_view path);

}  // namespace corvallo::engine
