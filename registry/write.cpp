#include "registry/write.h"

namespace brevlin {
namespace {

// Whether the key can be opened; it is closed again at once.
RegStatus OpenStatus(RegistryPlatform& reg, RegRoot root, const std::string& path) {
    return OperationKey(reg, root, path, OperationKey::Way::Open).status();
}

// The shortest leading part of the path that does not exist, which a create
// would make; empty when the whole path exists, and also when a key on the
// way cannot be opened for another reason: what we cannot see is not ours to
// remove afterwards.
std::string FirstMissingKey(RegistryPlatform& reg, RegRoot root, const std::string& path) {
    if (OpenStatus(reg, root, path) != status::kFileNotFound) return {};
    for (std::size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
        std::string leading = path.substr(0, end);
        const RegStatus opened = OpenStatus(reg, root, leading);
        if (opened == status::kFileNotFound) return leading;
        if (opened != status::kSuccess || end == std::string::npos) return {};
    }
}

// Deletes the keys a failed write made, deepest first, down to the first
// that was missing before. They are empty: the write that would have filled
// one failed. A key that cannot be deleted stops it, since none above it
// can go either: then the first made key is left behind, and the length of
// its path is returned (0 when none is left).
std::size_t RemoveMadeKeys(RegistryPlatform& reg, RegRoot root, std::string path,
                           const std::string& first_made) {
    while (path.size() >= first_made.size()) {
        const RegStatus deleted = reg.DeleteKey(root, path.c_str());
        if (deleted != status::kSuccess && deleted != status::kFileNotFound)
            return first_made.size();
        if (path.size() == first_made.size()) break;
        path.erase(path.rfind('\\'));
    }
    return 0;
}

}  // namespace

WriteResult CreateAndSet(RegistryPlatform& reg, RegRoot root, std::string_view key_path,
                         SetFunction set, std::string_view name, std::uint32_t type,
                         const std::uint8_t* data, std::uint32_t size) {
    const std::string path(key_path);
    const std::string first_made = FirstMissingKey(reg, root, path);
    WriteResult result;
    {
        const OperationKey key(reg, root, path, OperationKey::Way::Create);
        const RegStatus stored =
            set ? (reg.*set)(key.get(), std::string(name).c_str(), type, data, size)
                : status::kSuccess;
        result.status = key.status() != status::kSuccess ? key.status() : stored;
    }
    if (!result.ok() && !first_made.empty())
        result.left_behind = RemoveMadeKeys(reg, root, path, first_made);
    return result;
}

}  // namespace brevlin
