// The real registry: every platform function passed straight to advapi32.
#pragma once

#include <windows.h>

#include "registry/platform.h"

namespace brevlin {

// The predefined key a root names: a 32-bit value sign-extended, as
// windows.h spells HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
HKEY PredefinedKey(RegRoot root);

class Advapi32Registry final : public RegistryPlatform {
public:
    RegStatus OpenKey(RegRoot root, const char* path, RegHandle* key) override;
    RegStatus CreateKey(RegRoot root, const char* path, RegHandle* key) override;
    RegStatus QueryValue(RegHandle key, const char* name, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t* size) override;
    RegStatus SetValue(RegHandle key, const char* name, std::uint32_t type,
                       const std::uint8_t* data, std::uint32_t size) override;
    RegStatus QueryValueW(RegHandle key, const char* name, std::uint32_t* type, std::uint8_t* data,
                          std::uint32_t* size) override;
    RegStatus SetValueW(RegHandle key, const char* name, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t size) override;
    RegStatus DeleteValue(RegHandle key, const char* name) override;
    RegStatus DeleteKey(RegRoot root, const char* path) override;
    RegStatus QueryInfoKey(RegHandle key, std::uint32_t* subkeys) override;
    RegStatus CloseKey(RegHandle key) override;
};

}  // namespace brevlin
