#include "registry/raw.h"

#include <algorithm>
#include <string>

namespace brevlin::raw {
namespace {

// Another program may keep rewriting the value between our size query and
// our data query; after this many rounds we stop chasing it.
constexpr int kAttempts = 8;

Value Failed(RegStatus failure) {
    // A key deleted while we held it no longer holds the value either.
    if (failure == status::kFileNotFound || failure == status::kKeyDeleted)
        return {.presence = Presence::Absent};
    return {.presence = Presence::Unreadable, .status = failure};
}

}  // namespace

Value ReadValue(RegistryPlatform& reg, RegRoot root, std::string_view path, std::string_view name) {
    RegHandle handle = 0;
    const RegStatus opened = reg.OpenKey(root, std::string(path).c_str(), &handle);
    if (opened != status::kSuccess) return Failed(opened);
    const OwnedKey key(handle, CloseKeyWith{&reg});

    const std::string value_name(name);
    std::uint32_t type = regtype::kNone;
    std::uint32_t size = 0;
    RegStatus result = reg.QueryValue(key.get(), value_name.c_str(), &type, nullptr, &size);
    for (int attempt = 0; result == status::kSuccess || result == status::kMoreData; ++attempt) {
        if (attempt == kAttempts) return Failed(status::kMoreData);
        // Never an empty buffer: a null one would only ask for the size
        // again, and a value that grew from nothing would go unread.
        Value value{.presence = Presence::Present};
        value.bytes.resize(std::max<std::uint32_t>(size, 1));
        std::uint32_t delivered = static_cast<std::uint32_t>(value.bytes.size());
        result = reg.QueryValue(key.get(), value_name.c_str(), &value.type, value.bytes.data(),
                                &delivered);
        if (result == status::kSuccess) {
            value.bytes.resize(std::min<std::size_t>(delivered, value.bytes.size()));
            return value;
        }
        size = delivered;  // what the value needs now
    }
    return Failed(result);
}

Key ProbeKey(RegistryPlatform& reg, RegRoot root, std::string_view path) {
    RegHandle handle = 0;
    const RegStatus opened = reg.OpenKey(root, std::string(path).c_str(), &handle);
    const OwnedKey key(handle, CloseKeyWith{&reg});  // only opened to see it is there
    if (opened == status::kSuccess || opened == status::kAccessDenied)
        return {.presence = Presence::Present};
    if (opened == status::kFileNotFound) return {.presence = Presence::Absent};
    return {.presence = Presence::Unreadable, .status = opened};
}

}  // namespace brevlin::raw
