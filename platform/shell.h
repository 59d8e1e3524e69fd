#pragma once
// The program's place on disk and other services of the shell.

#include <string>

namespace corvallo::platform {

// The folder that holds the running executable, without a trailing backslash (UTF-8).
std::string programDirectory();

}  // namespace corvallo::platform
