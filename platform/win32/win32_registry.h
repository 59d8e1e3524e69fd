#pragma once
// The registry interface on the Win32 W functions. A 64-bit build sees the 64-bit view of the keys.

#include "platform/registry.h"

namespace corvallo::platform::win32 {

class Win32Registry : public Registry {
public:
    std::unique_ptr<RegistryKey> openKey(RegistryRoot root, std::string_view path, RegistryAccess access) override;
};

}  // namespace corvallo::platform::win32
