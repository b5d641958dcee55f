// Reads and writes of a value exactly as it is stored, type and bytes,
// through the wide registry functions, which carry a text's UTF-16 bytes
// unconverted; and they say when they could not look. For copying settings
// somewhere else: there, a value that could not be read must not pass for a
// missing one, or the copy would delete it at the other end.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "registry/mdlreg.h"
#include "registry/platform.h"

namespace brevlin::raw {

enum class Presence : std::uint8_t { Present, Absent, Unreadable };

struct Value {
    Presence presence = Presence::Absent;
    RegStatus status = status::kSuccess;  // what made it Unreadable
    std::uint32_t type = regtype::kNone;
    std::vector<std::uint8_t> bytes = {};
};

// The value's type and exact bytes, non-ASCII texts included. A text stored
// without its terminator comes back without it.
Value ReadValue(RegistryPlatform& reg, RegRoot root, std::string_view path, std::string_view name);

struct Key {
    Presence presence = Presence::Absent;
    RegStatus status = status::kSuccess;
};

// Whether the key exists. One we may not open exists all the same: only a
// missing key reports "not found".
Key ProbeKey(RegistryPlatform& reg, RegRoot root, std::string_view path);

// Stores exactly this type and these bytes, nothing added: a text without
// its NUL stays one. The key path is created; when the create or the store
// fails, the keys made on the way are removed again, as mdlreg's writes do.
mdlreg::WriteResult WriteValue(RegistryPlatform& reg, RegRoot root, std::string_view path,
                               std::string_view name, std::uint32_t type,
                               std::span<const std::uint8_t> bytes);

// Deletes the value. A missing key or value counts as deleted, and no key is
// ever created; a key that cannot be opened for another reason is not ours
// to change, and its status is the result.
mdlreg::WriteResult DeleteValue(RegistryPlatform& reg, RegRoot root, std::string_view path,
                                std::string_view name);

}  // namespace brevlin::raw
