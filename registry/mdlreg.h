// mdlreg: the program's only access to persistent data. Six stateless
// operations; each opens or creates its key, acts, and closes it again.
//
// Reads never fail visibly: a value that cannot be delivered reads as the
// empty text or 0. Writes return the platform's status so that the caller
// can tell the user when a change did not take effect.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "registry/platform.h"

namespace brevlin::mdlreg {

// The outcome of a change: kSuccess, or the first status that stopped it.
struct WriteResult {
    RegStatus status = status::kSuccess;
    bool ok() const { return status == status::kSuccess; }
};

WriteResult CreateKey(RegistryPlatform& reg, RegRoot root, std::string_view path);
// A key that is already absent counts as deleted.
WriteResult DeleteKey(RegistryPlatform& reg, RegRoot root, std::string_view path);

// A REG_SZ value, cut at its first NUL; the empty text for anything else.
std::string ReadString(RegistryPlatform& reg, RegRoot root, std::string_view path,
                       std::string_view name);
// Stores exactly the text's characters; the empty text is a 0-byte REG_SZ.
WriteResult WriteString(RegistryPlatform& reg, RegRoot root, std::string_view path,
                        std::string_view name, std::string_view text);

// A 4-byte REG_DWORD value, read as signed; 0 for anything else.
std::int32_t ReadDword(RegistryPlatform& reg, RegRoot root, std::string_view path,
                       std::string_view name);
WriteResult WriteDword(RegistryPlatform& reg, RegRoot root, std::string_view path,
                       std::string_view name, std::int32_t number);

}  // namespace brevlin::mdlreg
