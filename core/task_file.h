#pragma once
// The task file: every task of the list in an INI file in code page 936, one section per task.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "core/task_list.h"
#include "platform/files.h"

namespace corvallo {

namespace profile {
class ProfileDocument;
}

inline constexpr const char* kTaskFileName = "quorvtask.ini";
inline constexpr const char* kTaskFileBackupSuffix = ".bak";

// Where the task file lives and what its loader learnt about it. One per program.
class TaskFile {
public:
    TaskFile(platform::Files& files, std::string path);

    const std::string& path() const { return path_; }
    platform::Files& files() { return files_; }

    // A file that exists but cannot be read is tried again after each of these waits.
    std::vector<std::chrono::milliseconds> readRetryDelays{std::chrono::milliseconds(100), std::chrono::milliseconds(300),
                                                           std::chrono::milliseconds(600), std::chrono::milliseconds(1000)};
    std::function<void(std::chrono::milliseconds)> sleep;

    // Set when the last load found a file it could not read: the next save first moves that file
    // aside, so that what it holds survives.
    bool unreadableOnLoad = false;
    // Where the unreadable file was moved, once it has been.
    std::string setAsidePath;

private:
    platform::Files& files_;
    std::string path_;
};

// Replaces the list's contents with the tasks of the file. A missing file gives an empty list; a file
// that stays unreadable gives an empty list and the error.
platform::FileError loadTaskFile(TaskList& list, TaskFile& file);

// Writes the whole list, under the list's lock, into a new file that replaces the old one in one step
// (the previous version is kept beside it with the suffix ".bak").
platform::FileError saveTaskFile(TaskList& list, TaskFile& file);

// The file's format, apart from any disk.
void readTasks(const profile::ProfileDocument& document, TaskListContents& contents);
// The same from the file's bytes, which are released once parsed to keep the load's peak memory low.
void readTasks(std::string&& fileBytes, TaskListContents& contents);
std::string writeTasks(const TaskListContents& contents);  // the file's bytes

// A count read from the file is honoured up to this many entries beyond the highest one present.
inline constexpr std::int64_t kCountSlackBeyondPresent = 1024;

}  // namespace corvallo
