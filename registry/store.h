// An in-memory registry that behaves like the Windows one wherever Brevlin
// can tell: two roots kept apart, case-insensitive key and value names, typed
// values holding exact bytes, texts stored as UTF-16 and converted by the A
// functions through code page 1252, and the same status codes. Tests can make
// keys refuse access and change a value between two queries, and can count
// handles.
//
// What it cannot see, it assumes:
// - For a 1-byte text, Windows looks at memory before the caller's buffer:
//   RegSetValueExW at the unit before it, RegQueryValueExW at the byte before
//   it. The store takes them as not 0; the tests' buffers make them so.
// - A wide query never writes past the buffer. (Wine writes a NUL unit past
//   a 1-byte buffer that receives a 1-byte text: its room check wraps.)
// - Only ASCII letters in names fold case.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/platform.h"

namespace brevlin {

struct StoredValue {
    std::uint32_t type = regtype::kNone;
    std::vector<std::uint8_t> bytes;
    bool operator==(const StoredValue&) const = default;
};

// What a key may refuse; a refusal covers the key and every key below it.
enum Refusal : unsigned {
    kRefuseOpen = 1u << 0,    // RegOpenKeyA is denied
    kRefuseCreate = 1u << 1,  // a missing key may not be created
    kRefuseSet = 1u << 2,     // values may not be set through any handle
    kRefuseDelete = 1u << 3,  // RegDeleteKeyA is denied
    kRefuseAll = kRefuseOpen | kRefuseCreate | kRefuseSet | kRefuseDelete,
};

class RegistryStore final : public RegistryPlatform {
public:
    RegistryStore();
    ~RegistryStore() override;

    RegStatus OpenKey(RegRoot root, const char* path, RegHandle* key) override;
    RegStatus CreateKey(RegRoot root, const char* path, RegHandle* key) override;
    RegStatus QueryValue(RegHandle key, const char* name, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t* size) override;
    RegStatus SetValue(RegHandle key, const char* name, std::uint32_t type,
                       const std::uint8_t* data, std::uint32_t size) override;
    RegStatus QueryValueW(RegHandle key, const char* name, std::uint32_t* type, std::uint8_t* data,
                          std::uint32_t* size) override;
    RegStatus SetValueW(RegHandle key, const char* name, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t size) override;
    RegStatus DeleteValue(RegHandle key, const char* name) override;
    RegStatus DeleteKey(RegRoot root, const char* path) override;
    RegStatus QueryInfoKey(RegHandle key, std::uint32_t* subkeys) override;
    RegStatus CloseKey(RegHandle key) override;

    // --- for tests -------------------------------------------------------
    void Refuse(RegRoot root, std::string_view path, unsigned refusals);
    // Runs after every QueryValue until cleared; lets a test change a value
    // between the two queries of a text read.
    void AfterEachQuery(std::function<void()> hook);

    std::size_t OpenHandles() const { return handles_.size(); }
    bool HasKey(RegRoot root, std::string_view path) const;
    // The stored bytes: UTF-16 for a text that came through an A function.
    std::optional<StoredValue> Value(RegRoot root, std::string_view path,
                                     std::string_view name) const;
    // Stores what RegSetValueExA stores for these bytes when the byte after
    // them is not a NUL (a text as UTF-16, anything else as it is), creating
    // the key path as needed.
    void Put(RegRoot root, std::string_view path, std::string_view name, std::uint32_t type,
             const std::vector<std::uint8_t>& bytes);
    // Stores exactly these bytes, as RegSetValueExW can.
    void PutExact(RegRoot root, std::string_view path, std::string_view name, std::uint32_t type,
                  std::vector<std::uint8_t> bytes);
    // Every key and value, one per line, in a stable order: equal dumps mean
    // equal registries.
    std::string Dump() const;

private:
    struct Key;
    struct CaseLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    struct Key {
        std::map<std::string, std::shared_ptr<Key>, CaseLess> subkeys;
        std::map<std::string, StoredValue, CaseLess> values;
        bool deleted = false;
    };
    struct Refused {
        RegRoot root;
        std::vector<std::string> path;
        unsigned what;
    };

    std::shared_ptr<Key> Root(RegRoot root) const;
    std::shared_ptr<Key> Find(RegRoot root, const std::vector<std::string>& parts) const;
    bool IsRefused(RegRoot root, const std::vector<std::string>& parts, unsigned what) const;
    // The A functions carry texts in the ANSI code page, the W ones as stored.
    enum class Form : std::uint8_t { Ansi, Wide };
    // A text's unit in each form: a byte, or a UTF-16 unit of two.
    static std::uint32_t UnitWidth(Form form);

    RegHandle Issue(std::shared_ptr<Key> key);
    RegStatus Query(RegHandle handle, const char* name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size, Form form);
    RegStatus Deliver(RegHandle handle, std::string_view name, std::uint32_t* type,
                      std::uint8_t* data, std::uint32_t* size, Form form) const;
    static void Terminate(std::uint8_t* data, std::uint32_t length, std::uint32_t capacity,
                          std::uint32_t width);
    RegStatus Set(RegHandle handle, const char* name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size, Form form);
    std::shared_ptr<Key> Lookup(RegHandle handle, RegStatus* failure) const;

    std::map<RegRoot, std::shared_ptr<Key>> roots_;
    std::map<RegHandle, std::shared_ptr<Key>> handles_;
    // Which root and path each handle was opened on, so refusals can apply.
    std::map<RegHandle, std::pair<RegRoot, std::vector<std::string>>> handle_paths_;
    std::vector<Refused> refusals_;
    std::function<void()> after_query_;
    RegHandle next_handle_ = 0x100;
};

}  // namespace brevlin
