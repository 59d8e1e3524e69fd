#include "cli/corvctl.h"

#include <cstdio>

#include "core/task_file.h"
#include "core/task_texts.h"

namespace corvallo::cli {

namespace {

constexpr const char* kUsageText =
    "usage: corvctl tasks [--ini PATH] [--json] | corvctl roundtrip IN OUT";

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
};

// Reads --ini PATH and --json; anything else starting with "--" is a usage error.
bool parseOptions(const std::vector<std::string>& arguments, Options& options, std::string& problem) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--ini") {
            if (i + 1 >= arguments.size()) {
                problem = "--ini needs a path";
                return false;
            }
            options.ini = arguments[++i];
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
bool loadForCommand(Environment& env, const std::string& path, TaskList& list, bool missingIsError, int& exitCode) {
    TaskFile file(env.files, path);
    file.readRetryDelays.clear();
    if (missingIsError && !env.files.exists(path)) {
        platform::FileError error{platform::FileErrorKind::NotFound, "read", path, "no such file", 0};
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
    TaskList list;
    int exitCode = kSuccess;
    if (!loadForCommand(env, taskFilePath(env, options), list, !options.ini.empty(), exitCode)) return exitCode;
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
    if (options.positional.size() != 2 || !options.ini.empty() || options.json)
        return usage(env, "roundtrip takes exactly IN and OUT");
    TaskList list;
    int exitCode = kSuccess;
    if (!loadForCommand(env, options.positional[0], list, true, exitCode)) return exitCode;
    TaskFile out(env.files, options.positional[1]);
    if (auto error = saveTaskFile(list, out)) return fileFailure(env, error);
    return kSuccess;
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
    return usage(env, "unknown command " + command);
}

}  // namespace corvallo::cli
