#pragma once
// Windows path texts as the engine reads them: a root that plays the part of the drive, then
// components split at "\" by the text rules.

#include <string>
#include <string_view>
#include <vector>

namespace corvallo::engine {

struct PathParts {
    // "D:" for a drive path, "\\server\share" for a network path; empty when the path has neither.
    std::string root;
    // The components after the root, as split at "\": "a\\b" gives an empty one between a and b,
    // a trailing "\" gives none after it.
    std::vector<std::string> components;
};

PathParts splitPath(std::string_view path);

// True for "D:\..." (any letter) and "\\server\share\...": the only forms a run reads or writes.
bool isRootedPath(std::string_view path);

// Appends "\" when the text does not end in one; returns whether it did.
bool appendSeparator(std::string& path);

std::string withSeparator(std::string_view path);

// The components of an absolute path with empty and "." components dropped and ".." applied (never
// above the root): where the path really leads below its root.
std::vector<std::string> resolvedComponents(const PathParts& parts);

// ASCII letters in lower case: the part of Windows' case rules that a name cache can apply cheaply.
// Names differing only in other letters are told apart by the file system itself (see TargetFolders).
std::string foldCase(std::string_view text);

// A form in which two spellings of one absolute path compare equal: "/" read as "\", doubled
// separators and "." dropped, ".." applied, no trailing separator, case folded.
std::string comparablePath(std::string_view path);

}  // namespace corvallo::engine
