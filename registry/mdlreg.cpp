#include "registry/mdlreg.h"

namespace brevlin::mdlreg {
namespace {

// A key opened or created for one operation, and closed when the operation
// ends: whatever the open or create left, 0 included, as the operations'
// algorithm closes it (the platform refuses 0 harmlessly).
class OperationKey {
public:
    enum class Way : std::uint8_t { Open, Create };
    OperationKey(RegistryPlatform& reg, RegRoot root, const std::string& path, Way way)
        : reg_(reg),
          status_(way == Way::Open ? reg.OpenKey(root, path.c_str(), &handle_)
                                   : reg.CreateKey(root, path.c_str(), &handle_)) {}
    ~OperationKey() { reg_.CloseKey(handle_); }
    OperationKey(const OperationKey&) = delete;
    OperationKey& operator=(const OperationKey&) = delete;

    RegHandle get() const { return handle_; }
    RegStatus status() const { return status_; }

private:
    RegistryPlatform& reg_;
    RegHandle handle_ = 0;
    RegStatus status_;
};

// The platform takes NUL-terminated texts; std::string gives us the copy.
std::string Terminated(std::string_view text) { return std::string(text); }

OperationKey Open(RegistryPlatform& reg, RegRoot root, const std::string& path) {
    return OperationKey(reg, root, path, OperationKey::Way::Open);
}

OperationKey Create(RegistryPlatform& reg, RegRoot root, const std::string& path) {
    return OperationKey(reg, root, path, OperationKey::Way::Create);
}

// The shortest leading part of the path that does not exist, which a create
// would make; empty when the whole path exists, and also when a key on the
// way cannot be opened for another reason: what we cannot see is not ours to
// remove afterwards.
std::string FirstMissingKey(RegistryPlatform& reg, RegRoot root, const std::string& path) {
    if (Open(reg, root, path).status() != status::kFileNotFound) return {};
    for (std::size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
        std::string leading = path.substr(0, end);
        const RegStatus opened = Open(reg, root, leading).status();
        if (opened == status::kFileNotFound) return leading;
        if (opened != status::kSuccess || end == std::string::npos) return {};
    }
}

// Deletes the keys a failed write made, deepest first, down to the first
// that was missing before. They are empty: the write that would have filled
// one failed. A key that cannot be deleted stops it, since none above it can.
void RemoveMadeKeys(RegistryPlatform& reg, RegRoot root, std::string path,
                    const std::string& first_made) {
    while (path.size() >= first_made.size()) {
        const RegStatus deleted = reg.DeleteKey(root, path.c_str());
        if (deleted != status::kSuccess && deleted != status::kFileNotFound) return;
        if (path.size() == first_made.size()) return;
        path.erase(path.rfind('\\'));
    }
}

// Creates the key and stores one value in it; if either fails, the keys the
// create made are deleted again, so the registry is as it was.
WriteResult WriteValue(RegistryPlatform& reg, RegRoot root, std::string_view key_path,
                       std::string_view name, std::uint32_t type, const std::uint8_t* data,
                       std::uint32_t size) {
    const std::string path = Terminated(key_path);
    const std::string first_made = FirstMissingKey(reg, root, path);
    WriteResult result;
    {
        const OperationKey created = Create(reg, root, path);
        const RegStatus set =
            reg.SetValue(created.get(), Terminated(name).c_str(), type, data, size);
        result.status = created.status() != status::kSuccess ? created.status() : set;
    }
    if (!result.ok() && !first_made.empty()) RemoveMadeKeys(reg, root, path, first_made);
    return result;
}

}  // namespace

WriteResult CreateKey(RegistryPlatform& reg, RegRoot root, std::string_view path) {
    const std::string key_path = Terminated(path);
    const std::string first_made = FirstMissingKey(reg, root, key_path);
    const RegStatus created = Create(reg, root, key_path).status();
    if (created != status::kSuccess && !first_made.empty())
        RemoveMadeKeys(reg, root, key_path, first_made);
    return {created};
}

WriteResult DeleteKey(RegistryPlatform& reg, RegRoot root, std::string_view path) {
    const std::string key_path = Terminated(path);
    const RegStatus deleted = reg.DeleteKey(root, key_path.c_str());
    // Deleting what is already gone has succeeded.
    if (deleted == status::kFileNotFound) return {status::kSuccess};
    WriteResult result{deleted};
    if (deleted == status::kAccessDenied) {
        // Windows refuses a key with subkeys with the same code as a key we
        // may not delete; only the first is not a question of rights.
        const OperationKey key = Open(reg, root, key_path);
        std::uint32_t subkeys = 0;
        result.key_has_subkeys = key.status() == status::kSuccess &&
                                 reg.QueryInfoKey(key.get(), &subkeys) == status::kSuccess &&
                                 subkeys > 0;
    }
    return result;
}

std::string ReadString(RegistryPlatform& reg, RegRoot root, std::string_view path,
                       std::string_view name) {
    const std::string value_name = Terminated(name);
    const OperationKey opened = Open(reg, root, Terminated(path));

    // First ask only for the type and the size; the status tells nothing more.
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    reg.QueryValue(opened.get(), value_name.c_str(), &type, nullptr, &size);
    if (type != regtype::kSz) return {};

    // A buffer of spaces, so that any byte the data does not cover shows.
    std::string text(size, ' ');
    std::uint32_t scratch_type = 0;
    std::uint32_t buffer_size = size;
    if (reg.QueryValue(opened.get(), value_name.c_str(), &scratch_type,
                       reinterpret_cast<std::uint8_t*>(text.data()),
                       &buffer_size) != status::kSuccess)
        return {};
    // Stored with or without its terminator, the text ends at its first NUL.
    // Cut in place: the value may be as large as anything another program
    // cared to store.
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}

WriteResult WriteString(RegistryPlatform& reg, RegRoot root, std::string_view path,
                        std::string_view name, std::string_view text) {
    const std::string data = Terminated(text);
    // The count leaves the terminator out: the empty text is a 0-byte value.
    return WriteValue(reg, root, path, name, regtype::kSz,
                      reinterpret_cast<const std::uint8_t*>(data.c_str()),
                      static_cast<std::uint32_t>(data.size()));
}

std::int32_t ReadDword(RegistryPlatform& reg, RegRoot root, std::string_view path,
                       std::string_view name) {
    const OperationKey opened = Open(reg, root, Terminated(path));
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    std::uint32_t type = 0;
    std::uint32_t size = sizeof bytes;
    const RegStatus fetched =
        reg.QueryValue(opened.get(), Terminated(name).c_str(), &type, bytes, &size);
    if (fetched != status::kSuccess || type != regtype::kDword) return 0;
    const std::uint32_t raw = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                              std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
    return static_cast<std::int32_t>(raw);
}

WriteResult WriteDword(RegistryPlatform& reg, RegRoot root, std::string_view path,
                       std::string_view name, std::int32_t number) {
    const auto raw = static_cast<std::uint32_t>(number);
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(raw), static_cast<std::uint8_t>(raw >> 8),
        static_cast<std::uint8_t>(raw >> 16), static_cast<std::uint8_t>(raw >> 24)};
    return WriteValue(reg, root, path, name, regtype::kDword, bytes, sizeof bytes);
}

}  // namespace brevlin::mdlreg
