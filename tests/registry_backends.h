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

// Fails the platform call you name with the status you name, for the
// failure paths no refusal of the store produces: an open that fails for
// another reason than "not found" or "access denied", a create that makes
// the keys above and then fails, a set that claims success and stores
// nothing (status 0), a key that opens and denies queries (as Wine
// enforces a DACL). `where`, when given, must be part of the key path of
// a key call, or of the value name of a value call.
class FailingRegistry final : public ForwardingRegistry {
public:
    enum class Call : std::uint8_t { Open, Create, CreateAfterParent, Query, Set, SetW, DeleteKey };
    using ForwardingRegistry::ForwardingRegistry;
    void Fail(Call call, RegStatus status, std::string where = {}) {
        call_ = call, status_ = status, where_ = std::move(where);
    }

    RegStatus OpenKey(RegRoot root, const char* path, RegHandle* key) override {
        if (!Fails(Call::Open, path)) return ForwardingRegistry::OpenKey(root, path, key);
        *key = 0;
        return status_;
    }
    RegStatus CreateKey(RegRoot root, const char* path, RegHandle* key) override {
        if (Fails(Call::CreateAfterParent, path)) {
            // Windows makes a path key by key: the upper ones may be made
            // before the last is refused.
            const std::string parent(path, std::string_view(path).rfind('\\'));
            RegHandle made = 0;
            ForwardingRegistry::CreateKey(root, parent.c_str(), &made);
            ForwardingRegistry::CloseKey(made);
        } else if (!Fails(Call::Create, path)) {
            return ForwardingRegistry::CreateKey(root, path, key);
        }
        *key = 0;
        return status_;
    }
    // Both query functions, A and W.
    RegStatus QueryValue(RegHandle key, const char* name, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t* size) override {
        if (Fails(Call::Query, name)) return status_;
        return ForwardingRegistry::QueryValue(key, name, type, data, size);
    }
    RegStatus QueryValueW(RegHandle key, const char* name, std::uint32_t* type, std::uint8_t* data,
                          std::uint32_t* size) override {
        if (Fails(Call::Query, name)) return status_;
        return ForwardingRegistry::QueryValueW(key, name, type, data, size);
    }
    RegStatus SetValue(RegHandle key, const char* name, std::uint32_t type,
                       const std::uint8_t* data, std::uint32_t size) override {
        if (Fails(Call::Set, name)) return status_;
        return ForwardingRegistry::SetValue(key, name, type, data, size);
    }
    RegStatus SetValueW(RegHandle key, const char* name, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t size) override {
        if (Fails(Call::SetW, name)) return status_;
        return ForwardingRegistry::SetValueW(key, name, type, data, size);
    }
    RegStatus DeleteKey(RegRoot root, const char* path) override {
        if (Fails(Call::DeleteKey, path)) return status_;
        return ForwardingRegistry::DeleteKey(root, path);
    }

private:
    bool Fails(Call call, const char* text) const {
        return call_ == call &&
               std::string_view(text ? text : "").find(where_) != std::string::npos;
    }
    std::optional<Call> call_;
    RegStatus status_ = status::kSuccess;
    std::string where_;
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
