#include "registry/raw.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace brevlin::raw {
namespace {

// Another program may keep rewriting the value between our size query and
// our data query; after this many rounds we stop chasing it.
constexpr int kAttempts = 8;

// Room after the data in every buffer handed to the wide functions: the
// query may end a text with a NUL unit there (Wine even does so past a
// 1-byte buffer), and the set reads the unit there.
constexpr std::size_t kUnitAfter = 2;

// A key deleted while we held it no longer holds the value either.
bool IsGone(RegStatus failure) {
    return failure == status::kFileNotFound || failure == status::kKeyDeleted;
}

Value Failed(RegStatus failure) {
    if (IsGone(failure)) return {.presence = Presence::Absent};
    return {.presence = Presence::Unreadable, .status = failure};
}

struct Opened {
    OwnedKey key;
    RegStatus status;
};

Opened Open(RegistryPlatform& reg, RegRoot root, std::string_view path) {
    RegHandle handle = 0;
    const RegStatus opened = reg.OpenKey(root, std::string(path).c_str(), &handle);
    return {OwnedKey(handle, CloseKeyWith{&reg}), opened};
}

}  // namespace

Value ReadValue(RegistryPlatform& reg, RegRoot root, std::string_view path, std::string_view name) {
    const Opened opened = Open(reg, root, path);
    if (opened.status != status::kSuccess) return Failed(opened.status);
    const RegHandle key = opened.key.get();

    const std::string value_name(name);
    std::uint32_t type = regtype::kNone;
    std::uint32_t size = 0;
    RegStatus result = reg.QueryValueW(key, value_name.c_str(), &type, nullptr, &size);
    for (int attempt = 0; result == status::kSuccess || result == status::kMoreData; ++attempt) {
        if (attempt == kAttempts) return Failed(status::kMoreData);
        // Room after the value, so the buffer is never empty either: a null
        // one would only ask for the size again, and a value that grew from
        // nothing would go unread.
        Value value{.presence = Presence::Present};
        value.bytes.resize(std::size_t{size} + kUnitAfter);
        std::uint32_t delivered = static_cast<std::uint32_t>(value.bytes.size());
        result =
            reg.QueryValueW(key, value_name.c_str(), &value.type, value.bytes.data(), &delivered);
        if (result == status::kSuccess) {
            value.bytes.resize(std::min<std::size_t>(delivered, value.bytes.size()));
            return value;
        }
        size = delivered;  // what the value needs now
    }
    return Failed(result);
}

Key ProbeKey(RegistryPlatform& reg, RegRoot root, std::string_view path) {
    const RegStatus opened = Open(reg, root, path).status;  // only opened to see it is there
    if (opened == status::kSuccess || opened == status::kAccessDenied)
        return {.presence = Presence::Present};
    if (opened == status::kFileNotFound) return {.presence = Presence::Absent};
    return {.presence = Presence::Unreadable, .status = opened};
}

mdlreg::WriteResult WriteValue(RegistryPlatform& reg, RegRoot root, std::string_view path,
                               std::string_view name, std::uint32_t type,
                               std::span<const std::uint8_t> bytes) {
    // The platform counts in 32 bits: a larger value is refused, not cut.
    if (bytes.size() > UINT32_MAX - kUnitAfter) return {status::kInvalidParameter};
    // Two bytes that are not a NUL unit follow the data, so Windows adds no
    // terminator of its own.
    std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
    data.resize(bytes.size() + kUnitAfter, 0xFF);
    return CreateAndSet(reg, root, path, &RegistryPlatform::SetValueW, name, type, data.data(),
                        static_cast<std::uint32_t>(bytes.size()));
}

mdlreg::WriteResult DeleteValue(RegistryPlatform& reg, RegRoot root, std::string_view path,
                                std::string_view name) {
    const Opened opened = Open(reg, root, path);
    if (opened.status != status::kSuccess)
        return {IsGone(opened.status) ? status::kSuccess : opened.status};
    const RegStatus deleted = reg.DeleteValue(opened.key.get(), std::string(name).c_str());
    return {IsGone(deleted) ? status::kSuccess : deleted};
}

}  // namespace brevlin::raw
