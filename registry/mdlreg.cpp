#include "registry/mdlreg.h"

namespace brevlin::mdlreg {
namespace {

// The platform takes NUL-terminated texts; std::string gives us the copy.
std::string Terminated(std::string_view text) { return std::string(text); }

OperationKey Open(RegistryPlatform& reg, RegRoot root, std::string_view path) {
    return OperationKey(reg, root, Terminated(path), OperationKey::Way::Open);
}

WriteResult WriteValue(RegistryPlatform& reg, RegRoot root, std::string_view path,
                       std::string_view name, std::uint32_t type, const std::uint8_t* data,
                       std::uint32_t size) {
    return CreateAndSet(reg, root, path, &RegistryPlatform::SetValue, name, type, data, size);
}

}  // namespace

WriteResult CreateKey(RegistryPlatform& reg, RegRoot root, std::string_view path) {
    return CreateAndSet(reg, root, path);
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
    const OperationKey opened = Open(reg, root, path);

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
    const OperationKey opened = Open(reg, root, path);
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
