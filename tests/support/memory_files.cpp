#include "tests/support/memory_files.h"

#include <algorithm>
#include <cctype>

namespace corvallo::testing {

using platform::DriveType;
using platform::FileError;
using platform::FileErrorKind;
using platform::FileResult;
using platform::FolderEntry;
using platform::FolderIdentity;

namespace {

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool matchFrom(std::string_view name, std::string_view pattern) {
    // Iterative '*' matching with one back-tracking point: linear enough for test names.
    std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace

bool matchesPattern(std::string_view name, std::string_view pattern) {
    if (pattern == "*" || pattern == "*.*") return true;
    if (pattern.size() > 1 && pattern.back() == '.' && pattern[pattern.size() - 2] != '.') {
        // "*." asks for names without an extension.
        if (name.find('.') != std::string_view::npos) return false;
        return matchFrom(name, pattern.substr(0, pattern.size() - 1));
    }
    if (matchFrom(name, pattern)) return true;
    // "a*.*" also finds "a" without a dot, as the Windows search does.
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" && name.find('.') == std::string_view::npos)
        return matchFrom(name, pattern.substr(0, pattern.size() - 2));
    return false;
}

MemoryFiles::MemoryFiles() = default;

std::string MemoryFiles::normalise(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    std::size_t start = 0;
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        out = "\\\\";
        start = 2;
    }
    for (std::size_t i = start; i < path.size(); ++i) {
        char c = path[i] == '/' ? '\\' : path[i];
        if (c == '\\' && !out.empty() && out.back() == '\\' && out.size() > 2) continue;
        out += c;
    }
    while (out.size() > 3 && out.back() == '\\') out.pop_back();
    if (out.size() == 3 && out[1] == ':' && out[2] == '\\') out.pop_back();
    return out;
}

MemoryFiles::Key MemoryFiles::fold(std::string_view path) {
    std::string key = normalise(path);
    for (char& c : key) c = lower(c);
    return key;
}

std::string MemoryFiles::parentOf(const std::string& key) {
    auto slash = key.rfind('\\');
    if (slash == std::string::npos || slash < 2) return {};
    return key.substr(0, slash);
}

std::optional<MemoryFiles::Key> MemoryFiles::resolve(std::string_view path, bool followLastLink) const {
    Key whole = fold(path);
    // Find the root: "c:" or "\\server\share".
    std::size_t rootEnd;
    if (whole.rfind("\\\\", 0) == 0) {
        auto first = whole.find('\\', 2);
        if (first == std::string::npos) return std::nullopt;
        rootEnd = whole.find('\\', first + 1);
    } else {
        if (whole.size() < 2 || whole[1] != ':') return std::nullopt;
        rootEnd = whole.find('\\');
    }
    Key key = whole.substr(0, rootEnd);
    if (drives_.count(key) == 0) return std::nullopt;
    if (rootEnd == std::string::npos) return key;
    std::size_t pos = rootEnd + 1;
    int hops = 0;
    while (pos <= whole.size()) {
        auto next = whole.find('\\', pos);
        std::string component = whole.substr(pos, next == std::string::npos ? std::string::npos : next - pos);
        key += "\\" + component;
        bool last = next == std::string::npos;
        auto it = nodes_.find(key);
        if (it != nodes_.end() && !it->second.linkTarget.empty() && (!last || followLastLink)) {
            if (++hops > 40) return std::nullopt;
            key = it->second.linkTarget;
        }
        if (last) break;
        pos = next + 1;
    }
    return key;
}

FileError MemoryFiles::fail(const std::string& operation, std::string_view path, FileErrorKind kind) const {
    FileError error;
    error.kind = kind;
    error.operation = operation;
    error.path = std::string(path);
    return error;
}

FileError MemoryFiles::fault(const std::string& operation, std::string_view path) {
    ++counts_[operation];
    Key key = fold(path);
    for (auto& f : faults_) {
        if (f.times == 0 || f.operation != operation || fold(f.path) != key) continue;
        if (f.times > 0) --f.times;
        return fail(operation, path, f.kind);
    }
    return {};
}

void MemoryFiles::addDrive(const std::string& drive, DriveType type) {
    std::lock_guard lock(mutex_);
    Key key = fold(drive);
    drives_[key] = type;
    nodes_[key] = Node{drive.substr(0, 2), true, {}, 0x10, nextIndex_++, {}};
}

void MemoryFiles::addShare(const std::string& root) {
    std::lock_guard lock(mutex_);
    Key key = fold(root);
    drives_[key] = DriveType::Remote;
    nodes_[key] = Node{root, true, {}, 0x10, nextIndex_++, {}};
}

void MemoryFiles::ensureFolderChain(const std::string& path) {
    std::string norm = normalise(path);
    auto key = resolve(norm);
    if (!key) return;
    std::string parent = parentOf(norm);
    if (!parent.empty() && !resolve(parent).has_value()) return;
    if (!parent.empty()) {
        auto parentKey = resolve(parent);
        if (parentKey && nodes_.count(*parentKey) == 0) ensureFolderChain(parent);
    }
    if (nodes_.count(*key) == 0) {
        std::string name = norm.substr(norm.rfind('\\') + 1);
        nodes_[*key] = Node{name, true, {}, 0x10, nextIndex_++, {}};
    }
}

void MemoryFiles::addNode(const std::string& path, bool folder, std::string data, std::uint32_t attributes) {
    std::string norm = normalise(path);
    ensureFolderChain(parentOf(norm));
    auto key = resolve(norm, false);
    if (!key) return;
    std::string name = norm.substr(norm.rfind('\\') + 1);
    nodes_[*key] = Node{name, folder, std::move(data), folder ? (attributes | 0x10) : attributes, nextIndex_++, {}};
}

void MemoryFiles::addFolder(const std::string& path) {
    std::lock_guard lock(mutex_);
    addNode(path, true, {}, 0);
}

void MemoryFiles::addFile(const std::string& path, std::string content, std::uint32_t attributes) {
    std::lock_guard lock(mutex_);
    addNode(path, false, std::move(content), attributes);
}

void MemoryFiles::addFolderLink(const std::string& path, const std::string& target) {
    std::lock_guard lock(mutex_);
    addNode(path, true, {}, 0x400);
    auto key = resolve(path, false);
    auto targetKey = resolve(target);
    if (key && targetKey) nodes_[*key].linkTarget = *targetKey;
}

std::optional<std::string> MemoryFiles::content(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto key = resolve(path);
    if (!key) return std::nullopt;
    auto it = nodes_.find(*key);
    if (it == nodes_.end() || it->second.folder) return std::nullopt;
    return it->second.data;
}

bool MemoryFiles::hasFolder(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto key = resolve(path);
    if (!key) return false;
    auto it = nodes_.find(*key);
    return it != nodes_.end() && it->second.folder;
}

std::vector<std::string> MemoryFiles::filesBelow(const std::string& folder) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    auto key = resolve(folder);
    if (!key) return out;
    std::string prefix = *key + "\\";
    for (auto it = nodes_.lower_bound(prefix); it != nodes_.end() && it->first.rfind(prefix, 0) == 0; ++it) {
        if (it->second.folder) continue;
        // Rebuild the relative path from the stored names so the test sees the case that was written.
        std::string relative;
        std::string walk = it->first;
        while (walk.size() > prefix.size() - 1 && walk != *key) {
            relative = nodes_.at(walk).name + (relative.empty() ? "" : "\\" + relative);
            walk = parentOf(walk);
        }
        out.push_back(relative);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::uint64_t MemoryFiles::bytesStored() const {
    std::lock_guard lock(mutex_);
    std::uint64_t total = 0;
    for (const auto& [key, node] : nodes_) total += node.data.size();
    return total;
}

void MemoryFiles::inject(Fault f) {
    std::lock_guard lock(mutex_);
    faults_.push_back(std::move(f));
}

void MemoryFiles::setCapacity(std::uint64_t bytes) {
    std::lock_guard lock(mutex_);
    capacity_ = bytes;
}

void MemoryFiles::onCopy(const std::string& path, std::function<void()> action) {
    std::lock_guard lock(mutex_);
    copyHooks_[fold(path)] = std::move(action);
}

void MemoryFiles::duringCopy(const std::string& path, std::function<void(std::uint64_t)> action) {
    std::lock_guard lock(mutex_);
    progressHooks_[fold(path)] = std::move(action);
}

int MemoryFiles::count(const std::string& operation) const {
    std::lock_guard lock(mutex_);
    auto it = counts_.find(operation);
    return it == counts_.end() ? 0 : it->second;
}

std::vector<std::pair<std::string, std::string>> MemoryFiles::copyLog() const {
    std::lock_guard lock(mutex_);
    return copyLog_;
}

FileResult<std::string> MemoryFiles::readFile(std::string_view path) {
    std::lock_guard lock(mutex_);
    FileResult<std::string> result;
    if ((result.error = fault("read", path))) return result;
    auto key = resolve(path);
    auto it = key ? nodes_.find(*key) : nodes_.end();
    if (it == nodes_.end()) {
        result.error = fail("read", path, FileErrorKind::NotFound);
    } else if (it->second.folder) {
        result.error = fail("read", path, FileErrorKind::AccessDenied);
    } else {
        result.value = it->second.data;
    }
    return result;
}

FileError MemoryFiles::replaceFile(std::string_view path, std::string_view bytes, std::string_view backupPath) {
    std::lock_guard lock(mutex_);
    if (auto error = fault("replace", path)) return error;
    auto key = resolve(path, false);
    if (!key || nodes_.count(parentOf(*key)) == 0) return fail("replace", path, FileErrorKind::NotFound);
    auto it = nodes_.find(*key);
    if (it != nodes_.end() && it->second.folder) return fail("replace", path, FileErrorKind::AccessDenied);
    std::uint64_t old = it == nodes_.end() ? 0 : it->second.data.size();
    if (capacity_ && bytesStored() - old + bytes.size() + (backupPath.empty() ? 0 : old) > *capacity_)
        return fail("replace", path, FileErrorKind::DiskFull);
    if (it != nodes_.end() && !backupPath.empty()) {
        Node backup = it->second;
        auto backupKey = resolve(backupPath, false);
        if (backupKey) {
            backup.name = std::string(backupPath.substr(backupPath.rfind('\\') + 1));
            nodes_[*backupKey] = backup;
        }
    }
    std::string norm = normalise(path);
    nodes_[*key] = Node{norm.substr(norm.rfind('\\') + 1), false, std::string(bytes), 0, nextIndex_++, {}};
    return {};
}

bool MemoryFiles::exists(std::string_view path) {
    std::lock_guard lock(mutex_);
    auto key = resolve(path);
    return key && nodes_.count(*key) != 0;
}

bool MemoryFiles::isFolder(std::string_view path) {
    std::lock_guard lock(mutex_);
    auto key = resolve(path);
    if (!key) return false;
    auto it = nodes_.find(*key);
    return it != nodes_.end() && it->second.folder;
}

FileResult<std::vector<FolderEntry>> MemoryFiles::listFolder(std::string_view folder, std::string_view pattern) {
    std::lock_guard lock(mutex_);
    FileResult<std::vector<FolderEntry>> result;
    if ((result.error = fault("list", folder))) return result;
    auto key = resolve(folder);
    auto it = key ? nodes_.find(*key) : nodes_.end();
    if (it == nodes_.end() || !it->second.folder) {
        result.error = fail("list", folder, FileErrorKind::NotFound);
        return result;
    }
    std::string prefix = *key + "\\";
    for (auto child = nodes_.lower_bound(prefix); child != nodes_.end() && child->first.rfind(prefix, 0) == 0; ++child) {
        if (child->first.find('\\', prefix.size()) != std::string::npos) continue;
        const Node& node = child->second;
        if (!matchesPattern(node.name, pattern)) continue;
        FolderEntry entry;
        entry.name = node.name;
        entry.isFolder = node.folder;
        entry.isReparsePoint = !node.linkTarget.empty();
        entry.size = node.data.size();
        entry.attributes = node.attributes;
        result.value.push_back(std::move(entry));
    }
    return result;
}

FileResult<FolderIdentity> MemoryFiles::folderIdentity(std::string_view folder) {
    std::lock_guard lock(mutex_);
    FileResult<FolderIdentity> result;
    auto key = resolve(folder);
    auto it = key ? nodes_.find(*key) : nodes_.end();
    if (it == nodes_.end() || !it->second.folder) {
        result.error = fail("identify", folder, FileErrorKind::NotFound);
        return result;
    }
    result.value = FolderIdentity{1, it->second.index};
    return result;
}

FileError MemoryFiles::createFolder(std::string_view path) {
    std::lock_guard lock(mutex_);
    if (auto error = fault("create folder", path)) return error;
    auto key = resolve(path, false);
    if (!key) return fail("create folder", path, FileErrorKind::InvalidPath);
    if (nodes_.count(*key) != 0) return fail("create folder", path, FileErrorKind::AlreadyExists);
    auto parent = nodes_.find(parentOf(*key));
    if (parent == nodes_.end() || !parent->second.folder) return fail("create folder", path, FileErrorKind::NotFound);
    std::string norm = normalise(path);
    nodes_[*key] = Node{norm.substr(norm.rfind('\\') + 1), true, {}, 0x10, nextIndex_++, {}};
    return {};
}

FileError MemoryFiles::copyFile(std::string_view source, std::string_view target, std::stop_token stop,
                                const platform::CopyProgress& progress) {
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        auto found = copyHooks_.find(fold(source));
        if (found != copyHooks_.end()) hook = found->second;
    }
    if (hook) hook();

    std::lock_guard lock(mutex_);
    auto sourceKey = resolve(source);
    auto sourceNode = sourceKey ? nodes_.find(*sourceKey) : nodes_.end();
    if (sourceNode == nodes_.end() || sourceNode->second.folder) {
        ++counts_["copy"];
        return fail("copy", source, FileErrorKind::NotFound);
    }
    auto targetKey = resolve(target, false);
    if (!targetKey) return fail("copy", target, FileErrorKind::InvalidPath);
    auto parent = nodes_.find(parentOf(*targetKey));
    if (parent == nodes_.end() || !parent->second.folder) return fail("copy", target, FileErrorKind::NotFound);
    auto existing = nodes_.find(*targetKey);
    if (existing != nodes_.end() && existing->second.folder) return fail("copy", target, FileErrorKind::AccessDenied);

    const std::string data = sourceNode->second.data;
    const std::uint32_t attributes = sourceNode->second.attributes;
    std::string norm = normalise(target);
    std::string name = norm.substr(norm.rfind('\\') + 1);
    // One count per copy, whichever of its two paths a fault names.
    FileError injected = fault("copy", source);
    if (!injected) {
        injected = fault("copy", target);
        --counts_["copy"];
    }
    std::uint64_t old = existing == nodes_.end() ? 0 : existing->second.data.size();
    if (!injected && capacity_ && bytesStored() - old + data.size() > *capacity_)
        injected = fail("copy", target, FileErrorKind::DiskFull);
    if (injected) {
        // A copy that breaks off leaves what it wrote so far, as a real one can.
        nodes_[*targetKey] = Node{name, false, data.substr(0, data.size() / 2), attributes, nextIndex_++, {}};
        return injected;
    }
    constexpr std::size_t chunk = 64 * 1024;
    auto during = progressHooks_.find(fold(source));
    for (std::size_t done = 0; done < data.size(); done += chunk) {
        if (stop.stop_requested()) {
            nodes_.erase(*targetKey);
            return fail("copy", source, FileErrorKind::Cancelled);
        }
        const std::uint64_t now = std::min(done + chunk, data.size());
        if (progress) progress(now, data.size());
        if (during != progressHooks_.end()) during->second(now);
    }
    if (stop.stop_requested()) return fail("copy", source, FileErrorKind::Cancelled);
    nodes_[*targetKey] = Node{name, false, data, attributes, nextIndex_++, {}};
    copyLog_.emplace_back(source, target);
    return {};
}

FileError MemoryFiles::rename(std::string_view from, std::string_view to) {
    std::lock_guard lock(mutex_);
    if (auto error = fault("rename", from)) return error;
    auto fromKey = resolve(from, false);
    auto toKey = resolve(to, false);
    if (!fromKey || nodes_.count(*fromKey) == 0) return fail("rename", from, FileErrorKind::NotFound);
    if (!toKey) return fail("rename", to, FileErrorKind::InvalidPath);
    if (nodes_.count(*toKey) != 0) return fail("rename", to, FileErrorKind::AlreadyExists);
    if (nodes_.count(parentOf(*toKey)) == 0) return fail("rename", to, FileErrorKind::NotFound);
    std::string prefix = *fromKey + "\\";
    std::vector<std::pair<Key, Node>> moved;
    for (auto it = nodes_.lower_bound(*fromKey); it != nodes_.end();) {
        if (it->first != *fromKey && it->first.rfind(prefix, 0) != 0) {
            if (it->first > prefix) break;
            ++it;
            continue;
        }
        moved.emplace_back(*toKey + it->first.substr(fromKey->size()), it->second);
        it = nodes_.erase(it);
    }
    std::string norm = normalise(to);
    for (auto& [key, node] : moved) {
        if (key == *toKey) node.name = norm.substr(norm.rfind('\\') + 1);
        nodes_[key] = std::move(node);
    }
    return {};
}

FileError MemoryFiles::removeFile(std::string_view path) {
    std::lock_guard lock(mutex_);
    if (auto error = fault("remove", path)) return error;
    auto key = resolve(path, false);
    auto it = key ? nodes_.find(*key) : nodes_.end();
    if (it == nodes_.end()) return fail("remove", path, FileErrorKind::NotFound);
    if (it->second.folder) return fail("remove", path, FileErrorKind::AccessDenied);
    nodes_.erase(it);
    return {};
}

FileError MemoryFiles::removeTree(std::string_view path) {
    std::lock_guard lock(mutex_);
    if (auto error = fault("remove", path)) return error;
    auto key = resolve(path, false);
    if (!key || nodes_.count(*key) == 0) return fail("remove", path, FileErrorKind::NotFound);
    if (drives_.count(*key) != 0) return fail("remove", path, FileErrorKind::AccessDenied);
    std::string prefix = *key + "\\";
    nodes_.erase(*key);
    for (auto it = nodes_.lower_bound(prefix); it != nodes_.end() && it->first.rfind(prefix, 0) == 0;)
        it = nodes_.erase(it);
    return {};
}

namespace {

class MemoryReader : public platform::FileReader {
public:
    explicit MemoryReader(std::string data) : data_(std::move(data)) {}
    FileResult<std::size_t> read(char* buffer, std::size_t capacity) override {
        FileResult<std::size_t> result;
        result.value = std::min(capacity, data_.size() - offset_);
        std::copy_n(data_.data() + offset_, result.value, buffer);
        offset_ += result.value;
        return result;
    }

private:
    std::string data_;
    std::size_t offset_ = 0;
};

class MemoryWriter : public platform::FileWriter {
public:
    MemoryWriter(MemoryFiles& files, std::string path) : files_(files), path_(std::move(path)) {}
    FileError write(std::string_view bytes) override { return files_.appendFile(path_, bytes); }
    FileError finish() override { return {}; }

private:
    MemoryFiles& files_;
    std::string path_;
};

}  // namespace

FileResult<std::unique_ptr<platform::FileReader>> MemoryFiles::openForReading(std::string_view path) {
    FileResult<std::unique_ptr<platform::FileReader>> result;
    auto bytes = readFile(path);
    if (!bytes.ok()) {
        result.error = bytes.error;
        result.error.operation = "open";
        return result;
    }
    result.value = std::make_unique<MemoryReader>(std::move(bytes.value));
    return result;
}

FileResult<std::unique_ptr<platform::FileWriter>> MemoryFiles::createFile(std::string_view path) {
    FileResult<std::unique_ptr<platform::FileWriter>> result;
    {
        std::lock_guard lock(mutex_);
        if ((result.error = fault("create", path))) return result;
        auto key = resolve(path, false);
        if (!key || nodes_.count(parentOf(*key)) == 0) {
            result.error = fail("create", path, FileErrorKind::NotFound);
            return result;
        }
        auto it = nodes_.find(*key);
        if (it != nodes_.end() && it->second.folder) {
            result.error = fail("create", path, FileErrorKind::AccessDenied);
            return result;
        }
        std::string norm = normalise(path);
        nodes_[*key] = Node{norm.substr(norm.rfind('\\') + 1), false, {}, 0, nextIndex_++, {}};
    }
    result.value = std::make_unique<MemoryWriter>(*this, std::string(path));
    return result;
}

FileError MemoryFiles::appendFile(std::string_view path, std::string_view bytes) {
    std::lock_guard lock(mutex_);
    if (auto error = fault("append", path)) return error;
    auto key = resolve(path, false);
    if (!key || nodes_.count(parentOf(*key)) == 0) return fail("append", path, FileErrorKind::NotFound);
    if (capacity_ && bytesStored() + bytes.size() > *capacity_) return fail("append", path, FileErrorKind::DiskFull);
    auto it = nodes_.find(*key);
    if (it == nodes_.end()) {
        std::string norm = normalise(path);
        nodes_[*key] = Node{norm.substr(norm.rfind('\\') + 1), false, std::string(bytes), 0, nextIndex_++, {}};
    } else if (it->second.folder) {
        return fail("append", path, FileErrorKind::AccessDenied);
    } else {
        it->second.data.append(bytes);
    }
    return {};
}

DriveType MemoryFiles::driveType(std::string_view drive) {
    std::lock_guard lock(mutex_);
    auto it = drives_.find(fold(drive.substr(0, 2)));
    return it == drives_.end() ? DriveType::NoRoot : it->second;
}

}  // namespace corvallo::testing
