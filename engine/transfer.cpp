#include "engine/transfer.h"

namespace corvallo::engine {

using platform::FileError;
using platform::FileErrorKind;

namespace {

bool transient(const FileError& error) {
    return error.kind == FileErrorKind::SharingViolation;
}

// Runs `attempt` again after each delay while it fails with a sharing violation (or, for renames, with
// access denied, which is how a scanner holding the new file shows).
template <class Attempt>
FileError withRetries(CopyContext& context, bool accessDeniedIsTransient, Attempt attempt) {
    FileError error = attempt();
    for (auto delay : context.retryDelays) {
        if (!error) break;
        if (!transient(error) && !(accessDeniedIsTransient && error.kind == FileErrorKind::AccessDenied)) break;
        if (!context.clock.waitFor(delay, context.stop)) {
            error.kind = FileErrorKind::Cancelled;
            break;
        }
        error = attempt();
    }
    return error;
}

FileError stopped(const std::string& source) {
    return FileError{FileErrorKind::Cancelled, "copy", source, {}, 0};
}

}  // namespace

FileError copyPlacedFile(const CopyJob& job, CopyContext& context, platform::CopyCache* cache, std::string* target,
                         std::uint64_t* copiedBytes) {
    if (context.stop.stop_requested()) return stopped(job.source);
    const std::string temporary = job.folder + "~" + context.temporaryTag + "-" +
                                  std::to_string(context.sequence.fetch_add(1)) + std::string(kTemporarySuffix);

    std::uint64_t bytes = 0;
    const platform::CopyProgress progress = [&bytes](std::uint64_t done, std::uint64_t) { bytes = done; };
    std::string name = job.name;
    FileError error = withRetries(context, false, [&] {
        bytes = 0;
        return context.files.copyFileAs(job.source, temporary, job.folder + name, context.stop, progress, cache);
    });
    // Only someone outside this run can have taken a reserved name (another task writing into the same run
    // folder, or a name differing from ours only in non-ASCII case): the copy waits under its temporary name
    // for the next free one.
    for (int attempts = 0; error.kind == FileErrorKind::AlreadyExists && attempts < 100; ++attempts) {
        name = context.targets.reserveName(job.folder, name);
        error = withRetries(context, true, [&] { return context.files.rename(temporary, job.folder + name); });
    }
    if (error) {
        context.files.removeFile(temporary);  // mostly gone already; never left behind
        if (context.stop.stop_requested()) error.kind = FileErrorKind::Cancelled;
        // The temporary name means nothing to a reader of the failure; the name it stood for does.
        if (error.path == temporary) error.path = job.folder + name;
        return error;
    }
    if (target != nullptr) *target = job.folder + name;
    if (copiedBytes != nullptr) *copiedBytes = bytes;
    return {};
}

void runCopyJob(const CopyJob& job, CopyContext& context, platform::CopyCache* cache) {
    std::uint64_t bytes = 0;
    FileError error = copyPlacedFile(job, context, cache, nullptr, &bytes);
    if (!error) {
        context.log.copied(bytes);
    } else if (error.kind != FileErrorKind::Cancelled) {
        context.log.copyFailed(std::move(error));
    }
}

}  // namespace corvallo::engine
