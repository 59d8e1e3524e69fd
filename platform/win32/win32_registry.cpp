#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <utility>

#include "platform/win32/wide.h"

namespace corvallo::platform::win32 {

namespace {

HKEY rootKey(RegistryRoot root) {
    switch (root) {
    case RegistryRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::Users: return HKEY_USERS;
    }
    return HKEY_LOCAL_MACHINE;
}

class Win32RegistryKey : public RegistryKey {
public:
    explicit Win32RegistryKey(HKEY key) : key_(key) {}
    ~Win32RegistryKey() override { RegCloseKey(key_); }
    Win32RegistryKey(const Win32RegistryKey&) = delete;
    Win32RegistryKey& operator=(const Win32RegistryKey&) = delete;

    bool setString(std::string_view name, std::string_view data) override {
        std::wstring wideData = widen(data);
        // The size counts the terminating null, which readers of REG_SZ expect to find.
        auto bytes = static_cast<DWORD>((wideData.size() + 1) * sizeof(wchar_t));
        return RegSetValueExW(key_, widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wideData.c_str()),
                              bytes) == ERROR_SUCCESS;
    }

    bool deleteValue(std::string_view name) override {
        return RegDeleteValueW(key_, widen(name).c_str()) == ERROR_SUCCESS;
    }

    std::optional<std::string> readString(std::string_view name) override {
        std::wstring wideName = widen(name);
        std::wstring buffer(64, L'\0');
        while (true) {
            auto bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
            // RegGetValueW null-terminates what it returns, which RegQueryValueExW does not promise.
            LSTATUS status =
                RegGetValueW(key_, nullptr, wideName.c_str(), RRF_RT_REG_SZ, nullptr, buffer.data(), &bytes);
            if (status == ERROR_MORE_DATA) {
                buffer.resize(bytes / sizeof(wchar_t) + 1);
                continue;
            }
            if (status != ERROR_SUCCESS) return std::nullopt;
            buffer.resize(bytes / sizeof(wchar_t));
            while (!buffer.empty() && buffer.back() == L'\0') buffer.pop_back();
            return narrow(buffer);
        }
    }

private:
    HKEY key_;
};

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::openKey(RegistryRoot root, std::string_view path, RegistryAccess access) {
    REGSAM rights = access == RegistryAccess::Read ? KEY_QUERY_VALUE : KEY_QUERY_VALUE | KEY_SET_VALUE;
    HKEY key = nullptr;
    if (RegOpenKeyExW(rootKey(root), widen(path).c_str(), 0, rights, &key) != ERROR_SUCCESS) return nullptr;
    return std::make_unique<Win32RegistryKey>(key);
}

}  // namespace corvallo::platform::win32
