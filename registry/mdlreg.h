// mdlreg: the program's only access to persistent data. Six stateless
// operations; each opens or creates its key, acts, and closes it again.
//
// Reads never fail visibly: a value that cannot be delivered reads as the
// empty text or 0. Writes return the platform's status so that the caller
// can tell the user when a change did not take effect, and a write that
// fails leaves the registry as it was: keys it made on the way go again
// (and when they cannot, the result names the one left behind).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "registry/platform.h"
#include "registry/write.h"

namespace brevlin::mdlreg {

using brevlin::WriteResult;

WriteResult CreateKey(RegistryPlatform& reg, RegRoot root, std::string_view path);
// Deletes the key with its values, never its subkeys. A key that is already
// absent counts as deleted.
WriteResult DeleteKey(RegistryPlatform& reg, RegRoot root, std::string_view path);

// A REG_SZ value, cut at its first NUL; the empty text for anything else.
std::string ReadString(RegistryPlatform& reg, RegRoot root, std::string_view path,
                       std::string_view name);
// Stores exactly the text's characters; the empty text is a 0-byte REG_SZ.
WriteResult WriteString(RegistryPlatform& reg, RegRoot root, std::string_view path,
                        std::string_view name, std::string_view text);

// A REG_DWORD value as a signed number, least significant byte first; one
// of fewer than 4 bytes reads as its low bytes. 0 for any other type, for
// data of more than 4 bytes, and when nothing can be read.
std::int32_t ReadDword(RegistryPlatform& reg, RegRoot root, std::string_view path,
                       std::string_view name);
WriteResult WriteDword(RegistryPlatform& reg, RegRoot root, std::string_view path,
                       std::string_view name, std::int32_t number);

}  // namespace brevlin::mdlreg
