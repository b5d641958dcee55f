// Reads that deliver a value exactly as it is stored, type and bytes, and
// say when they could not look. For copying settings somewhere else: there,
// a value that could not be read must not pass for a missing one, or the
// copy would delete it at the other end.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "registry/platform.h"

namespace brevlin::raw {

enum class Presence : std::uint8_t { Present, Absent, Unreadable };

struct Value {
    Presence presence = Presence::Absent;
    RegStatus status = status::kSuccess;  // what made it Unreadable
    std::uint32_t type = regtype::kNone;
    std::vector<std::uint8_t> bytes = {};
};

// The value's type and exact bytes. A text stored without its terminator
// comes back without it.
Value ReadValue(RegistryPlatform& reg, RegRoot root, std::string_view path, std::string_view name);

struct Key {
    Presence presence = Presence::Absent;
    RegStatus status = status::kSuccess;
};

// Whether the key exists. One we may not open exists all the same: only a
// missing key reports "not found".
Key ProbeKey(RegistryPlatform& reg, RegRoot root, std::string_view path);

}  // namespace brevlin::raw
