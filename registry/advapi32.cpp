#include "registry/advapi32.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace brevlin {

// The portable core copies these from windows.h; here they are checked.
static_assert(status::kSuccess == ERROR_SUCCESS);
static_assert(status::kFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(status::kAccessDenied == ERROR_ACCESS_DENIED);
static_assert(status::kInvalidHandle == ERROR_INVALID_HANDLE);
static_assert(status::kInvalidParameter == ERROR_INVALID_PARAMETER);
static_assert(status::kMoreData == ERROR_MORE_DATA);
static_assert(status::kKeyDeleted == ERROR_KEY_DELETED);
static_assert(regtype::kNone == REG_NONE && regtype::kSz == REG_SZ &&
              regtype::kExpandSz == REG_EXPAND_SZ && regtype::kBinary == REG_BINARY &&
              regtype::kDword == REG_DWORD && regtype::kMultiSz == REG_MULTI_SZ &&
              regtype::kQword == REG_QWORD);

HKEY PredefinedKey(RegRoot root) {
    return reinterpret_cast<HKEY>(
        static_cast<ULONG_PTR>(static_cast<LONG>(static_cast<std::uint32_t>(root))));
}

namespace {

HKEY ToHkey(RegHandle key) { return reinterpret_cast<HKEY>(key); }

RegStatus OpenWith(decltype(&RegOpenKeyA) open, RegRoot root, const char* path, RegHandle* key) {
    HKEY opened = nullptr;
    const LSTATUS result = open(PredefinedKey(root), path, &opened);
    *key = reinterpret_cast<RegHandle>(result == ERROR_SUCCESS ? opened : nullptr);
    return result;
}

// The wide functions get the same ASCII name, widened unit by unit.
std::wstring Widened(const char* name) {
    std::wstring wide(name ? std::strlen(name) : 0, L'\0');
    for (std::size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(name[i]));
    return wide;
}

}  // namespace

RegStatus Advapi32Registry::OpenKey(RegRoot root, const char* path, RegHandle* key) {
    return OpenWith(&RegOpenKeyA, root, path, key);
}

RegStatus Advapi32Registry::CreateKey(RegRoot root, const char* path, RegHandle* key) {
    return OpenWith(&RegCreateKeyA, root, path, key);
}

RegStatus Advapi32Registry::QueryValue(RegHandle key, const char* name, std::uint32_t* type,
                                       std::uint8_t* data, std::uint32_t* size) {
    // DWORD is unsigned long, the same width as std::uint32_t on Windows.
    static_assert(sizeof(DWORD) == sizeof(std::uint32_t));
    return RegQueryValueExA(ToHkey(key), name, nullptr, reinterpret_cast<DWORD*>(type), data,
                            reinterpret_cast<DWORD*>(size));
}

RegStatus Advapi32Registry::SetValue(RegHandle key, const char* name, std::uint32_t type,
                                     const std::uint8_t* data, std::uint32_t size) {
    return RegSetValueExA(ToHkey(key), name, 0, type, data, size);
}

RegStatus Advapi32Registry::QueryValueW(RegHandle key, const char* name, std::uint32_t* type,
                                        std::uint8_t* data, std::uint32_t* size) {
    return RegQueryValueExW(ToHkey(key), Widened(name).c_str(), nullptr,
                            reinterpret_cast<DWORD*>(type), data, reinterpret_cast<DWORD*>(size));
}

RegStatus Advapi32Registry::SetValueW(RegHandle key, const char* name, std::uint32_t type,
                                      const std::uint8_t* data, std::uint32_t size) {
    return RegSetValueExW(ToHkey(key), Widened(name).c_str(), 0, type, data, size);
}

RegStatus Advapi32Registry::DeleteValue(RegHandle key, const char* name) {
    return RegDeleteValueW(ToHkey(key), Widened(name).c_str());
}

RegStatus Advapi32Registry::DeleteKey(RegRoot root, const char* path) {
    return RegDeleteKeyA(PredefinedKey(root), path);
}

RegStatus Advapi32Registry::QueryInfoKey(RegHandle key, std::uint32_t* subkeys) {
    return RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr,
                            reinterpret_cast<DWORD*>(subkeys), nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr);
}

RegStatus Advapi32Registry::CloseKey(RegHandle key) { return RegCloseKey(ToHkey(key)); }

}  // namespace brevlin
