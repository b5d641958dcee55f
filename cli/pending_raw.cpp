// TEMPORARY, until the exact registry layer lands (see pending_raw.h).
#include "cli/pending_raw.h"

#include <string>
#include <vector>

namespace brevlin::raw {

mdlreg::WriteResult WriteValue(RegistryPlatform& reg, RegRoot root, std::string_view path,
                               std::string_view name, std::uint32_t type,
                               std::span<const std::uint8_t> bytes) {
    RegHandle handle = 0;
    const RegStatus created = reg.CreateKey(root, std::string(path).c_str(), &handle);
    const OwnedKey key(handle, CloseKeyWith{&reg});
    if (created != status::kSuccess) return {created};
    std::vector<std::uint8_t> guarded(bytes.begin(), bytes.end());
    guarded.push_back(0xEE);
    return {reg.SetValue(key.get(), std::string(name).c_str(), type, guarded.data(),
                         static_cast<std::uint32_t>(bytes.size()))};
}

mdlreg::WriteResult DeleteValue(RegistryPlatform&, RegRoot, std::string_view, std::string_view) {
    return {status::kInvalidParameter};
}

}  // namespace brevlin::raw
