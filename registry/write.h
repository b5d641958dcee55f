// Writes that leave the registry as they found it when they fail: the keys a
// write makes on the way to its value go again when the value cannot be
// stored. mdlreg's writes store through the A functions, the exact writes of
// raw through the W ones; this is the part they share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "registry/platform.h"

namespace brevlin {

// The outcome of a change: kSuccess, or the first status that stopped it.
struct WriteResult {
    RegStatus status = status::kSuccess;
    // A delete was refused because the key still has subkeys, which
    // RegDeleteKeyA does not remove, rather than for want of rights.
    bool key_has_subkeys = false;
    // A failed write that could not remove the keys it made on the way:
    // how many leading characters of the key path it was given name the
    // topmost of them, which is left behind holding nothing but those keys.
    // 0 when the registry is as it was. (A count rather than a text keeps
    // the result plain data, cheap to return everywhere.)
    std::size_t left_behind = 0;
    std::string_view LeftBehindIn(std::string_view key_path) const {
        return key_path.substr(0, left_behind);
    }
    bool ok() const { return status == status::kSuccess; }
};

// A key opened or created for one operation of mdlreg, and closed when the
// operation ends: whatever the open or create left, 0 included, as the
// operations' algorithm closes it (the platform refuses 0 harmlessly).
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

// How the value is stored: RegistryPlatform::SetValue or SetValueW.
using SetFunction = RegStatus (RegistryPlatform::*)(RegHandle, const char*, std::uint32_t,
                                                    const std::uint8_t*, std::uint32_t);

// Creates the key (RegCreateKeyA: with every missing key above it) and, when
// `set` is given, stores one value in it through `set`, called with whatever
// handle the create left, as mdlreg's algorithm does; the key is closed
// again. If the create or the set fails, the keys that the create made are
// deleted again, deepest first.
WriteResult CreateAndSet(RegistryPlatform& reg, RegRoot root, std::string_view key_path,
                         SetFunction set = nullptr, std::string_view name = {},
                         std::uint32_t type = regtype::kNone, const std::uint8_t* data = nullptr,
                         std::uint32_t size = 0);

}  // namespace brevlin
