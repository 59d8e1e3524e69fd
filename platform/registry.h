#pragma once
// Values under the system's registry keys, as the start-at-logon entry needs them.
// Key paths and value names are UTF-8; the implementation speaks UTF-16 to Windows.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace corvallo::platform {

enum class RegistryRoot { LocalMachine, CurrentUser, ClassesRoot, Users };

// Writing under LocalMachine needs administrator rights, so a caller that only looks asks for Read.
enum class RegistryAccess { Read, ReadWrite };

// An open key; closed when dropped.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;

    // A text value (REG_SZ), created or overwritten; false when the write failed.
    virtual bool setString(std::string_view name, std::string_view data) = 0;
    // False when the value could not be deleted, a missing value included.
    virtual bool deleteValue(std::string_view name) = 0;
    // The data of a text value; nothing when it is missing or not text.
    virtual std::optional<std::string> readString(std::string_view name) = 0;
};

class Registry {
public:
    virtual ~Registry() = default;

    // Opens a key that exists; never creates one. Null when the key is missing or access is refused.
    virtual std::unique_ptr<RegistryKey> openKey(RegistryRoot root, std::string_view path, RegistryAccess access) = 0;
};

}  // namespace corvallo::platform
