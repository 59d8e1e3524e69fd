#pragma once
// corvctl, the command-line companion: what each command does, apart from the console.

#include <ostream>
#include <stop_token>
#include <string>
#include <vector>

#include "engine/run.h"
#include "platform/clock.h"
#include "platform/files.h"

namespace corvallo::cli {

enum ExitCode { kSuccess = 0, kSomeFailed = 1, kUsage = 2, kFileError = 3 };

struct Environment {
    platform::Files& files;
    std::string programDirectory;  // where the task file lives unless --ini names another
    std::ostream& out;
    std::ostream& err;
    // For run and plan: the time a run starts at and its waits, and a stop (Ctrl+C) that ends a run early.
    platform::Clock* clock = nullptr;
    std::stop_token stop{};
    int copyThreads = engine::kDefaultCopyThreads;
};

// `arguments` excludes the program name. Texts are UTF-8.
int runCorvctl(const std::vector<std::string>& arguments, Environment& environment);

}  // namespace corvallo::cli
