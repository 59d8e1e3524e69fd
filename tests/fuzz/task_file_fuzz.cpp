// Any bytes load as a task file without harm, and a load after a save gives the same tasks back
// (texts may lose a pair of enclosing quotes per save, as the profile functions read them).
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/profile/profile_document.h"
#include "core/task_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvallo;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TaskListContents first;
    readTasks(profile::ProfileDocument::parse(bytes), first);
    const std::string saved = writeTasks(first);
    TaskListContents second;
    readTasks(profile::ProfileDocument::parse(saved), second);
    if (second.size() != first.size()) __builtin_trap();
    for (std::size_t p = 1; p <= first.size(); ++p) {
        BackupTask a = first.at(p), b = second.at(p);
        // Values read back lose their outer blanks and quotes; only records that were all blank may vanish.
        if (a.id != b.id || a.enabled != b.enabled || a.runCount != b.runCount || a.scheduleKind != b.scheduleKind ||
            a.postAction != b.postAction || a.sources.size() != b.sources.size() || a.repeatHours != b.repeatHours)
            __builtin_trap();
    }
    return 0;
}
