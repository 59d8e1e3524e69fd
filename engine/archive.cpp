#include "engine/archive.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engine/zip_verify.h"
#include "engine/zip_writer.h"

namespace corvallo::engine {

using platform::FileError;
using platform::FileErrorKind;
using platform::FolderEntry;

namespace {

FileError failure(FileErrorKind kind, std::string_view path, std::string reason = {}) {
    FileError error;
    error.kind = kind;
    error.operation = "pack";
    error.path = std::string(path);
    error.reason = std::move(reason);
    return error;
}

std::string join(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    path += name;
    return path;
}

// Enough to refuse an archive inside the folder it packs; the comparison need not know every
// case rule of the file system for that.
std::string folded(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (c == '/') c = '\\';
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c == '\\' && !out.empty() && out.back() == '\\') continue;
        out += c;
    }
    while (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

struct Pending {
    std::string relative;  // backslashes, "" for the packed folder itself
    std::string name;      // the same with '/', as entries are named
    FolderEntry info;
};

// Depth first, files of a folder before its subfolders, names in byte order, so that the same
// folder always gives the same archive.
FileError packTree(platform::Files& files, std::string_view folder, zip::ZipWriter& writer, std::stop_token stop,
                   const std::string& archivePath) {
    std::vector<Pending> pending;
    pending.push_back(Pending{});
    while (!pending.empty()) {
        if (stop.stop_requested()) return failure(FileErrorKind::Cancelled, archivePath);
        Pending current = std::move(pending.back());
        pending.pop_back();
        const std::string path = current.relative.empty() ? std::string(folder) : join(folder, current.relative);
        auto listing = files.listFolder(path, "*");
        if (!listing.ok()) return listing.error;
        auto& children = listing.value;
        if (children.empty() && !current.relative.empty()) {
            if (auto error = writer.addFolder(current.name, current.info)) return error;
            continue;
        }
        std::sort(children.begin(), children.end(),
                  [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
        std::vector<Pending> subfolders;
        for (auto& child : children) {
            std::string relative = current.relative.empty() ? child.name : current.relative + "\\" + child.name;
            std::string name = current.name.empty() ? child.name : current.name + "/" + child.name;
            if (child.isFolder && child.isReparsePoint) {
                if (auto error = writer.addFolder(std::move(name), child)) return error;
            } else if (child.isFolder) {
                subfolders.push_back(Pending{std::move(relative), std::move(name), std::move(child)});
            } else if (auto error = writer.addFile(std::move(name), files, join(folder, relative), child, stop)) {
                return error;
            }
        }
        std::move(subfolders.rbegin(), subfolders.rend(), std::back_inserter(pending));
    }
    return {};
}

}  // namespace

FileError packFolder(platform::Files& files, std::string_view folder, std::string_view archivePath,
                     std::stop_token stop, const PackOptions& options, ArchiveStats* stats) {
    const std::string target(archivePath);
    if (stop.stop_requested()) return failure(FileErrorKind::Cancelled, target);
    const std::string folderKey = folded(folder);
    if (folded(archivePath).rfind(folderKey + "\\", 0) == 0)
        return failure(FileErrorKind::InvalidPath, target, "the archive would be inside the folder it packs");
    if (files.exists(archivePath)) return failure(FileErrorKind::AlreadyExists, target);
    if (!files.isFolder(folder)) return failure(FileErrorKind::NotFound, folder, "no folder to pack");

    const std::string partial = target + std::string(kPartialArchiveSuffix);
    auto created = files.createFile(partial);
    if (!created.ok()) return created.error;
    std::unique_ptr<platform::FileWriter> out = std::move(created.value);

    // Whatever goes wrong, the partial file goes; its writer must be closed first.
    auto abandon = [&](FileError error) {
        if (error.kind == FileErrorKind::Cancelled) error = failure(FileErrorKind::Cancelled, target);
        out.reset();
        files.removeFile(partial);
        return error;
    };

    zip::ZipWriter writer(*out, target, options);
    if (auto error = packTree(files, folder, writer, stop, target)) return abandon(std::move(error));
    if (auto error = writer.finish()) return abandon(std::move(error));
    if (auto error = out->finish()) return abandon(std::move(error));
    out.reset();

    if (auto error = zip::verifyArchive(files, partial, writer.entries(), writer.limits(), writer.limits().chunk, stop))
        return abandon(std::move(error));
    if (stop.stop_requested()) return abandon(failure(FileErrorKind::Cancelled, target));
    if (auto error = files.rename(partial, target)) return abandon(std::move(error));

    if (stats) {
        *stats = ArchiveStats{};
        for (const auto& entry : writer.entries()) {
            if (entry.folder) {
                ++stats->folders;
                continue;
            }
            ++stats->files;
            if (entry.method == zip::kStored && entry.size > 0) ++stats->storedFiles;
            stats->bytesRead += entry.size;
        }
        stats->archiveBytes = writer.size();
    }
    return {};
}

int localOffsetMinutes(const platform::LocalTime& local, std::chrono::system_clock::time_point utcNow) {
    const std::int64_t localSeconds = zip::daysFromCivil(local.year, local.month, local.day) * 86400 +
                                      local.hour * 3600 + local.minute * 60 + local.second;
    const std::int64_t utcSeconds =
        std::chrono::duration_cast<std::chrono::seconds>(utcNow.time_since_epoch()).count();
    const std::int64_t difference = localSeconds - utcSeconds;
    // The two clocks are read a moment apart; the nearest quarter hour absorbs that.
    constexpr std::int64_t quarter = 15 * 60;
    const std::int64_t shifted = difference + quarter / 2;
    const std::int64_t quarters = shifted >= 0 ? shifted / quarter : -((-shifted + quarter - 1) / quarter);
    return static_cast<int>(quarters * 15);
}

}  // namespace corvallo::engine
