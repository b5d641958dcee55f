#include "tests/e2e/driver.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "registry/advapi32.h"
#include "ui/layout.h"
#include "ui/win32.h"

namespace brevlin::e2e {
namespace {

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

std::string ShortRootName(RegRoot root) { return root == RegRoot::CurrentUser ? "HKCU" : "HKLM"; }

// The snapshot covers two trees; the keys a write creates count from the
// top of the tree it lands in.
struct Tree {
    RegRoot root;
    std::string_view top;
};
constexpr Tree kTrees[] = {{RegRoot::CurrentUser, kOfficeTree},
                           {RegRoot::LocalMachine, kDesktopIconKey}};

const Tree& TreeOf(RegRoot root, std::string_view path) {
    for (const Tree& tree : kTrees) {
        if (tree.root != root || !path.starts_with(tree.top)) continue;
        if (path.size() == tree.top.size() || path[tree.top.size()] == '\\') return tree;
    }
    Fail("not in a tree the snapshot covers: " + std::string(path));
}

std::string KeyEntry(RegRoot root, std::string_view path) {
    return ShortRootName(root) + "\\" + std::string(path);
}
// " | " sorts before "\", so a key's values come right after it, before its subkeys.
std::string ValueEntry(const std::string& key_entry, std::string_view name) {
    return key_entry + " | " + std::string(name);
}

std::string TypeName(DWORD type) {
    switch (type) {
        case REG_NONE: return "REG_NONE";
        case REG_SZ: return "REG_SZ";
        case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
        case REG_BINARY: return "REG_BINARY";
        case REG_DWORD: return "REG_DWORD";
        case REG_MULTI_SZ: return "REG_MULTI_SZ";
        case REG_QWORD: return "REG_QWORD";
        default: return "type " + std::to_string(type);
    }
}

// Null when the key cannot be opened with these rights.
RegKey OpenKey(HKEY parent, const std::string& path, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path.c_str(), 0, access, &key) != ERROR_SUCCESS) key = nullptr;
    return RegKey(key);
}

RegKey CreateKey(RegRoot root, std::string_view path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(PredefinedKey(root), std::string(path).c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        Fail("cannot create " + KeyEntry(root, path));
    return RegKey(key);
}

std::optional<RegData> ReadValue(HKEY key, const char* name) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    RegData data{type, std::string(size, '\0')};
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.bytes.data()),
                         &size) != ERROR_SUCCESS)
        return std::nullopt;
    data.bytes.resize(size);
    return data;
}

LONG StoreValue(HKEY key, std::string_view name, const RegData& data) {
    // A NUL right after a text's bytes would be stored with them; a guard
    // byte keeps the value to exactly the bytes given.
    const std::string guarded = data.bytes + '\xEE';
    return RegSetValueExA(key, std::string(name).c_str(), 0, data.type,
                          reinterpret_cast<const BYTE*>(guarded.data()),
                          static_cast<DWORD>(data.bytes.size()));
}

void Walk(HKEY key, const std::string& entry, std::map<std::string, std::string>& out) {
    out[entry] = "";
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD name_size = sizeof name;
        const LONG status =
            RegEnumValueA(key, index, name, &name_size, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) Fail("RegEnumValueA failed in " + entry);
        const std::optional<RegData> data = ReadValue(key, name);
        if (!data) Fail("RegQueryValueExA failed in " + entry);
        out[ValueEntry(entry, name)] = Describe(*data);
    }
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD name_size = sizeof name;
        const LONG status =
            RegEnumKeyExA(key, index, name, &name_size, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) Fail("RegEnumKeyExA failed in " + entry);
        const RegKey child = OpenKey(key, name, KEY_READ);
        if (!child) Fail("cannot open " + entry + "\\" + name);
        Walk(child.get(), entry + "\\" + name, out);
    }
}

// Where a file the driver makes lives, seen from Linux and from Windows.
struct SharedFile {
    std::string unix_path;
    std::string windows_path;
};

SharedFile MarkerFile() {
    static unsigned counter = 0;
    char temp[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, temp)) Fail("GetTempPathA failed");
    const std::string name =
        "brevlin-xdo-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    SharedFile file;
    file.windows_path = std::string(temp) + name;
    using ToUnix = char*(CDECL*)(const WCHAR*);
    static const auto to_unix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!to_unix) Fail("not running under Wine: no wine_get_unix_file_name");
    char* unix_temp = to_unix(ui::Widen(temp).c_str());
    if (!unix_temp) Fail("no Linux path for the temporary folder");
    std::string unix_path = unix_temp;
    HeapFree(GetProcessHeap(), 0, unix_temp);
    if (!unix_path.ends_with('/')) unix_path += '/';
    file.unix_path = unix_path + name;
    return file;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::nullopt;
    std::string text;
    char buffer[256];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    std::fclose(file);
    return text;
}

// Compares what is on the screen inside `area` with each standard icon drawn
// on the same background, and names the closest, if it is close.
BoxIcon ClassifyIcon(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return BoxIcon::Unknown;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);

    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const std::vector<DWORD> shown(static_cast<const DWORD*>(bits),
                                   static_cast<const DWORD*>(bits) + pixels);
    const DWORD background = shown[0];

    struct Candidate {
        BoxIcon icon;
        LPCSTR id;
    };
    const Candidate candidates[] = {{BoxIcon::Error, IDI_HAND},
                                    {BoxIcon::Question, IDI_QUESTION},
                                    {BoxIcon::Warning, IDI_EXCLAMATION},
                                    {BoxIcon::Information, IDI_ASTERISK}};
    BoxIcon best = BoxIcon::Unknown;
    double best_distance = 1e9;
    for (const Candidate& candidate : candidates) {
        std::fill_n(static_cast<DWORD*>(bits), pixels, background);
        DrawIconEx(memory, 0, 0, LoadIconA(nullptr, candidate.id), width, height, 0, nullptr,
                   DI_NORMAL);
        GdiFlush();
        const auto* drawn = static_cast<const BYTE*>(bits);
        const auto* seen = reinterpret_cast<const BYTE*>(shown.data());
        double sum = 0;
        for (std::size_t i = 0; i < pixels * 4; ++i) {
            if (i % 4 == 3) continue;  // the unused byte
            sum += std::abs(int(drawn[i]) - int(seen[i]));
        }
        const double distance = sum / double(pixels * 3);
        if (distance < best_distance) {
            best_distance = distance;
            best = candidate.icon;
        }
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    // Mean difference per colour channel: an exact draw is near 0, another
    // icon or an unpainted area far above.
    return best_distance < 12 ? best : BoxIcon::Unknown;
}

struct FindTopLevel {
    DWORD process;
    std::string_view window_class;
    bool all = false;
    std::vector<HWND> found;
};

BOOL CALLBACK FindTopLevelProc(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<FindTopLevel*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->process || !IsWindowVisible(window)) return TRUE;
    if (ClassOf(window) != search->window_class) return TRUE;
    search->found.push_back(window);
    return search->all;
}

// The folder this program was started from, with a trailing backslash.
std::string OwnFolder() {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    path.erase(path.find_last_of("\\/") + 1);
    return path;
}

}  // namespace

// ---------------------------------------------------------------- registry

RegData Sz(std::string_view text) {
    std::string bytes(text);
    bytes.push_back('\0');
    return {REG_SZ, bytes};
}

RegData RawString(DWORD type, std::string_view bytes) { return {type, std::string(bytes)}; }

RegData Dword(DWORD number) {
    return {REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof number)};
}

RegData Qword(unsigned long long number) {
    return {REG_QWORD, std::string(reinterpret_cast<const char*>(&number), sizeof number)};
}

RegData Binary(std::string_view bytes) { return {REG_BINARY, std::string(bytes)}; }

std::string Describe(const RegData& data) {
    std::string out = TypeName(data.type) + "(" + std::to_string(data.bytes.size()) + ") ";
    if (data.type == REG_DWORD && data.bytes.size() == 4) {
        DWORD number = 0;
        std::copy_n(data.bytes.data(), 4, reinterpret_cast<char*>(&number));
        return out + std::to_string(number);
    }
    if (data.type == REG_SZ || data.type == REG_EXPAND_SZ || data.type == REG_MULTI_SZ) {
        out += '"';
        for (const char c : data.bytes) {
            const auto byte = static_cast<unsigned char>(c);
            if (c == '\0') out += "\\0";
            else if (c == '"' || c == '\\') (out += '\\') += c;
            else if (byte < 0x20 || byte >= 0x7F) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", byte);
                out += hex;
            } else out += c;
        }
        return out + '"';
    }
    for (const char c : data.bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X ", static_cast<unsigned char>(c));
        out += hex;
    }
    return out;
}

void ClearSettings() {
    for (const Tree& tree : kTrees) {
        const LONG status = RegDeleteTreeA(PredefinedKey(tree.root), std::string(tree.top).c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            Fail("cannot delete " + KeyEntry(tree.root, tree.top));
    }
}

void PutKey(RegRoot root, std::string_view path) { CreateKey(root, path); }

void PutValue(RegRoot root, std::string_view path, std::string_view name, const RegData& data) {
    if (StoreValue(CreateKey(root, path).get(), name, data) != ERROR_SUCCESS)
        Fail("cannot store " + ValueEntry(KeyEntry(root, path), name));
}

bool KeyExists(RegRoot root, std::string_view path) {
    return static_cast<bool>(OpenKey(PredefinedKey(root), std::string(path), KEY_READ));
}

Snapshot Snapshot::Take() {
    Snapshot snapshot;
    for (const Tree& tree : kTrees) {
        const RegKey key = OpenKey(PredefinedKey(tree.root), std::string(tree.top), KEY_READ);
        if (key) Walk(key.get(), KeyEntry(tree.root, tree.top), snapshot.entries_);
    }
    return snapshot;
}

std::string Snapshot::Text() const {
    if (entries_.empty()) return "(nothing)\n";
    std::string text;
    for (const auto& [entry, data] : entries_) {
        text += entry;
        if (!data.empty()) text += " = " + data;
        text += '\n';
    }
    return text;
}

Snapshot Snapshot::WithKey(RegRoot root, std::string_view path) const {
    const Tree& tree = TreeOf(root, path);
    Snapshot result = *this;
    // The key and every missing key between it and the top of its tree.
    for (std::size_t end = tree.top.size();; end = path.find('\\', end + 1)) {
        result.entries_.try_emplace(KeyEntry(root, path.substr(0, end)), "");
        if (end == std::string_view::npos || end >= path.size()) break;
    }
    return result;
}

Snapshot Snapshot::WithValue(RegRoot root, std::string_view path, std::string_view name,
                             const RegData& data) const {
    Snapshot result = WithKey(root, path);
    result.entries_[ValueEntry(KeyEntry(root, path), name)] = Describe(data);
    return result;
}

Snapshot Snapshot::WithoutKey(RegRoot root, std::string_view path) const {
    TreeOf(root, path);
    const std::string key = KeyEntry(root, path);
    Snapshot result = *this;
    std::erase_if(result.entries_, [&](const auto& entry) {
        const std::string& name = entry.first;
        if (!name.starts_with(key)) return false;
        const std::string_view rest = std::string_view(name).substr(key.size());
        return rest.empty() || rest.starts_with(" | ") || rest.starts_with("\\");
    });
    return result;
}

ReadOnlyKey::ReadOnlyKey(RegRoot root, std::string_view path)
    : key_(OpenKey(PredefinedKey(root), std::string(path), READ_CONTROL | WRITE_DAC)) {
    if (!key_) Fail("cannot open " + KeyEntry(root, path) + " to lock it");
    DWORD size = 0;
    RegGetKeySecurity(key_.get(), DACL_SECURITY_INFORMATION, nullptr, &size);
    saved_.resize(size);
    if (size == 0 || RegGetKeySecurity(key_.get(), DACL_SECURITY_INFORMATION, saved_.data(),
                                       &size) != ERROR_SUCCESS)
        saved_.clear();

    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    std::vector<BYTE> acl_bytes(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(everyone));
    auto* acl = reinterpret_cast<PACL>(acl_bytes.data());
    InitializeAcl(acl, static_cast<DWORD>(acl_bytes.size()), ACL_REVISION);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    const LONG status = RegSetKeySecurity(key_.get(), DACL_SECURITY_INFORMATION, &descriptor);
    FreeSid(everyone);
    if (status != ERROR_SUCCESS) Fail("cannot lock " + KeyEntry(root, path));
}

ReadOnlyKey::~ReadOnlyKey() {
    bool restored = !saved_.empty() && RegSetKeySecurity(key_.get(), DACL_SECURITY_INFORMATION,
                                                         saved_.data()) == ERROR_SUCCESS;
    if (!restored) {
        // No DACL at all: everyone may do everything, as a fresh Wine key.
        SECURITY_DESCRIPTOR open;
        InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
        RegSetKeySecurity(key_.get(), DACL_SECURITY_INFORMATION, &open);
    }
}

// ---------------------------------------------------------------- waiting

bool WaitUntil(const std::function<bool()>& condition, int timeout_ms) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(10);
    }
}

// ---------------------------------------------------------------- windows

std::string ClassOf(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
        return "(no answer)";
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    text.resize(std::min<std::size_t>(copied, length));
    return text;
}

LONG StyleOf(HWND window) { return GetWindowLongA(window, GWL_STYLE); }

HWND FindShownWindow(DWORD process, std::string_view window_class) {
    FindTopLevel search{process, window_class, false, {}};
    EnumWindows(FindTopLevelProc, reinterpret_cast<LPARAM>(&search));
    return search.found.empty() ? nullptr : search.found.front();
}

std::vector<HWND> ShownWindows(DWORD process, std::string_view window_class) {
    FindTopLevel search{process, window_class, true, {}};
    EnumWindows(FindTopLevelProc, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

RECT ScreenRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT RectInParent(HWND window) {
    RECT rect = ScreenRect(window);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SIZE ClientSize(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

bool IsChecked(HWND button) {
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutA(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state))
        return false;
    return state == BST_CHECKED;
}

POINT Centre(const RECT& rect) {
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

POINT OpenSpot(HWND window) {
    const RECT outer = ScreenRect(window);
    std::vector<RECT> covered;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child)) covered.push_back(ScreenRect(child));
    const POINT centre = Centre(outer);
    POINT best = centre;
    long best_distance = -1;
    // Three pixels in from the edges, clear of a border.
    for (LONG y = outer.top + 3; y < outer.bottom - 3; y += 2) {
        for (LONG x = outer.left + 3; x < outer.right - 3; x += 2) {
            const POINT at{x, y};
            if (std::any_of(covered.begin(), covered.end(),
                            [&](const RECT& r) { return PtInRect(&r, at); }))
                continue;
            const long distance = (x - centre.x) * (x - centre.x) + (y - centre.y) * (y - centre.y);
            if (best_distance >= 0 && distance >= best_distance) continue;
            best = at;
            best_distance = distance;
        }
    }
    return best;
}

std::optional<POINT> SpotOn(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    const POINT centre = Centre(client);
    // Every point of the client area two pixels in from its edges, nearest
    // the centre first.
    std::vector<POINT> points;
    for (LONG y = client.top + 2; y < client.bottom - 2; ++y)
        for (LONG x = client.left + 2; x < client.right - 2; ++x) points.push_back({x, y});
    const auto distance = [&](const POINT& p) {
        return (p.x - centre.x) * (p.x - centre.x) + (p.y - centre.y) * (p.y - centre.y);
    };
    std::stable_sort(points.begin(), points.end(),
                     [&](const POINT& a, const POINT& b) { return distance(a) < distance(b); });
    const auto on = [&](LONG x, LONG y) { return WindowFromPoint(POINT{x, y}) == window; };
    for (const POINT& p : points)
        if (on(p.x, p.y) && on(p.x - 2, p.y) && on(p.x + 2, p.y) && on(p.x, p.y - 2) &&
            on(p.x, p.y + 2))
            return p;
    return std::nullopt;
}

std::optional<POINT> TitleBarSpot(HWND window, LRESULT hit) {
    const RECT outer = ScreenRect(window);
    POINT client_top{0, 0};
    ClientToScreen(window, &client_top);
    RECT found{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (LONG y = outer.top; y < client_top.y; ++y) {
        for (LONG x = outer.left; x < outer.right; ++x) {
            DWORD_PTR answer = HTNOWHERE;
            if (!SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG,
                                     2000, &answer))
                return std::nullopt;
            if (static_cast<LRESULT>(answer) != hit) continue;
            found.left = std::min(found.left, x);
            found.top = std::min(found.top, y);
            found.right = std::max(found.right, x + 1);
            found.bottom = std::max(found.bottom, y + 1);
        }
    }
    if (found.left > found.right) return std::nullopt;
    return Centre(found);
}

bool RoundTrip(HWND window) {
    // A sent message is handled when the thread next looks for messages,
    // before the input waiting in its queue: the second one is handled only
    // after that input.
    for (int i = 0; i < 2; ++i) {
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored))
            return false;
    }
    return true;
}

// ---------------------------------------------------------------- input

namespace {

struct UnixRun {
    int status = -1;
    std::string output;
    std::string errors;
};

// Runs a Linux program with these arguments and waits until it has finished.
UnixRun RunUnix(const std::vector<std::string>& argv) {
    // Wine starts a Linux program but cannot wait for it, so a shell leaves
    // the program's output, its errors and then its exit status in files.
    const SharedFile marker = MarkerFile();
    const auto quoted = [](const std::string& word) {
        // Single quotes for the shell; the whole script then goes inside
        // double quotes on a Windows command line, where " would end it.
        if (word.find('"') != std::string::npos) Fail("no \" allowed in " + word);
        std::string out = "'";
        for (const char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return out + "'";
    };
    std::string script;
    for (const std::string& word : argv) script += quoted(word) + " ";
    script += ">" + quoted(marker.unix_path + ".out") + " 2>" + quoted(marker.unix_path + ".err") +
              "; echo $? >" + quoted(marker.unix_path + ".part") + "; mv " +
              quoted(marker.unix_path + ".part") + " " + quoted(marker.unix_path);
    std::string command = "/bin/sh -c \"" + script + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        Fail("cannot run " + script);
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);

    std::optional<std::string> status;
    WaitUntil([&] { return (status = ReadWholeFile(marker.windows_path)).has_value(); }, 10000);
    UnixRun run;
    const auto take = [&](const std::string& path) {
        std::string text = ReadWholeFile(path).value_or("");
        DeleteFileA(path.c_str());
        return text;
    };
    run.output = take(marker.windows_path + ".out");
    run.errors = take(marker.windows_path + ".err");
    DeleteFileA(marker.windows_path.c_str());
    if (!status) Fail(argv.front() + " did not finish");
    run.status = std::atoi(status->c_str());
    return run;
}

// xdotool's words for one step: a command and its arguments.
using XdoStep = std::vector<std::string>;

XdoStep PointerTo(POINT screen) {
    return {"mousemove", std::to_string(screen.x), std::to_string(screen.y)};
}
const XdoStep kLeftClick = {"click", "1"};
const XdoStep kLeftDoubleClick = {"click", "--repeat", "2", "--delay", "80", "1"};
const XdoStep kLeftDown = {"mousedown", "1"};
const XdoStep kLeftUp = {"mouseup", "1"};

// Every xdotool command line is made here. The steps run in one xdotool
// process, one right after the other.
UnixRun RunXdo(std::initializer_list<XdoStep> steps) {
    std::vector<std::string> argv = {"/usr/bin/xdotool"};
    for (const XdoStep& step : steps) argv.insert(argv.end(), step.begin(), step.end());
    return RunUnix(argv);
}

void Xdo(std::initializer_list<XdoStep> steps) {
    const UnixRun run = RunXdo(steps);
    if (run.status == 0) return;
    std::string words;
    for (const XdoStep& step : steps)
        for (const std::string& word : step) words += " " + word;
    Fail("xdotool" + words + " failed: " + run.errors);
}

}  // namespace

bool WaitForKeyboard(HWND window, int timeout_ms) {
    // Wine notes the X window it made for a top-level window in this property.
    const auto x_window = reinterpret_cast<UINT_PTR>(GetPropA(window, "__wine_x11_whole_window"));
    if (!x_window) return false;
    return WaitUntil(
        [&] {
            // Fails while the keyboard follows the pointer, before any window took it.
            const UnixRun focus = RunXdo({{"getwindowfocus"}});
            return focus.status == 0 &&
                   std::strtoull(focus.output.c_str(), nullptr, 10) == x_window;
        },
        timeout_ms);
}

std::optional<POINT> PointerHotSpot() {
    const UnixRun run =
        RunUnix({"/usr/bin/python3", BREVLIN_E2E_SOURCE_DIR "/pointer_hot_spot.py"});
    POINT spot{};
    if (run.status != 0 || std::sscanf(run.output.c_str(), "%ld %ld", &spot.x, &spot.y) != 2)
        return std::nullopt;
    return spot;
}

void MovePointer(POINT screen) { Xdo({PointerTo(screen)}); }

void Click(HWND window) { ClickAt(Centre(ScreenRect(window))); }

void ClickAt(POINT screen) { Xdo({PointerTo(screen), kLeftClick}); }

void DoubleClickAt(POINT screen) { Xdo({PointerTo(screen), kLeftDoubleClick}); }

void Drag(POINT from, POINT to, const std::function<void()>& meanwhile) {
    if (!meanwhile) return Xdo({PointerTo(from), kLeftDown, PointerTo(to), kLeftUp});
    Xdo({PointerTo(from), kLeftDown});
    meanwhile();
    Xdo({PointerTo(to), kLeftUp});
}

void Press(std::string_view keys) { Xdo({{"key", std::string(keys)}}); }

// ---------------------------------------------------------------- message boxes

const char* NameOf(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::None: return "no icon";
        case BoxIcon::Error: return "error";
        case BoxIcon::Question: return "question";
        case BoxIcon::Warning: return "warning";
        case BoxIcon::Information: return "information";
        case BoxIcon::Unknown: break;
    }
    return "an unknown icon";
}

HWND FindMessageBox(DWORD process) { return FindShownWindow(process, "#32770"); }

std::vector<HWND> FindMessageBoxes(DWORD process) { return ShownWindows(process, "#32770"); }

MessageBoxView ReadMessageBox(HWND box) {
    MessageBoxView view;
    view.box = box;
    view.title = TextOf(box);
    if (HWND text = GetDlgItem(box, 0xFFFF)) view.text = TextOf(text);

    struct Children {
        std::vector<int> buttons;
        HWND icon = nullptr;
    } children;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM param) -> BOOL {
            auto* found = reinterpret_cast<Children*>(param);
            if (!IsWindowVisible(child)) return TRUE;
            const std::string kind = ClassOf(child);
            if (kind == "Button") found->buttons.push_back(GetDlgCtrlID(child));
            if (kind == "Static" && (StyleOf(child) & SS_TYPEMASK) == SS_ICON) found->icon = child;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    std::stable_partition(children.buttons.begin(), children.buttons.end(),
                          [](int id) { return id == IDOK; });
    view.buttons = children.buttons;
    view.icon = children.icon ? ClassifyIcon(ScreenRect(children.icon)) : BoxIcon::None;
    return view;
}

std::optional<MessageBoxView> WaitForMessageBox(DWORD process, int timeout_ms) {
    HWND box = nullptr;
    if (!WaitUntil([&] { return (box = FindMessageBox(process)) != nullptr; }, timeout_ms))
        return std::nullopt;
    // The box is found as soon as it is shown; give it the moment it needs
    // to paint its icon.
    MessageBoxView view = ReadMessageBox(box);
    WaitUntil(
        [&] {
            view = ReadMessageBox(box);
            return view.icon != BoxIcon::Unknown;
        },
        2000);
    return view;
}

void PressButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    if (!button) Fail("the message box has no button " + std::to_string(id));
    Click(button);
}

// ---------------------------------------------------------------- the web browser

namespace {

constexpr const char* kSchemes[] = {"http", "https"};

std::optional<RegData> DefaultValue(RegRoot root, const std::string& path) {
    const RegKey key = OpenKey(PredefinedKey(root), path, KEY_READ);
    if (!key) return std::nullopt;
    return ReadValue(key.get(), nullptr);
}

}  // namespace

UrlRecorder::UrlRecorder() {
    const std::string recorder = OwnFolder() + "url_recorder.exe";
    if (GetFileAttributesA(recorder.c_str()) == INVALID_FILE_ATTRIBUTES) Fail("no " + recorder);
    char temp[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, temp)) Fail("GetTempPathA failed");
    log_ = std::string(temp) + "brevlin-urls-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount64()) + ".log";
    DeleteFileA(log_.c_str());
    const RegData command = Sz("\"" + recorder + "\" \"" + log_ + "\" \"%1\"");

    try {
        Register(command);
    } catch (...) {
        Restore();
        throw;
    }
}

void UrlRecorder::Register(const RegData& command) {
    for (RegRoot root : {RegRoot::CurrentUser, RegRoot::LocalMachine}) {
        for (const char* scheme : kSchemes) {
            Saved saved{root, "",
                        "Software\\Classes\\" + std::string(scheme) + "\\shell\\open\\command",
                        std::nullopt};
            // The keys from the scheme's down to the command's: the first
            // missing one and everything below it go again afterwards.
            std::string path = "Software\\Classes\\" + std::string(scheme);
            for (const char* part : {"", "\\shell", "\\open", "\\command"}) {
                path += part;
                if (!KeyExists(root, path)) {
                    saved.created = path;
                    break;
                }
            }
            if (saved.created.empty()) saved.command = DefaultValue(root, saved.command_key);
            saved_.push_back(saved);
            PutValue(root, saved.command_key, "", command);
        }
    }
}

UrlRecorder::~UrlRecorder() {
    Restore();
    DeleteFileA(log_.c_str());
}

void UrlRecorder::Restore() {
    // Runs in a destructor: what cannot be put back stays as it is, without
    // a throw.
    for (const Saved& saved : saved_) {
        const HKEY root = PredefinedKey(saved.root);
        if (!saved.created.empty()) {
            RegDeleteTreeA(root, saved.created.c_str());
            continue;
        }
        const RegKey key = OpenKey(root, saved.command_key, KEY_SET_VALUE);
        if (!key) continue;
        if (saved.command) StoreValue(key.get(), "", *saved.command);
        else RegDeleteValueA(key.get(), nullptr);
    }
    saved_.clear();
}

std::vector<std::string> UrlRecorder::Urls() const {
    std::vector<std::string> urls;
    const std::optional<std::string> text = ReadWholeFile(log_);
    if (!text) return urls;
    // Only whole lines: a start may be writing its line right now.
    std::size_t start = 0;
    for (std::size_t end; (end = text->find("\r\n", start)) != std::string::npos; start = end + 2)
        urls.push_back(text->substr(start, end - start));
    return urls;
}

std::vector<std::string> UrlRecorder::WaitForUrls(std::size_t count, int timeout_ms) const {
    std::vector<std::string> urls;
    WaitUntil([&] { return (urls = Urls()).size() >= count; }, timeout_ms);
    return urls;
}

// ---------------------------------------------------------------- the program

std::string ProgramPath() {
    if (const char* path = std::getenv("BREVLIN_EXE"); path && *path) return path;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    for (int up = 0; up < 2; ++up) path.erase(path.find_last_of("\\/"));
    return path + "\\brevlin.exe";
}

Program::Program(std::string path, std::string_view window_class,
                 std::optional<WORD> show_command) {
    std::string command = "\"" + path + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (show_command) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = *show_command;
    }
    if (!CreateProcessA(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info_))
        Fail("cannot start " + path + " (error " + std::to_string(GetLastError()) + ")");
    WaitUntil(
        [&] {
            window_ = FindShownWindow(info_.dwProcessId, window_class);
            return window_ != nullptr || !Running();
        },
        20000);
}

Program::~Program() {
    Kill();
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
}

bool Program::Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

std::string Program::Outcome() const {
    DWORD code = 0;
    if (Running() || !GetExitCodeProcess(info_.hProcess, &code)) return "it still runs";
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lX", code);
    return std::string("it ended with exit code ") + hex;
}

bool Program::WaitForExit(int timeout_ms) {
    return WaitForSingleObject(info_.hProcess, static_cast<DWORD>(timeout_ms)) == WAIT_OBJECT_0;
}

void Program::Kill() {
    if (!Running()) return;
    TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, 5000);
}

HWND Program::Find(std::string_view control) const {
    const ui::Control* entry = ui::FindControl(control);
    if (!entry || !window_) return nullptr;
    struct Search {
        int id;
        HWND found = nullptr;
    } search{ui::ControlId(*entry)};
    EnumChildWindows(
        window_,
        [](HWND child, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (GetDlgCtrlID(child) != s->id) return TRUE;
            s->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string Program::NameOf(HWND child) const {
    if (!child || !IsChild(window_, child)) return "";
    const int id = GetDlgCtrlID(child);
    for (const ui::Control& control : ui::Controls())
        if (ui::ControlId(control) == id) return std::string(control.name);
    return "";
}

bool Program::Settle() const {
    // Posted messages are handled in the order they were posted, whichever
    // window of the thread each is for: once a marker posted now has been
    // handled, so has everything posted before it. The marker is the
    // modified flag of the text box Text2, which the program never reads;
    // the text box is made by the work the program posts to itself, so it is
    // waited for first. The first marker is handled in the message loop,
    // which starts only after everything the program posts while starting;
    // the second, posted after that, comes after all of it.
    HWND marker = nullptr;
    if (!WaitUntil([&] { return (marker = Find("Text2")) != nullptr; }, 5000)) return false;
    const auto send = [&](UINT message, WPARAM wparam) {
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(marker, message, wparam, 0, SMTO_ABORTIFHUNG, 2000, &result)
                   ? std::optional<DWORD_PTR>(result)
                   : std::nullopt;
    };
    for (int round = 0; round < 2; ++round) {
        if (!send(EM_SETMODIFY, FALSE) || !PostMessageA(marker, EM_SETMODIFY, TRUE, 0))
            return false;
        if (!WaitUntil([&] { return send(EM_GETMODIFY, 0) == DWORD_PTR{TRUE}; }, 5000))
            return false;
    }
    return true;
}

namespace {

GUITHREADINFO ThreadInfoOf(HWND window) {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread)) thread = {};
    return thread;
}

}  // namespace

HWND Program::Focus() const { return ThreadInfoOf(window_).hwndFocus; }

HWND Program::Capture() const { return ThreadInfoOf(window_).hwndCapture; }

std::string Program::FocusName() const {
    HWND focus = Focus();
    if (!focus) return "(nothing)";
    if (focus == window_) return "(the main window)";
    const std::string name = NameOf(focus);
    if (!name.empty()) return name;
    return "(a window of class " + ClassOf(focus) + ")";
}

}  // namespace brevlin::e2e
