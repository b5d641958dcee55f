// The registries the conformance cases run against. Each works inside a
// scratch key of its own below HKEY_CURRENT_USER and leaves nothing behind.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "registry/platform.h"
#include "registry/store.h"

namespace brevlin::test {

// Passes every call to another registry; a test double overrides the calls
// it changes or watches.
class ForwardingRegistry : public RegistryPlatform {
public:
    explicit ForwardingRegistry(RegistryPlatform& inner) : inner_(inner) {}

    RegStatus OpenKey(RegRoot root, const char* path, RegHandle* key) override {
        return inner_.OpenKey(root, path, key);
    }
    RegStatus CreateKey(RegRoot root, const char* path, RegHandle* key) override {
        return inner_.CreateKey(root, path, key);
    }
    RegStatus QueryValue(RegHandle key, const char* name, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t* size) override {
        return inner_.QueryValue(key, name, type, data, size);
    }
    RegStatus SetValue(RegHandle key, const char* name, std::uint32_t type,
                       const std::uint8_t* data, std::uint32_t size) override {
        return inner_.SetValue(key, name, type, data, size);
    }
    RegStatus QueryValueW(RegHandle key, const char* name, std::uint32_t* type, std::uint8_t* data,
                          std::uint32_t* size) override {
        return inner_.QueryValueW(key, name, type, data, size);
    }
    RegStatus SetValueW(RegHandle key, const char* name, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t size) override {
        return inner_.SetValueW(key, name, type, data, size);
    }
    RegStatus DeleteValue(RegHandle key, const char* name) override {
        return inner_.DeleteValue(key, name);
    }
    RegStatus DeleteKey(RegRoot root, const char* path) override {
        return inner_.DeleteKey(root, path);
    }
    RegStatus QueryInfoKey(RegHandle key, std::uint32_t* subkeys) override {
        return inner_.QueryInfoKey(key, subkeys);
    }
    RegStatus CloseKey(RegHandle key) override { return inner_.CloseKey(key); }

private:
    RegistryPlatform& inner_;
};

// Keeps the handles that are open, so a test can prove that an operation
// closed what it opened, on any backend.
class CountingRegistry final : public ForwardingRegistry {
public:
    using ForwardingRegistry::ForwardingRegistry;
    std::size_t OpenHandles() const { return open_.size(); }
    std::size_t closes_of_nothing = 0;  // CloseKey(0), which fails harmlessly

    RegStatus OpenKey(RegRoot root, const char* path, RegHandle* key) override {
        return Track(ForwardingRegistry::OpenKey(root, path, key), key);
    }
    RegStatus CreateKey(RegRoot root, const char* path, RegHandle* key) override {
        return Track(ForwardingRegistry::CreateKey(root, path, key), key);
    }
    RegStatus CloseKey(RegHandle key) override {
        closes_of_nothing += key == 0;
        const RegStatus result = ForwardingRegistry::CloseKey(key);
        if (result == status::kSuccess) open_.erase(key);
        return result;
    }

private:
    RegStatus Track(RegStatus result, RegHandle* key) {
        if (result == status::kSuccess) open_.insert(*key);
        return result;
    }
    std::set<RegHandle> open_;
};

// Raw access below the scratch key, straight through the platform functions.
class Scratch {
public:
    Scratch(RegistryPlatform& reg, std::string base) : reg_(reg), base_(std::move(base)) {}
    const std::string& base() const { return base_; }
    std::string Path(const std::string& relative) const {
        return relative.empty() ? base_ : base_ + "\\" + relative;
    }
    bool Exists(const std::string& relative) const;
    // Stores exactly `bytes`: the byte after them is not a NUL, so the
    // platform cannot add a terminator of its own.
    void Put(const std::string& relative, const char* name, std::uint32_t type,
             const std::vector<std::uint8_t>& bytes) const;
    void PutText(const std::string& relative, const char* name, const std::string& bytes) const {
        Put(relative, name, regtype::kSz, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
    std::optional<StoredValue> Get(const std::string& relative, const char* name) const;
    void MakeKey(const std::string& relative) const;

private:
    OwnedKey Open(const std::string& relative, bool create) const;

    RegistryPlatform& reg_;
    std::string base_;
};

struct StoreBackend {
    static constexpr const char* kName = "store";
    RegistryStore store;
    CountingRegistry reg{store};
    Scratch scratch{reg, "Software\\BrevlinTest"};
};

#ifdef _WIN32
// The real registry: a scratch key per process, removed with its contents.
struct Advapi32Backend {
    static constexpr const char* kName = "advapi32";
    Advapi32Backend();
    ~Advapi32Backend();
    RegistryPlatform& real;
    CountingRegistry reg{real};
    Scratch scratch;
};
#endif

}  // namespace brevlin::test
