// The registry functions that Brevlin is written over, in the shape of their
// advapi32 forms: the ANSI six that mdlreg uses, a count of subkeys, and the
// wide forms that read and write a value's stored bytes exactly. Two backends
// implement them: advapi32 itself on Windows, and an in-memory store that
// behaves like it everywhere else.
#pragma once

#include <cstdint>
#include <string_view>

#include "registry/owner.h"

namespace brevlin {

// A predefined root key, as the 32-bit handle value Windows gives it.
enum class RegRoot : std::uint32_t {
    CurrentUser = 0x80000001u,
    LocalMachine = 0x80000002u,
};

// The root's name as regedit and .reg files spell it.
constexpr std::string_view RootName(RegRoot root) {
    return root == RegRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

// An open key; 0 means "no key" and is what a failed open or create leaves.
using RegHandle = std::uintptr_t;

// Win32 error codes, as the functions return them.
using RegStatus = long;
namespace status {
constexpr RegStatus kSuccess = 0;
constexpr RegStatus kFileNotFound = 2;
constexpr RegStatus kAccessDenied = 5;
constexpr RegStatus kInvalidHandle = 6;
constexpr RegStatus kInvalidParameter = 87;
constexpr RegStatus kMoreData = 234;
constexpr RegStatus kKeyDeleted = 1018;
}  // namespace status

// Registry value types.
namespace regtype {
constexpr std::uint32_t kNone = 0;
constexpr std::uint32_t kSz = 1;
constexpr std::uint32_t kExpandSz = 2;
constexpr std::uint32_t kBinary = 3;
constexpr std::uint32_t kDword = 4;
constexpr std::uint32_t kMultiSz = 7;
constexpr std::uint32_t kQword = 11;

constexpr bool IsString(std::uint32_t type) {
    return type == kSz || type == kExpandSz || type == kMultiSz;
}
}  // namespace regtype

// Key paths and value names are NUL-terminated ANSI, as the A functions take
// them; the wide functions take the same ASCII names, widened.
class RegistryPlatform {
public:
    virtual ~RegistryPlatform() = default;

    // RegOpenKeyA: opens an existing key, never creates one.
    virtual RegStatus OpenKey(RegRoot root, const char* path, RegHandle* key) = 0;
    // RegCreateKeyA: opens the key, creating it and every missing key above it.
    virtual RegStatus CreateKey(RegRoot root, const char* path, RegHandle* key) = 0;
    // RegQueryValueExA (reserved argument always null): with data null, reports
    // type and size; otherwise copies the data when *size is large enough.
    virtual RegStatus QueryValue(RegHandle key, const char* name, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* size) = 0;
    // RegSetValueExA (reserved argument always 0). For a text type Windows
    // also reads the byte after the counted data, and stores it when it is
    // the NUL that the count left out: the caller's buffer has that byte.
    // A text is stored as UTF-16, converted from the ANSI code page.
    virtual RegStatus SetValue(RegHandle key, const char* name, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) = 0;
    // RegQueryValueExW, the value named in ASCII: type and stored bytes as they
    // are (a text is its UTF-16 bytes, unconverted). Same size/MORE_DATA rules.
    virtual RegStatus QueryValueW(RegHandle key, const char* name, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* size) = 0;
    // RegSetValueExW: stores type and bytes as given. For a text type Windows
    // reads the UTF-16 unit after the data and stores it too when it is a NUL
    // following a last unit that is not one: the caller's buffer has two bytes
    // after the data.
    virtual RegStatus SetValueW(RegHandle key, const char* name, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) = 0;
    // RegDeleteValueW: deletes one value of an open key.
    virtual RegStatus DeleteValue(RegHandle key, const char* name) = 0;
    // RegDeleteKeyA: deletes the last key of the path, with its values.
    virtual RegStatus DeleteKey(RegRoot root, const char* path) = 0;
    // RegQueryInfoKeyA, asked only for the number of subkeys: it tells a
    // delete refused for a key's subkeys from one refused for want of rights.
    virtual RegStatus QueryInfoKey(RegHandle key, std::uint32_t* subkeys) = 0;
    virtual RegStatus CloseKey(RegHandle key) = 0;
};

// A key handle closed through the platform that gave it, when its owner
// ends; 0, which a failed open leaves, is not closed.
struct CloseKeyWith {
    RegistryPlatform* registry;
    void operator()(RegHandle key) const { registry->CloseKey(key); }
};
using OwnedKey = Owner<RegHandle, CloseKeyWith>;

}  // namespace brevlin
