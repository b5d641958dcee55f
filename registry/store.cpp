#include "registry/store.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>

#include "registry/code_page.h"

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

// Whether Windows adds the terminator that a text's count left out: the
// unit right after the counted ones (in memory, as after any C string) is
// a NUL, and the last counted unit is not. Units are counted from the
// start, so for an odd size in the W form the "last" unit is the last
// whole one, and the unit after it takes in the odd byte and the one after
// it. The store takes a unit before the data, looked at for a 1-byte wide
// text, as not 0. The caller's buffer holds the unit after the data (see
// RegistryPlatform::SetValue and SetValueW).
bool CountLeavesOutNul(const std::uint8_t* data, std::uint32_t size, std::uint32_t width) {
    const auto is_nul = [&](std::uint32_t unit) {
        return std::all_of(data + unit * width, data + (unit + 1) * width,
                           [](std::uint8_t byte) { return byte == 0; });
    };
    const std::uint32_t after = size / width;
    return (after == 0 || !is_nul(after - 1)) && is_nul(after);
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

std::uint32_t RegistryStore::UnitWidth(Form form) { return form == Form::Wide ? 2 : 1; }

RegStatus RegistryStore::QueryValue(RegHandle handle, const char* name, std::uint32_t* type,
                                    std::uint8_t* data, std::uint32_t* size) {
    return Query(handle, name, type, data, size, Form::Ansi);
}

RegStatus RegistryStore::QueryValueW(RegHandle handle, const char* name, std::uint32_t* type,
                                     std::uint8_t* data, std::uint32_t* size) {
    return Query(handle, name, type, data, size, Form::Wide);
}

RegStatus RegistryStore::Query(RegHandle handle, const char* name, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* size, Form form) {
    const RegStatus result = Deliver(handle, name ? name : "", type, data, size, form);
    if (after_query_) after_query_();
    return result;
}

RegStatus RegistryStore::Deliver(RegHandle handle, std::string_view name, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* size, Form form) const {
    if (data && !size) return status::kInvalidParameter;
    if (!handles_.count(handle)) return status::kInvalidHandle;
    // On an open handle Windows clears these before it looks, so they stay
    // cleared when there is nothing to report: the size of a sizing query,
    // and in the A form the type too.
    if (form == Form::Ansi && type) *type = regtype::kNone;
    if (size && !data) *size = 0;
    RegStatus failure = status::kSuccess;
    const std::shared_ptr<Key> key = Lookup(handle, &failure);
    if (!key) return failure;
    const auto it = key->values.find(name);
    if (it == key->values.end()) return status::kFileNotFound;

    const StoredValue& value = it->second;
    const bool text = regtype::IsString(value.type);
    const bool converted = text && form == Form::Ansi;
    const std::vector<std::uint8_t> ansi = converted ? code_page::Utf16ToAnsi(value.bytes)
                                                     : std::vector<std::uint8_t>{};
    const std::vector<std::uint8_t>& bytes = converted ? ansi : value.bytes;
    const auto length = static_cast<std::uint32_t>(bytes.size());
    RegStatus result = status::kSuccess;
    if (data && length > *size) {
        // The buffer is left untouched; type and needed size are reported.
        result = status::kMoreData;
    } else if (data) {
        std::copy(bytes.begin(), bytes.end(), data);
        if (text) Terminate(data, length, *size, UnitWidth(form));
    }
    if (type) *type = value.type;
    if (size) *size = length;
    return result;
}

void RegistryStore::Terminate(std::uint8_t* data, std::uint32_t length, std::uint32_t capacity,
                              std::uint32_t width) {
    // Windows ends a delivered text with a NUL of the form's width when the
    // buffer has room for one after it and its last `width` bytes are not
    // already a NUL. For a 1-byte text read wide, those bytes begin before
    // the buffer; the store takes that byte as not 0.
    if (length == 0 || capacity - length < width) return;
    const bool ends_in_nul = length >= width &&
                             std::all_of(data + length - width, data + length,
                                         [](std::uint8_t byte) { return byte == 0; });
    if (!ends_in_nul) std::fill(data + length, data + length + width, std::uint8_t{0});
}

RegStatus RegistryStore::SetValue(RegHandle handle, const char* name, std::uint32_t type,
                                  const std::uint8_t* data, std::uint32_t size) {
    return Set(handle, name, type, data, size, Form::Ansi);
}

RegStatus RegistryStore::SetValueW(RegHandle handle, const char* name, std::uint32_t type,
                                   const std::uint8_t* data, std::uint32_t size) {
    return Set(handle, name, type, data, size, Form::Wide);
}

RegStatus RegistryStore::Set(RegHandle handle, const char* name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size, Form form) {
    RegStatus result = status::kSuccess;
    const std::shared_ptr<Key> key = Lookup(handle, &result);
    if (!key) return result;
    const auto& [root, parts] = handle_paths_.at(handle);
    if (IsRefused(root, parts, kRefuseSet)) return status::kAccessDenied;
    if (!data && size > 0) return status::kInvalidParameter;

    const bool text = regtype::IsString(type);
    const std::uint32_t width = UnitWidth(form);
    const std::uint32_t stored =
        text && size > 0 && CountLeavesOutNul(data, size, width) ? size + width : size;
    std::vector<std::uint8_t> bytes(data, data + stored);
    if (text && form == Form::Ansi) bytes = code_page::AnsiToUtf16(bytes);
    key->values[name ? name : ""] = StoredValue{type, std::move(bytes)};
    return status::kSuccess;
}

RegStatus RegistryStore::DeleteValue(RegHandle handle, const char* name) {
    RegStatus result = status::kSuccess;
    const std::shared_ptr<Key> key = Lookup(handle, &result);
    if (!key) return result;
    const auto& [root, parts] = handle_paths_.at(handle);
    // Deleting a value takes the right to set values, as on Windows.
    if (IsRefused(root, parts, kRefuseSet)) return status::kAccessDenied;
    return key->values.erase(name ? name : "") ? status::kSuccess : status::kFileNotFound;
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
                        std::uint32_t type, const std::vector<std::uint8_t>& bytes) {
    PutExact(root, path, name, type,
             regtype::IsString(type) ? code_page::AnsiToUtf16(bytes) : bytes);
}

void RegistryStore::PutExact(RegRoot root, std::string_view path, std::string_view name,
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
