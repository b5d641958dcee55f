#include "registry/mdlreg.h"

namespace brevlin::mdlreg {
namespace {

// The platform takes NUL-terminated texts; std::string gives us the copy.
std::string Terminated(std::string_view text) { return std::string(text); }

WriteResult FirstFailure(RegStatus first, RegStatus second) {
    return {first != status::kSuccess ? first : second};
}

}  // namespace

WriteResult CreateKey(RegistryPlatform& reg, RegRoot root, std::string_view path) {
    RegHandle key = 0;
    const RegStatus created = reg.CreateKey(root, Terminated(path).c_str(), &key);
    reg.CloseKey(key);
    return {created};
}

WriteResult DeleteKey(RegistryPlatform& reg, RegRoot root, std::string_view path) {
    const RegStatus deleted = reg.DeleteKey(root, Terminated(path).c_str());
    // Hiding something that is already hidden has succeeded.
    return {deleted == status::kFileNotFound ? status::kSuccess : deleted};
}

std::string ReadString(RegistryPlatform& reg, RegRoot root, std::string_view path,
                       std::string_view name) {
    const std::string value_name = Terminated(name);
    RegHandle key = 0;
    reg.OpenKey(root, Terminated(path).c_str(), &key);

    // First ask only for the type and the size; the status tells nothing more.
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    reg.QueryValue(key, value_name.c_str(), &type, nullptr, &size);

    std::string result;
    if (type == regtype::kSz) {
        // A buffer of spaces, so that any byte the data does not cover shows.
        std::string buffer(size, ' ');
        std::uint32_t scratch_type = 0;
        std::uint32_t buffer_size = size;
        const RegStatus fetched =
            reg.QueryValue(key, value_name.c_str(), &scratch_type,
                           reinterpret_cast<std::uint8_t*>(buffer.data()), &buffer_size);
        if (fetched == status::kSuccess) {
            // Stored with or without its terminator, the text ends at its first NUL.
            result = buffer.substr(0, buffer.find('\0'));
        }
    }
    reg.CloseKey(key);
    return result;
}

WriteResult WriteString(RegistryPlatform& reg, RegRoot root, std::string_view path,
                        std::string_view name, std::string_view text) {
    const std::string data = Terminated(text);
    RegHandle key = 0;
    const RegStatus created = reg.CreateKey(root, Terminated(path).c_str(), &key);
    // The count leaves the terminator out: the empty text is a 0-byte value.
    const RegStatus set =
        reg.SetValue(key, Terminated(name).c_str(), regtype::kSz,
                     reinterpret_cast<const std::uint8_t*>(data.c_str()),
                     static_cast<std::uint32_t>(data.size()));
    reg.CloseKey(key);
    return FirstFailure(created, set);
}

std::int32_t ReadDword(RegistryPlatform& reg, RegRoot root, std::string_view path,
                       std::string_view name) {
    RegHandle key = 0;
    reg.OpenKey(root, Terminated(path).c_str(), &key);

    std::uint8_t bytes[4] = {0, 0, 0, 0};
    std::uint32_t type = 0;
    std::uint32_t size = sizeof bytes;
    const RegStatus fetched = reg.QueryValue(key, Terminated(name).c_str(), &type, bytes, &size);

    std::int32_t result = 0;
    if (fetched == status::kSuccess && type == regtype::kDword) {
        const std::uint32_t raw = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                                  std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
        result = static_cast<std::int32_t>(raw);
    }
    reg.CloseKey(key);
    return result;
}

WriteResult WriteDword(RegistryPlatform& reg, RegRoot root, std::string_view path,
                       std::string_view name, std::int32_t number) {
    const auto raw = static_cast<std::uint32_t>(number);
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(raw), static_cast<std::uint8_t>(raw >> 8),
        static_cast<std::uint8_t>(raw >> 16), static_cast<std::uint8_t>(raw >> 24)};
    RegHandle key = 0;
    const RegStatus created = reg.CreateKey(root, Terminated(path).c_str(), &key);
    const RegStatus set =
        reg.SetValue(key, Terminated(name).c_str(), regtype::kDword, bytes, sizeof bytes);
    reg.CloseKey(key);
    return FirstFailure(created, set);
}

}  // namespace brevlin::mdlreg
