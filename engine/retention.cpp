#include "engine/retention.h"

#include <chrono>

#include "engine/paths.h"

namespace corvallo::engine {

namespace {

// Reads 1 to `maxDigits` decimal digits at `pos`.
std::optional<int> digits(std::string_view text, std::size_t& pos, std::size_t minDigits, std::size_t maxDigits) {
    std::size_t start = pos;
    int value = 0;
    while (pos < text.size() && pos - start < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    if (pos - start < minDigits) return std::nullopt;
    return value;
}

bool expect(std::string_view text, std::size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

std::chrono::year_month_day calendar(CalendarDate date) {
    return std::chrono::year_month_day(std::chrono::year(date.year), std::chrono::month(static_cast<unsigned>(date.month)),
                                       std::chrono::day(static_cast<unsigned>(date.day)));
}

bool validDate(CalendarDate date) {
    return date.month >= 1 && date.month <= 12 && date.day >= 1 && date.day <= 31 && calendar(date).ok();
}

std::chrono::sys_days daysOf(CalendarDate date) { return std::chrono::sys_days(calendar(date)); }

std::string_view withoutSeparator(std::string_view folder) {
    while (!folder.empty() && folder.back() == '\\') folder.remove_suffix(1);
    return folder;
}

}  // namespace

std::optional<CalendarDate> runDate(std::string_view folder) {
    std::size_t pos = 0;
    auto year = digits(folder, pos, 1, 4);
    if (!year || !expect(folder, pos, '-')) return std::nullopt;
    auto month = digits(folder, pos, 1, 2);
    if (!month || !expect(folder, pos, '-')) return std::nullopt;
    auto day = digits(folder, pos, 1, 2);
    if (!day || !expect(folder, pos, ' ')) return std::nullopt;
    // Hour, minute and second run together: "000" (00:00:00) to "235959".
    if (!digits(folder, pos, 3, 6) || pos != folder.size()) return std::nullopt;
    CalendarDate date{*year, *month, *day};
    if (!validDate(date)) return std::nullopt;
    return date;
}

std::vector<std::size_t> expiredRecords(const std::vector<BackupRecord>& records, CalendarDate today, int keepDays,
                                        std::string_view currentRunFolder) {
    std::vector<std::size_t> expired;
    if (keepDays <= 0 || !validDate(today)) return expired;
    const std::string_view current = withoutSeparator(currentRunFolder);
    const auto todayDays = daysOf(today);
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].folder == current) continue;
        auto date = runDate(records[i].folder);
        if (!date) continue;
        if ((todayDays - daysOf(*date)).count() > keepDays) expired.push_back(i);
    }
    return expired;
}

bool namesRunBelowDestination(const BackupRecord& record) {
    PathParts destination = splitPath(record.destination);
    if (destination.root.empty()) return false;
    for (const auto& component : destination.components) {
        if (component.empty() || component == "." || component == "..") return false;
    }
    const std::string& folder = record.folder;
    if (folder.empty() || folder == "." || folder == ".." || folder.find_first_of("\\/:*?\"<>|") != std::string::npos)
        return false;
    return record.archive.empty() || record.archive == folder + ".zip";
}

void removeExpiredRuns(platform::Files& files, std::vector<BackupRecord>& records, CalendarDate today, int keepDays,
                       std::string_view currentRunFolder, RunLog& log) {
    const auto expired = expiredRecords(records, today, keepDays, currentRunFolder);
    const std::string current(withoutSeparator(currentRunFolder));
    std::vector<bool> drop(records.size(), false);
    for (std::size_t index : expired) {
        const BackupRecord& record = records[index];
        // A destination that is not there (a drive not plugged in) keeps its records for a later run.
        if (!namesRunBelowDestination(record) || !files.isFolder(record.destination)) continue;
        const std::string base = withSeparator(record.destination);
        // So does one that holds neither this run's folder nor its archive (no longer writable, say): its old
        // runs may be the last copies it has.
        if (!files.exists(base + current) && !files.exists(base + current + ".zip")) continue;
        bool removed = true;
        const std::string folder = base + record.folder;
        if (files.isFolder(folder)) {
            if (auto error = files.removeTree(folder)) {
                log.failed(std::move(error));
                removed = false;
            }
        } else if (files.exists(folder)) {
            removed = false;  // a file of that name is not a run of ours
        }
        if (!record.archive.empty()) {
            const std::string archive = base + record.archive;
            if (files.isFolder(archive)) {
                removed = false;
            } else if (files.exists(archive)) {
                if (auto error = files.removeFile(archive)) {
                    log.failed(std::move(error));
                    removed = false;
                }
            }
        }
        drop[index] = removed;
    }
    std::vector<BackupRecord> kept;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!drop[i]) kept.push_back(std::move(records[i]));
    }
    records = std::move(kept);
}

}  // namespace corvallo::engine
