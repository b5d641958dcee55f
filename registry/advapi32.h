// The real registry: the six functions passed straight to advapi32.
#pragma once

#include "registry/platform.h"

namespace brevlin {

class Advapi32Registry final : public RegistryPlatform {
public:
    RegStatus OpenKey(RegRoot root, const char* path, RegHandle* key) override;
    RegStatus CreateKey(RegRoot root, const char* path, RegHandle* key) override;
    RegStatus QueryValue(RegHandle key, const char* name, std::uint32_t* type,
                         std::uint8_t* data, std::uint32_t* size) override;
    RegStatus SetValue(RegHandle key, const char* name, std::uint32_t type,
                       const std::uint8_t* data, std::uint32_t size) override;
    RegStatus DeleteKey(RegRoot root, const char* path) override;
    RegStatus CloseKey(RegHandle key) override;
};

}  // namespace brevlin
