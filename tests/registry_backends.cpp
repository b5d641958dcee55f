#include "tests/registry_backends.h"

#include <doctest/doctest.h>

#include <algorithm>

#ifdef _WIN32
#include <windows.h>

#include "registry/advapi32.h"
#endif

namespace brevlin::test {

bool Scratch::Exists(const std::string& relative) const {
    RegHandle key = 0;
    const RegStatus opened = reg_.OpenKey(RegRoot::CurrentUser, Path(relative).c_str(), &key);
    if (opened == status::kSuccess) reg_.CloseKey(key);
    return opened == status::kSuccess;
}

void Scratch::MakeKey(const std::string& relative) const {
    RegHandle key = 0;
    reg_.CreateKey(RegRoot::CurrentUser, Path(relative).c_str(), &key);
    reg_.CloseKey(key);
}

void Scratch::Put(const std::string& relative, const char* name, std::uint32_t type,
                  const std::vector<std::uint8_t>& bytes) const {
    std::vector<std::uint8_t> guarded = bytes;
    guarded.push_back(0xEE);
    RegHandle key = 0;
    reg_.CreateKey(RegRoot::CurrentUser, Path(relative).c_str(), &key);
    reg_.SetValue(key, name, type, guarded.data(), static_cast<std::uint32_t>(bytes.size()));
    reg_.CloseKey(key);
}

std::optional<StoredValue> Scratch::Get(const std::string& relative, const char* name) const {
    RegHandle key = 0;
    if (reg_.OpenKey(RegRoot::CurrentUser, Path(relative).c_str(), &key) != status::kSuccess)
        return std::nullopt;
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
    reg_.CloseKey(key);
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
