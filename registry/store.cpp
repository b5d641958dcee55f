#include "registry/store.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>

namespace brevlin {
namespace {

char Fold(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Fold(x) == Fold(y); });
}

// "A\B\C" -> {A, B, C}; a trailing backslash is ignored, as Windows does.
// An empty part anywhere else makes the path invalid.
std::optional<std::vector<std::string>> SplitPath(std::string_view path) {
    std::vector<std::string> parts;
    if (path.empty()) return parts;
    if (path.back() == '\\') path.remove_suffix(1);
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find('\\', start);
        const std::string_view part = path.substr(start, end - start);
        if (part.empty()) return std::nullopt;
        parts.emplace_back(part);
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

std::vector<std::string> SplitOrEmpty(std::string_view path) {
    return SplitPath(path).value_or(std::vector<std::string>{});
}

bool IsPrefix(const std::vector<std::string>& prefix, const std::vector<std::string>& parts) {
    return prefix.size() <= parts.size() &&
           std::equal(prefix.begin(), prefix.end(), parts.begin(), SameName);
}

}  // namespace

bool RegistryStore::CaseLess::operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Fold(x) < Fold(y); });
}

RegistryStore::RegistryStore() {
    roots_[RegRoot::CurrentUser] = std::make_shared<Key>();
    roots_[RegRoot::LocalMachine] = std::make_shared<Key>();
}

RegistryStore::~RegistryStore() = default;

std::shared_ptr<RegistryStore::Key> RegistryStore::Root(RegRoot root) const {
    const auto it = roots_.find(root);
    return it == roots_.end() ? nullptr : it->second;
}

std::shared_ptr<RegistryStore::Key> RegistryStore::Find(
    RegRoot root, const std::vector<std::string>& parts) const {
    std::shared_ptr<Key> key = Root(root);
    for (const std::string& part : parts) {
        if (!key) break;
        const auto it = key->subkeys.find(part);
        key = it == key->subkeys.end() ? nullptr : it->second;
    }
    return key;
}

bool RegistryStore::IsRefused(RegRoot root, const std::vector<std::string>& parts,
                              unsigned what) const {
    return std::any_of(refusals_.begin(), refusals_.end(), [&](const Refused& r) {
        return r.root == root && (r.what & what) && IsPrefix(r.path, parts);
    });
}

RegHandle RegistryStore::Issue(std::shared_ptr<Key> key) {
    const RegHandle handle = next_handle_;
    next_handle_ += 4;  // like Windows, handles are multiples of four
    handles_[handle] = std::move(key);
    return handle;
}

std::shared_ptr<RegistryStore::Key> RegistryStore::Lookup(RegHandle handle,
                                                          RegStatus* failure) const {
    const auto it = handles_.find(handle);
    if (it == handles_.end()) {
        *failure = status::kInvalidHandle;
        return nullptr;
    }
    if (it->second->deleted) {
        *failure = status::kKeyDeleted;
        return nullptr;
    }
    return it->second;
}

RegStatus RegistryStore::OpenKey(RegRoot root, const char* path, RegHandle* key) {
    if (!key) return status::kInvalidParameter;
    *key = 0;
    if (!Root(root)) return status::kInvalidHandle;
    const auto parts = SplitPath(path ? path : "");
    if (!parts) return status::kFileNotFound;
    std::shared_ptr<Key> found = Find(root, *parts);
    if (!found) return status::kFileNotFound;
    if (IsRefused(root, *parts, kRefuseOpen)) return status::kAccessDenied;
    *key = Issue(std::move(found));
    handle_paths_[*key] = {root, *parts};
    return status::kSuccess;
}

RegStatus RegistryStore::CreateKey(RegRoot root, const char* path, RegHandle* key) {
    if (!key) return status::kInvalidParameter;
    *key = 0;
    std::shared_ptr<Key> node = Root(root);
    if (!node) return status::kInvalidHandle;
    const auto parts = SplitPath(path ? path : "");
    if (!parts) return status::kInvalidParameter;

    // Refuse before creating anything, so a refusal leaves no half-made path.
    std::vector<std::string> walked;
    for (const std::string& part : *parts) {
        walked.push_back(part);
        if (!Find(root, walked) && IsRefused(root, walked, kRefuseCreate))
            return status::kAccessDenied;
    }
    for (const std::string& part : *parts) {
        std::shared_ptr<Key>& child = node->subkeys[part];
        if (!child) child = std::make_shared<Key>();
        node = child;
    }
    *key = Issue(std::move(node));
    handle_paths_[*key] = {root, *parts};
    return status::kSuccess;
}

RegStatus RegistryStore::QueryValue(RegHandle handle, const char* name, std::uint32_t* type,
                                    std::uint8_t* data, std::uint32_t* size) {
    if (data && !size) return status::kInvalidParameter;
    const RegStatus result = Query(handle, name ? name : "", type, data, size);
    if (after_query_) after_query_();
    return result;
}

RegStatus RegistryStore::Query(RegHandle handle, std::string_view name, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* size) const {
    if (!handles_.count(handle)) return status::kInvalidHandle;
    RegStatus failure = status::kSuccess;
    const std::shared_ptr<Key> key = Lookup(handle, &failure);
    const auto it = key ? key->values.find(name) : decltype(key->values.end()){};
    if (!key || it == key->values.end()) {
        // On an open handle the real registry clears the type, and the size
        // when only sizing, even though there is nothing to report.
        if (type) *type = regtype::kNone;
        if (size && !data) *size = 0;
        return key ? status::kFileNotFound : failure;
    }

    const StoredValue& value = it->second;
    const auto length = static_cast<std::uint32_t>(value.bytes.size());
    RegStatus result = status::kSuccess;
    if (data && length > *size) {
        // The buffer is left untouched; type and needed size are reported.
        result = status::kMoreData;
    } else if (data) {
        std::copy(value.bytes.begin(), value.bytes.end(), data);
        // Windows terminates an unterminated text when the buffer has room.
        if (regtype::IsString(value.type) && length > 0 && length < *size && data[length - 1] != 0)
            data[length] = 0;
    }
    if (type) *type = value.type;
    if (size) *size = length;
    return result;
}

RegStatus RegistryStore::SetValue(RegHandle handle, const char* name, std::uint32_t type,
                                  const std::uint8_t* data, std::uint32_t size) {
    RegStatus result = status::kSuccess;
    const std::shared_ptr<Key> key = Lookup(handle, &result);
    if (!key) return result;
    const auto& [root, parts] = handle_paths_.at(handle);
    if (IsRefused(root, parts, kRefuseSet)) return status::kAccessDenied;
    if (!data && size > 0) return status::kInvalidParameter;

    std::vector<std::uint8_t> bytes(data, data + size);
    // Windows adds the terminator that a text's count left out when it
    // follows the counted bytes in memory, as it does after any C string.
    // Like Windows, this reads the one byte after the data, which the
    // platform's callers provide (see RegistryPlatform::SetValue), and only
    // for a text whose counted bytes do not already end in a NUL.
    if (regtype::IsString(type) && size > 0 && data[size - 1] != 0 && data[size] == 0)
        bytes.push_back(0);
    key->values[name ? name : ""] = StoredValue{type, std::move(bytes)};
    return status::kSuccess;
}

RegStatus RegistryStore::DeleteKey(RegRoot root, const char* path) {
    if (!Root(root)) return status::kInvalidHandle;
    const auto parts = SplitPath(path ? path : "");
    // A root itself cannot be deleted.
    if (parts && parts->empty()) return status::kAccessDenied;
    if (!parts) return status::kFileNotFound;
    const std::shared_ptr<Key> key = Find(root, *parts);
    if (!key) return status::kFileNotFound;
    // Windows refuses to delete a key that still has subkeys.
    if (IsRefused(root, *parts, kRefuseDelete) || !key->subkeys.empty())
        return status::kAccessDenied;

    std::vector<std::string> parent_path(parts->begin(), parts->end() - 1);
    Find(root, parent_path)->subkeys.erase(parts->back());
    // Handles still open on it now fail with "key deleted".
    key->deleted = true;
    return status::kSuccess;
}

RegStatus RegistryStore::QueryInfoKey(RegHandle handle, std::uint32_t* subkeys) {
    RegStatus result = status::kSuccess;
    const std::shared_ptr<Key> key = Lookup(handle, &result);
    if (!key) return result;
    if (subkeys) *subkeys = static_cast<std::uint32_t>(key->subkeys.size());
    return status::kSuccess;
}

RegStatus RegistryStore::CloseKey(RegHandle handle) {
    if (handles_.erase(handle) == 0) return status::kInvalidHandle;
    handle_paths_.erase(handle);
    return status::kSuccess;
}

void RegistryStore::Refuse(RegRoot root, std::string_view path, unsigned refusals) {
    refusals_.push_back({root, SplitOrEmpty(path), refusals});
}

void RegistryStore::AfterEachQuery(std::function<void()> hook) { after_query_ = std::move(hook); }

bool RegistryStore::HasKey(RegRoot root, std::string_view path) const {
    const auto parts = SplitPath(path);
    return parts && Find(root, *parts) != nullptr;
}

std::optional<StoredValue> RegistryStore::Value(RegRoot root, std::string_view path,
                                                std::string_view name) const {
    const auto parts = SplitPath(path);
    const std::shared_ptr<Key> key = parts ? Find(root, *parts) : nullptr;
    if (!key) return std::nullopt;
    const auto it = key->values.find(name);
    if (it == key->values.end()) return std::nullopt;
    return it->second;
}

void RegistryStore::Put(RegRoot root, std::string_view path, std::string_view name,
                        std::uint32_t type, std::vector<std::uint8_t> bytes) {
    std::shared_ptr<Key> node = Root(root);
    for (const std::string& part : SplitOrEmpty(path)) {
        std::shared_ptr<Key>& child = node->subkeys[part];
        if (!child) child = std::make_shared<Key>();
        node = child;
    }
    node->values[std::string(name)] = StoredValue{type, std::move(bytes)};
}

std::string RegistryStore::Dump() const {
    std::ostringstream out;
    std::function<void(const Key&, const std::string&)> walk = [&](const Key& key,
                                                                   const std::string& at) {
        out << at << '\n';
        for (const auto& [name, value] : key.values) {
            out << at << " : " << name << " = " << value.type << " [";
            for (std::uint8_t byte : value.bytes) out << ' ' << int{byte};
            out << " ]\n";
        }
        for (const auto& [name, child] : key.subkeys) walk(*child, at + '\\' + name);
    };
    for (const auto& [root, key] : roots_)
        walk(*key, root == RegRoot::CurrentUser ? "HKCU" : "HKLM");
    return out.str();
}

}  // namespace brevlin
