#include "cli/corvctl.h"

#include <cstdio>

#include "core/task_file.h"
#include "core/task_texts.h"
#include "engine/plan.h"
#include "engine/run.h"

namespace corvallo::cli {

namespace {

constexpr const char* kUsageText =
    "usage: corvctl tasks [--ini PATH] [--json] | corvctl run ID [--ini PATH] [--threads N] | corvctl plan ID [--ini PATH] | "
    "corvctl roundtrip IN OUT";

int usage(Environment& env, const std::string& problem) {
    env.err << "corvctl: " << problem << " (" << kUsageText << ")\n";
    return kUsage;
}

int fileFailure(Environment& env, const platform::FileError& error) {
    env.err << "corvctl: " << error.describe() << "\n";
    return kFileError;
}

std::string jsonString(const std::string& utf8) {
    std::string out = "\"";
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else if (c == 0xED && i + 2 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xE0) == 0xA0) {
            // A carried byte the file held undecoded: a lone surrogate, which JSON can only spell escaped.
            unsigned cp = 0xD000u | ((static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6) |
                          (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", cp);
            out += buffer;
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

struct Options {
    std::vector<std::string> positional;
    std::string ini;
    bool json = false;
    std::int32_t threads = 0;  // copy threads of a run; 0: the environment's
};

// A positive decimal number without sign or leading zeros, as task IDs are shown.
bool parseCount(const std::string& text, std::int32_t& value) {
    if (text.empty() || text.size() > 9 || text[0] == '0') return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// Reads --ini PATH, --json and --threads N; anything else starting with "--" is a usage error.
bool parseOptions(const std::vector<std::string>& arguments, Options& options, std::string& problem) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--ini") {
            if (i + 1 >= arguments.size()) {
                problem = "--ini needs a path";
                return false;
            }
            options.ini = arguments[++i];
        } else if (a == "--threads") {
            if (i + 1 >= arguments.size() || !parseCount(arguments[i + 1], options.threads) || options.threads > 16) {
                problem = "--threads needs a number from 1 to 16";
                return false;
            }
            ++i;
        } else if (a == "--json") {
            options.json = true;
        } else if (a.rfind("--", 0) == 0) {
            problem = "unknown option " + a;
            return false;
        } else {
            options.positional.push_back(a);
        }
    }
    return true;
}

std::string taskFilePath(const Environment& env, const Options& options) {
    if (!options.ini.empty()) return options.ini;
    return env.programDirectory + "\\" + kTaskFileName;
}

// Loads as the program does at start-up, but a file that cannot be read is an error here.
bool loadForCommand(Environment& env, TaskFile& file, TaskList& list, bool missingIsError, int& exitCode) {
    file.readRetryDelays.clear();
    if (missingIsError && !env.files.exists(file.path())) {
        platform::FileError error{platform::FileErrorKind::NotFound, "read", file.path(), "no such file", 0};
        exitCode = fileFailure(env, error);
        return false;
    }
    if (auto error = loadTaskFile(list, file)) {
        exitCode = fileFailure(env, error);
        return false;
    }
    return true;
}

int listTasks(Environment& env, const Options& options) {
    if (!options.positional.empty()) return usage(env, "tasks takes no arguments");
    if (options.threads != 0) return usage(env, "--threads is for run only");
    TaskList list;
    int exitCode = kSuccess;
    TaskFile file(env.files, taskFilePath(env, options));
    if (!loadForCommand(env, file, list, !options.ini.empty(), exitCode)) return exitCode;
    const auto tasks = list.snapshot();
    if (options.json) {
        env.out << "[";
        for (std::size_t i = 0; i < tasks.size(); ++i) {
            const auto& t = tasks[i];
            env.out << (i == 0 ? "\n" : ",\n") << "  {\"id\": " << t.id << ", \"enabled\": " << (t.isEnabled() ? "true" : "false")
                    << ", \"name\": " << jsonString(t.name) << ", \"sources\": " << t.sources.size()
                    << ", \"schedule\": " << jsonString(scheduleText(t)) << ", \"runCount\": " << t.runCount << "}";
        }
        env.out << (tasks.empty() ? "]\n" : "\n]\n");
        return kSuccess;
    }
    env.out << "id\tenabled\tname\tsources\tschedule\truns\n";
    for (const auto& t : tasks) {
        env.out << t.id << '\t' << (t.isEnabled() ? "yes" : "no") << '\t' << t.name << '\t' << t.sources.size() << '\t'
                << scheduleText(t) << '\t' << t.runCount << '\n';
    }
    return kSuccess;
}

int roundtrip(Environment& env, const Options& options) {
    if (options.positional.size() != 2 || !options.ini.empty() || options.json || options.threads != 0)
        return usage(env, "roundtrip takes exactly IN and OUT");
    TaskList list;
    int exitCode = kSuccess;
    TaskFile in(env.files, options.positional[0]);
    if (!loadForCommand(env, in, list, true, exitCode)) return exitCode;
    TaskFile out(env.files, options.positional[1]);
    if (auto error = saveTaskFile(list, out)) return fileFailure(env, error);
    return kSuccess;
}

// Loads the task file and finds the task named on the command line; on failure returns false with the exit code.
bool findTask(Environment& env, const Options& options, const char* command, TaskList& list, TaskFile& file,
              std::int32_t& id, int& exitCode) {
    if (options.threads != 0 && std::string(command) != "run") {
        exitCode = usage(env, "--threads is for run only");
        return false;
    }
    if (options.positional.size() != 1 || options.json) {
        exitCode = usage(env, std::string(command) + " takes exactly one task ID");
        return false;
    }
    if (!parseCount(options.positional[0], id)) {
        exitCode = usage(env, "not a task ID: " + options.positional[0]);
        return false;
    }
    if (env.clock == nullptr) {
        exitCode = usage(env, std::string(command) + " needs the clock");
        return false;
    }
    if (!loadForCommand(env, file, list, true, exitCode)) return false;
    if (list.positionOfTask(id) == 0) {
        env.err << "corvctl: no task with ID " << id << " in " << file.path() << "\n";
        exitCode = kFileError;
        return false;
    }
    return true;
}

void printResult(Environment& env, const BackupTask& task, const engine::RunResult& result) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", result.seconds);
    env.out << "task " << task.id << ": run " << task.runCount << " in folder "
            << task.runFolder.substr(0, task.runFolder.size() - 1) << "\n"
            << "matched " << result.filesMatched << ", copied " << result.filesCopied << ", failed " << result.filesFailed
            << ", bytes " << result.bytesCopied << ", seconds " << seconds << "\n";
    for (const auto& failure : result.failures) env.out << "failed: " << failure.describe() << "\n";
    if (result.stopped) env.out << "stopped before the end\n";
}

// One run now, as a worker does it: on a copy of the task, the run data written back under the list's
// lock, then the task file saved.
int runTask(Environment& env, const Options& options) {
    TaskList list;
    TaskFile file(env.files, taskFilePath(env, options));
    std::int32_t id = 0;
    int exitCode = kSuccess;
    if (!findTask(env, options, "run", list, file, id, exitCode)) return exitCode;
    BackupTask task = *list.taskWithId(id);

    engine::RunEnvironment run{env.files, *env.clock, env.stop, options.threads != 0 ? options.threads : env.copyThreads};
    run.started = [&](const BackupTask& started) {
        list.locked([&](TaskListContents& contents) {
            if (BackupTask* live = contents.find(id)) {
                live->runCount = started.runCount;
                live->runFolder = started.runFolder;
            }
        });
    };
    const engine::RunResult result = engine::runBackup(task, run);
    list.locked([&](TaskListContents& contents) {
        if (BackupTask* live = contents.find(id)) engine::writeBackRunData(task, *live);
    });
    printResult(env, task, result);
    if (auto error = saveTaskFile(list, file)) return fileFailure(env, error);
    return result.succeeded() ? kSuccess : kSomeFailed;
}

int planTask(Environment& env, const Options& options) {
    TaskList list;
    TaskFile file(env.files, taskFilePath(env, options));
    std::int32_t id = 0;
    int exitCode = kSuccess;
    if (!findTask(env, options, "plan", list, file, id, exitCode)) return exitCode;
    const engine::BackupPlan plan = engine::planBackup(*list.taskWithId(id), env.files, env.clock->now());
    for (const auto& copy : plan.copies) env.out << copy.source << " -> " << copy.target << "\n";
    for (const auto& failure : plan.failures) env.out << "cannot: " << failure.describe() << "\n";
    return plan.failures.empty() ? kSuccess : kSomeFailed;
}

}  // namespace

int runCorvctl(const std::vector<std::string>& arguments, Environment& env) {
    if (arguments.empty()) return usage(env, "no command given");
    Options options;
    std::string problem;
    if (!parseOptions(arguments, options, problem)) return usage(env, problem);
    const std::string& command = arguments[0];
    if (command == "tasks") return listTasks(env, options);
    if (command == "roundtrip") return roundtrip(env, options);
    if (command == "run") return runTask(env, options);
    if (command == "plan") return planTask(env, options);
    return usage(env, "unknown command " + command);
}

}  // namespace corvallo::cli
