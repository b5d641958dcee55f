#include "tests/registry_backends.h"

#include <doctest/doctest.h>

#include <algorithm>

#ifdef _WIN32
#include <windows.h>

#include "registry/advapi32.h"
#endif

namespace brevlin::test {

OwnedKey Scratch::Open(const std::string& relative, bool create) const {
    RegHandle key = 0;
    const std::string path = Path(relative);
    if (create) {
        reg_.CreateKey(RegRoot::CurrentUser, path.c_str(), &key);
    } else {
        reg_.OpenKey(RegRoot::CurrentUser, path.c_str(), &key);
    }
    return OwnedKey(key, CloseKeyWith{&reg_});
}

bool Scratch::Exists(const std::string& relative) const {
    return static_cast<bool>(Open(relative, false));
}

void Scratch::MakeKey(const std::string& relative) const { Open(relative, true); }

void Scratch::Put(const std::string& relative, const char* name, std::uint32_t type,
                  const std::vector<std::uint8_t>& bytes) const {
    std::vector<std::uint8_t> guarded = bytes;
    guarded.push_back(0xEE);
    const OwnedKey key = Open(relative, true);
    reg_.SetValue(key.get(), name, type, guarded.data(), static_cast<std::uint32_t>(bytes.size()));
}

std::optional<StoredValue> Scratch::Get(const std::string& relative, const char* name) const {
    const OwnedKey opened = Open(relative, false);
    if (!opened) return std::nullopt;
    const RegHandle key = opened.get();
    StoredValue value;
    std::uint32_t size = 0;
    RegStatus result = reg_.QueryValue(key, name, &value.type, nullptr, &size);
    if (result == status::kSuccess) {
        // The platform is given exactly the size it asked for, and a guard
        // byte follows: it may write neither past what it reports nor a
        // terminator of its own there.
        constexpr std::uint8_t kGuard = 0xBD;
        const std::uint32_t buffer_size = size;
        value.bytes.assign(buffer_size + 1, kGuard);
        result = reg_.QueryValue(key, name, &value.type, value.bytes.data(), &size);
        const auto untouched = value.bytes.begin() + std::min(size, buffer_size);
        CHECK_MESSAGE(std::all_of(untouched, value.bytes.end(),
                                  [](std::uint8_t byte) { return byte == kGuard; }),
                      "the query of '", std::string(name ? name : ""), "' in ", Path(relative),
                      " wrote past the ", size, " bytes it reported");
        value.bytes.resize(size);
    }
    if (result != status::kSuccess) return std::nullopt;
    return value;
}

#ifdef _WIN32
namespace {
RegistryPlatform& RealRegistry() {
    static Advapi32Registry real;
    return real;
}
std::string ScratchName() {
    return "Software\\BrevlinTest-" + std::to_string(GetCurrentProcessId());
}
}  // namespace

Advapi32Backend::Advapi32Backend() : real(RealRegistry()), scratch{reg, ScratchName()} {
    RegDeleteTreeA(HKEY_CURRENT_USER, scratch.base().c_str());
}

Advapi32Backend::~Advapi32Backend() { RegDeleteTreeA(HKEY_CURRENT_USER, scratch.base().c_str()); }
#endif

}  // namespace brevlin::test
