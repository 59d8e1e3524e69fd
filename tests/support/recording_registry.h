#pragma once
// A registry in memory that writes down every write and delete. Key paths and value names compare
// without regard to ASCII case, as Windows compares them. Keys exist only once added.

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace corvallo::testing {

class RecordingRegistry : public platform::Registry {
public:
    // "set <key>\<name> = <data>", "delete <key>\<name>", "open <key> for writing" (also when refused),
    // with <key> as "HKLM\path" and the like.
    std::vector<std::string> calls;

    void addKey(platform::RegistryRoot root, std::string_view path) { keys_[keyId(root, path)]; }
    // Opening the key for writing is refused, as for a process without administrator rights.
    void refuseWriting(platform::RegistryRoot root, std::string_view path) { readOnly_.insert(keyId(root, path)); }
    // Writes into the key fail although it opens.
    void failWrites(platform::RegistryRoot root, std::string_view path) { failing_.insert(keyId(root, path)); }

    void setValue(platform::RegistryRoot root, std::string_view path, std::string_view name, std::string data) {
        keys_[keyId(root, path)][folded(name)] = std::move(data);
    }
    std::optional<std::string> value(platform::RegistryRoot root, std::string_view path, std::string_view name) const {
        auto key = keys_.find(keyId(root, path));
        if (key == keys_.end()) return std::nullopt;
        auto found = key->second.find(folded(name));
        if (found == key->second.end()) return std::nullopt;
        return found->second;
    }
    // Values of a key, names folded to lower case.
    std::map<std::string, std::string> values(platform::RegistryRoot root, std::string_view path) const {
        auto key = keys_.find(keyId(root, path));
        return key == keys_.end() ? std::map<std::string, std::string>{} : key->second;
    }

    std::unique_ptr<platform::RegistryKey> openKey(platform::RegistryRoot root, std::string_view path,
                                                   platform::RegistryAccess access) override {
        std::string id = keyId(root, path);
        auto key = keys_.find(id);
        bool writing = access == platform::RegistryAccess::ReadWrite;
        if (writing) calls.push_back("open " + shown(root, path) + " for writing");
        if (key == keys_.end() || (writing && readOnly_.count(id) != 0)) return nullptr;
        return std::make_unique<Key>(*this, key->second, shown(root, path), writing && failing_.count(id) == 0,
                                     writing);
    }

private:
    using Values = std::map<std::string, std::string>;

    class Key : public platform::RegistryKey {
    public:
        Key(RecordingRegistry& owner, Values& values, std::string name, bool writesWork, bool writable)
            : owner_(owner), values_(values), name_(std::move(name)), writesWork_(writesWork), writable_(writable) {}

        bool setString(std::string_view name, std::string_view data) override {
            owner_.calls.push_back("set " + name_ + "\\" + std::string(name) + " = " + std::string(data));
            if (!writable_ || !writesWork_) return false;
            values_[folded(name)] = std::string(data);
            return true;
        }
        bool deleteValue(std::string_view name) override {
            owner_.calls.push_back("delete " + name_ + "\\" + std::string(name));
            if (!writable_ || !writesWork_) return false;
            return values_.erase(folded(name)) != 0;
        }
        std::optional<std::string> readString(std::string_view name) override {
            auto found = values_.find(folded(name));
            if (found == values_.end()) return std::nullopt;
            return found->second;
        }

    private:
        RecordingRegistry& owner_;
        Values& values_;
        std::string name_;
        bool writesWork_;
        bool writable_;
    };

    static std::string folded(std::string_view text) {
        std::string result(text);
        std::transform(result.begin(), result.end(), result.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return result;
    }
    static const char* rootName(platform::RegistryRoot root) {
        switch (root) {
        case platform::RegistryRoot::LocalMachine: return "HKLM";
        case platform::RegistryRoot::CurrentUser: return "HKCU";
        case platform::RegistryRoot::ClassesRoot: return "HKCR";
        case platform::RegistryRoot::Users: return "HKU";
        }
        return "?";
    }
    static std::string shown(platform::RegistryRoot root, std::string_view path) {
        return std::string(rootName(root)) + "\\" + std::string(path);
    }
    static std::string keyId(platform::RegistryRoot root, std::string_view path) { return folded(shown(root, path)); }

    std::map<std::string, Values> keys_;
    std::set<std::string> readOnly_;
    std::set<std::string> failing_;
};

}  // namespace corvallo::testing
