#pragma once
// The pass over one source folder: depth first, a folder's matching files (pattern by pattern, each
// to every destination) before its subfolders.

#include <cstdint>
#include <map>
#include <set>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "engine/copier.h"
#include "engine/folder_chain.h"
#include "engine/run_log.h"
#include "platform/files.h"

namespace corvallo::engine {

// What the passes of one run share.
struct WalkContext {
    platform::Files& files;
    std::stop_token stop;
    TargetFolders& targets;
    Copier& copier;
    RunLog& log;
    // Folders entered so far, by identity: a junction or link back up the tree, or two sources that
    // overlap, never bring the walk into one folder twice.
    std::set<std::pair<std::uint64_t, std::uint64_t>> visited{};
    // Identities of destinations, once they exist (a run may make them while it walks).
    std::map<std::string, platform::FolderIdentity> destinationIdentities{};
    // Sources the run left out entirely: their own folder could not be read, or is not one to read.
    int unreadSources = 0;
};

// Appends "\" to `folder` when it lacks one; appends "\" to a destination when a file is first copied to
// it. `runFolder` ends in "\". A destination found inside the source is not entered, so a run never
// backs up run folders. Folders that cannot be listed are counted as failures and left out.
void backupFolder(std::string& folder, const std::vector<std::string>& fileTypes,
                  std::vector<std::string>& destinations, const std::string& runFolder, WalkContext& context);

}  // namespace corvallo::engine
