#include "engine/paths.h"

#include "core/text/text_rules.h"

namespace corvallo::engine {

namespace {

bool isDriveComponent(std::string_view text) {
    return text.size() == 2 && text[1] == ':' &&
           ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}

}  // namespace

PathParts splitPath(std::string_view path) {
    PathParts parts;
    auto pieces = text::splitText(path, '\\');
    std::size_t first = 0;
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        // "\\server\share\rest" splits into "", "", server, share, rest...
        if (pieces.size() < 4 || pieces[2].empty() || pieces[3].empty() || pieces[2] == "?" || pieces[2] == ".")
            return {};
        parts.root = "\\\\" + pieces[2] + "\\" + pieces[3];
        first = 4;
    } else if (!pieces.empty() && isDriveComponent(pieces[0])) {
        // "D:" alone has no separator after the drive: it is relative to the drive's current folder.
        if (path.size() < 3 || path[2] != '\\') return {};
        parts.root = pieces[0];
        first = 1;
    } else {
        return {};
    }
    parts.components.assign(pieces.begin() + static_cast<std::ptrdiff_t>(first), pieces.end());
    return parts;
}

bool isRootedPath(std::string_view path) { return !splitPath(path).root.empty(); }

bool appendSeparator(std::string& path) {
    if (!path.empty() && path.back() == '\\') return false;
    path += '\\';
    return true;
}

std::string withSeparator(std::string_view path) {
    std::string out(path);
    appendSeparator(out);
    return out;
}

std::string foldCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::vector<std::string> resolvedComponents(const PathParts& parts) {
    std::vector<std::string> kept;
    for (const auto& component : parts.components) {
        if (component.empty() || component == ".") continue;
        if (component == "..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        kept.push_back(component);
    }
    return kept;
}

std::string comparablePath(std::string_view path) {
    std::string slashes(path);
    for (char& c : slashes) {
        if (c == '/') c = '\\';
    }
    PathParts parts = splitPath(slashes);
    if (parts.root.empty()) return foldCase(slashes);
    std::string out = parts.root;
    for (const auto& component : resolvedComponents(parts)) {
        out += '\\';
        out += component;
    }
    return foldCase(out);
}

}  // namespace corvallo::engine
