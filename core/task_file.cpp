#include "core/task_file.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <thread>
#include <unordered_set>

#include "core/profile/profile_document.h"
#include "core/text/text_rules.h"

namespace corvallo {

using platform::FileError;
using platform::FileErrorKind;
using profile::ProfileDocument;

namespace {

constexpr const char* kListSection = "task";

std::string decimal(std::int64_t value) { return std::to_string(value); }

// "12" -> 12; texts that a lookup by a decimal number would not find (leading zeros, signs) give 0.
std::int64_t decimalIndex(std::string_view digits) {
    if (digits.empty() || digits.size() > 10 || digits[0] == '0') return 0;
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size()) return 0;
    return value;
}

// "source12" -> 12 for prefix "source" (key names compare without regard to case).
std::int64_t indexAfterPrefix(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size()) return 0;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return 0;
    }
    return decimalIndex(name.substr(prefix.size()));
}

// A count is honoured as the file states it unless it promises far more entries than the file holds:
// then only the entries up to the highest one present count. Keeps absurd counts from exhausting memory.
std::int64_t boundedCount(std::int64_t count, std::int64_t highestPresent) {
    if (count <= highestPresent + kCountSlackBeyondPresent) return count;
    return highestPresent;
}

std::int64_t highestKeyIndex(const ProfileDocument& document, std::string_view section, std::string_view prefix) {
    std::int64_t highest = 0;
    for (const auto& name : document.keyNames(section)) highest = std::max(highest, indexAfterPrefix(name, prefix));
    return highest;
}

class TaskReader {
public:
    TaskReader(const ProfileDocument& document, TaskListContents& contents) : document_(document), contents_(contents) {}

    void read() {
        contents_.clear();
        std::int64_t count = integer(kListSection, "number", "0");
        if (count <= 0) return;
        std::int64_t highestSection = 0;
        for (const auto& name : document_.sectionNames()) highestSection = std::max(highestSection, decimalIndex(name));
        count = boundedCount(count, highestSection);
        for (std::int64_t position = 1; position <= count; ++position) contents_.append(readTask(position));
    }

private:
    std::int32_t integer(std::string_view section, std::string_view key, std::string_view fallback) const {
        return text::textToInteger(document_.valueOr(section, key, fallback));
    }

    std::vector<std::string> list(const std::string& section, const std::string& key) const {
        std::int64_t count = integer(section, key, "0");
        std::vector<std::string> entries;
        if (count <= 0) return entries;
        count = boundedCount(count, highestKeyIndex(document_, section, key));
        entries.reserve(static_cast<std::size_t>(count));
        for (std::int64_t k = 1; k <= count; ++k) entries.push_back(document_.valueOr(section, key + decimal(k), ""));
        return entries;
    }

    std::vector<BackupRecord> records(const std::string& section) const {
        std::int64_t count = integer(section, "bak", "0");
        std::vector<BackupRecord> out;
        if (count <= 0) return out;
        count = boundedCount(count, highestKeyIndex(document_, section, "bak"));
        for (std::int64_t k = 1; k <= count; ++k) {
            auto value = document_.value(section, "bak" + decimal(k));
            if (!value || value->empty()) continue;
            auto parts = text::splitText(*value, '|');
            if (parts.size() < 3) continue;
            BackupRecord record{std::move(parts[0]), std::move(parts[1]), parts[2] == "0" ? std::string() : std::move(parts[2])};
            out.push_back(std::move(record));
        }
        return out;
    }

    std::string defaultName() {
        // Names only join the list during a load, so the smallest free number never goes down.
        while (true) {
            std::string candidate = "定时备份任务(" + decimal(nextDefaultNumber_) + ")";
            if (names_.count(candidate) == 0) return candidate;
            ++nextDefaultNumber_;
        }
    }

    BackupTask readTask(std::int64_t position) {
        const std::string section = decimal(position);
        BackupTask task;
        task.id = static_cast<std::int32_t>(position);  // what the smallest free id is while loading in order
        task.enabled = integer(section, "on", "0");
        task.runCount = integer(section, "times", "0");
        auto name = document_.value(section, "name");
        task.name = name ? *name : defaultName();
        names_.insert(task.name);
        task.sources = list(section, "source");
        task.fileTypes = list(section, "filetype");
        task.destinations = list(section, "dest");
        task.backupRecords = records(section);
        task.scheduleKind = integer(section, "type", "0");
        task.year = integer(section, "year", "0");
        task.month = integer(section, "mouth", "0");
        task.day = integer(section, "day", "0");
        task.weekdays = document_.valueOr(section, "week", "0");
        task.repeatEnabled = integer(section, "mps", "0") == 1;
        task.repeatHours = std::clamp(integer(section, "raps", "1"), 1, 4);
        task.hour = integer(section, "hours", "0");
        task.minute = integer(section, "minutes", "0");
        task.compress = integer(section, "usezip", "0");
        task.notify = integer(section, "notice", "0");
        task.keepDays = integer(section, "maxbak", "0");
        task.postAction = integer(section, "dolast", "1");
        return task;
    }

    const ProfileDocument& document_;
    TaskListContents& contents_;
    std::unordered_set<std::string> names_;
    std::int64_t nextDefaultNumber_ = 1;
};

void writeList(ProfileDocument& document, const std::string& section, const std::string& key,
               const std::vector<std::string>& entries) {
    document.setValue(section, key, decimal(static_cast<std::int64_t>(entries.size())));
    for (std::size_t k = 0; k < entries.size(); ++k) document.setValue(section, key + decimal(static_cast<std::int64_t>(k + 1)), entries[k]);
}

std::string recordText(const BackupRecord& record) {
    return record.destination + "|" + record.folder + "|" + (record.archive.empty() ? std::string("0") : record.archive);
}

std::string asideName(platform::Files& files, const std::string& path) {
    std::string candidate = path + ".unreadable";
    for (int n = 2; files.exists(candidate); ++n) candidate = path + ".unreadable-" + decimal(n);
    return candidate;
}

}  // namespace

TaskFile::TaskFile(platform::Files& files, std::string path)
    : sleep([](std::chrono::milliseconds ms) { std::this_thread::sleep_for(ms); }), files_(files), path_(std::move(path)) {}

void readTasks(const ProfileDocument& document, TaskListContents& contents) { TaskReader(document, contents).read(); }

void readTasks(std::string&& fileBytes, TaskListContents& contents) {
    ProfileDocument document = ProfileDocument::parse(fileBytes);
    std::string().swap(fileBytes);
    readTasks(document, contents);
}

std::string writeTasks(const TaskListContents& contents) {
    ProfileDocument document;
    document.setValue(kListSection, "number", decimal(static_cast<std::int64_t>(contents.size())));
    for (std::size_t position = 1; position <= contents.size(); ++position) {
        const BackupTask& task = contents.at(position);
        const std::string section = decimal(static_cast<std::int64_t>(position));
        document.setValue(section, "on", decimal(task.enabled));
        document.setValue(section, "times", decimal(task.runCount));
        document.setValue(section, "name", task.name);
        writeList(document, section, "source", task.sources);
        writeList(document, section, "filetype", task.fileTypes);
        writeList(document, section, "dest", task.destinations);
        document.setValue(section, "bak", decimal(static_cast<std::int64_t>(task.backupRecords.size())));
        for (std::size_t k = 0; k < task.backupRecords.size(); ++k) {
            const BackupRecord& record = task.backupRecords[k];
            if (record.isEmpty()) continue;  // left as a gap; the count still includes it
            document.setValue(section, "bak" + decimal(static_cast<std::int64_t>(k + 1)), recordText(record));
        }
        document.setValue(section, "type", decimal(task.scheduleKind));
        document.setValue(section, "year", decimal(task.year));
        document.setValue(section, "mouth", decimal(task.month));
        document.setValue(section, "day", decimal(task.day));
        document.setValue(section, "week", task.weekdays);
        document.setValue(section, "mps", task.repeatEnabled ? "1" : "0");
        document.setValue(section, "raps", decimal(task.repeatHours));
        document.setValue(section, "hours", decimal(task.hour));
        document.setValue(section, "minutes", decimal(task.minute));
        document.setValue(section, "usezip", decimal(task.compress));
        document.setValue(section, "notice", decimal(task.notify));
        document.setValue(section, "maxbak", decimal(task.keepDays));
        document.setValue(section, "dolast", decimal(task.postAction));
    }
    return document.serialize();
}

FileError loadTaskFile(TaskList& list, TaskFile& file) {
    auto result = file.files().readFile(file.path());
    for (std::size_t attempt = 0; !result.ok() && result.error.kind != FileErrorKind::NotFound &&
                                  attempt < file.readRetryDelays.size();
         ++attempt) {
        file.sleep(file.readRetryDelays[attempt]);
        result = file.files().readFile(file.path());
    }
    file.unreadableOnLoad = !result.ok() && result.error.kind != FileErrorKind::NotFound;
    // Parse outside the lock; the list changes in one step.
    TaskListContents loaded;
    if (result.ok()) {
        try {
            readTasks(std::move(result.value), loaded);
        } catch (const std::exception& problem) {
            // Too large to hold: treat it as unreadable, so that no save destroys it.
            file.unreadableOnLoad = true;
            result.error = FileError{FileErrorKind::Other, "read", file.path(), problem.what(), 0};
        }
    }
    list.locked([&loaded](TaskListContents& contents) { contents = std::move(loaded); });
    return file.unreadableOnLoad ? result.error : FileError{};
}

FileError saveTaskFile(TaskList& list, TaskFile& file) {
    return list.locked([&file](const TaskListContents& contents) -> FileError {
        if (file.unreadableOnLoad) {
            std::string aside = asideName(file.files(), file.path());
            FileError moved = file.files().rename(file.path(), aside);
            if (moved && moved.kind != FileErrorKind::NotFound) return moved;  // never overwrite what we could not read
            file.unreadableOnLoad = false;
            if (!moved) file.setAsidePath = aside;
        }
        return file.files().replaceFile(file.path(), writeTasks(contents), file.path() + kTaskFileBackupSuffix);
    });
}

}  // namespace corvallo
