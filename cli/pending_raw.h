// TEMPORARY, until the exact registry layer lands: its exact write and
// delete, declared as it will declare them. Goes with that merge.
#pragma once

#include <span>

#include "registry/mdlreg.h"
#include "registry/raw.h"

namespace brevlin::raw {
mdlreg::WriteResult WriteValue(RegistryPlatform& reg, RegRoot root, std::string_view path,
                               std::string_view name, std::uint32_t type,
                               std::span<const std::uint8_t> bytes);
mdlreg::WriteResult DeleteValue(RegistryPlatform& reg, RegRoot root, std::string_view path,
                                std::string_view name);
}  // namespace brevlin::raw
