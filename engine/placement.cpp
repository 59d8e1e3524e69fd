#include "engine/placement.h"

#include "engine/paths.h"

namespace corvallo::engine {

using platform::FileError;
using platform::FileErrorKind;

FileError copyIntoBackup(std::string_view sourceFile, std::string_view targetRoot, TargetFolders& targets,
                         Copier& copier) {
    PathParts source = splitPath(sourceFile);
    if (source.root.empty() || targetRoot.empty()) {
        return FileError{FileErrorKind::InvalidPath, "copy", std::string(sourceFile), "not a drive or network path", 0};
    }
    std::vector<std::string> components = resolvedComponents(source);
    if (components.empty()) {
        return FileError{FileErrorKind::InvalidPath, "copy", std::string(sourceFile), "not a file path", 0};
    }
    std::string folder = withSeparator(targetRoot);
    for (std::size_t i = 0; i + 1 < components.size(); ++i) {
        folder += components[i];
        folder += '\\';
    }
    FileError error;
    if (targets.makeChain(folder, error) == ChainFailed) return error;
    std::string name = targets.reserveName(folder, components.back());
    copier.submit(CopyJob{std::string(sourceFile), std::move(folder), std::move(name)});
    return {};
}

}  // namespace corvallo::engine
