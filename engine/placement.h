#pragma once
// Placing one source file below a destination's run folder.

#include <string_view>

#include "engine/copier.h"
#include "engine/folder_chain.h"
#include "platform/file_error.h"

namespace corvallo::engine {

// Rebuilds the file's folder path below `targetRoot` (a destination followed by the run folder name)
// without its root, drive or share (D:\data\docs\a.doc and \\srv\share\data\docs\a.doc both go to
// <targetRoot>data\docs\), makes the missing folders, reserves a free name (a.doc, 1_a.doc,
// 2_1_a.doc, ...) and hands the copy to `copier`. Returns what kept the file from being placed; the
// copy's own outcome is counted in the run's log.
//
// Names are decided here, in walk order, before any copy thread sees the job. A name stays taken even
// when its copy later fails (the gap shows in the run folder): so the names never depend on which
// copies succeed or on how the copy threads are timed, and any number of threads gives every file the
// name a run on one thread gives it.
platform::FileError copyIntoBackup(std::string_view sourceFile, std::string_view targetRoot, TargetFolders& targets,
                                   Copier& copier);

}  // namespace corvallo::engine
