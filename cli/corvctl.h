#pragma once
// corvctl, the command-line companion: what each command does, apart from the console.

#include <ostream>
#include <string>
#include <vector>

#include "platform/files.h"

namespace corvallo::cli {

enum ExitCode { kSuccess = 0, kSomeFailed = 1, kUsage = 2, kFileError = 3 };

struct Environment {
    platform::Files& files;
    std::string programDirectory;  // where the task file lives unless --ini names another
    std::ostream& out;
    std::ostream& err;
};

// `arguments` excludes the program name. Texts are UTF-8.
int runCorvctl(const std::vector<std::string>& arguments, Environment& environment);

}  // namespace corvallo::cli
