#pragma once
// UTF-8 <-> UTF-16 at the Win32 boundary, and the long-path form of a path.
// Lone surrogates survive both ways (as three-byte sequences in UTF-8), so every name Windows can
// hold comes back unchanged.

#include <string>
#include <string_view>

#include "platform/file_error.h"

namespace corvallo::platform::win32 {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

// "D:\a" -> "\\?\D:\a", "\\srv\share\a" -> "\\?\UNC\srv\share\a"; relative paths are made absolute
// first. Forward slashes become backslashes, since the prefixed form takes names literally.
std::wstring longPath(std::string_view utf8);

// The error of the last failed call, as a value.
FileError lastError(const char* operation, std::string_view path);
FileError errorFromCode(unsigned long code, const char* operation, std::string_view path);

}  // namespace corvallo::platform::win32
