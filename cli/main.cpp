// brevlinc.exe: the command line in, the outcome's bytes out; the files it
// reads and writes, and Windows' words for what went wrong.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/replace_file.h"
#include "registry/advapi32.h"
#include "registry/owner.h"
#include "tweaks/decimal.h"

namespace {

using brevlin::cli::FileRead;
using brevlin::cli::Outcome;
namespace exit_code = brevlin::cli::exit_code;

struct CloseHandleOf {
    void operator()(HANDLE handle) const {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using FileHandle = brevlin::Owner<HANDLE, CloseHandleOf>;

struct LocalFreeOf {
    void operator()(wchar_t* memory) const { LocalFree(memory); }
};

// Consoles refuse single writes much above 64 KB on older Windows.
constexpr DWORD kChunk = 16 * 1024;

DWORD Chunk(std::size_t left) { return left < kChunk ? static_cast<DWORD>(left) : kChunk; }

// All of `text`, a chunk a call, through `write` (WriteFile or
// WriteConsoleW), which says how much of it it took.
template <typename Text, typename Write>
bool WriteInChunks(const Text& text, Write write) {
    std::size_t done = 0;
    while (done < text.size()) {
        DWORD written = 0;
        if (!write(text.data() + done, Chunk(text.size() - done), &written) || !written)
            return false;
        done += written;
    }
    return true;
}

bool WriteAll(HANDLE to, const std::string& bytes) {
    return WriteInChunks(bytes, [to](const char* data, DWORD size, DWORD* written) {
        return WriteFile(to, data, size, written, nullptr);
    });
}

bool WriteConsoleAll(HANDLE to, const std::wstring& text) {
    return WriteInChunks(text, [to](const wchar_t* data, DWORD size, DWORD* written) {
        return WriteConsoleW(to, data, size, written, nullptr);
    });
}

// UTF-16 to UTF-8. With `strict`, text that is not valid UTF-16 has none
// (the command line must be: a file name stays whole); otherwise such
// characters become U+FFFD, as in a message.
bool Utf8(const wchar_t* text, int length, std::string& utf8, bool strict = false) {
    const DWORD flags = strict ? WC_ERR_INVALID_CHARS : 0;
    const int size =
        WideCharToMultiByte(CP_UTF8, flags, text, length, nullptr, 0, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(size > 0 ? size : 0));
    return size > 0 && WideCharToMultiByte(CP_UTF8, flags, text, length, utf8.data(), size, nullptr,
                                           nullptr) == size;
}

std::string Utf8(const std::wstring& text) {
    std::string utf8;
    Utf8(text.data(), static_cast<int>(text.size()), utf8);
    return utf8;
}

std::wstring Utf16(const std::string& text) {
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), size);
    return wide;
}

std::wstring Number(unsigned long number) {
    const std::string digits = brevlin::Decimal(number);
    return {digits.begin(), digits.end()};
}

// A failed call may leave no error code; it is still no success.
DWORD LastError() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
}

// Windows' own words for an error code, without the line end it adds.
std::string Words(DWORD code) {
    wchar_t* words = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&words), 0, nullptr);
    const brevlin::Owner<wchar_t*, LocalFreeOf> owner(words);
    std::wstring text = length ? std::wstring(words, length) : std::wstring();
    while (text.ends_with(L'\n') || text.ends_with(L'\r')) text.pop_back();
    return text.empty() ? "error " + brevlin::Decimal(code) : Utf8(text);
}

// Text from a Windows call that, given too small a buffer, says how large
// one it needs (counting the NUL), and given one large enough, the length
// of the text (not counting it). Empty when the call fails.
template <typename Fill>
std::wstring Grown(Fill fill) {
    std::wstring text;
    DWORD length = fill(nullptr, 0);
    while (length > text.size()) {
        text.resize(length);
        length = fill(text.data(), length);
    }
    text.resize(length);
    return text;
}

// The name resolved against the current folder, as a person writes a full
// path; the name itself where Windows cannot resolve it.
std::wstring FullPath(const std::wstring& name) {
    const std::wstring full = Grown([&](wchar_t* buffer, DWORD size) {
        return GetFullPathNameW(name.c_str(), size, buffer, nullptr);
    });
    return full.empty() ? name : full;
}

// Windows resolves NUL, CON, COM1 and the like (under Wine and older
// Windows also nul.reg and C:\any\nul) to \\.\NUL: a device, no folder.
bool IsDevice(const std::wstring& full) {
    return full.starts_with(L"\\\\.\\") && full.find(L'\\', 4) == std::wstring::npos;
}

// The form of a full path that Windows takes past MAX_PATH, for every call;
// one in the \\?\ or \\.\ form already stays as it is.
std::wstring LongForm(const std::wstring& full) {
    if (full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\")) return full;
    if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// A path in the long form as a person writes it, for messages.
std::wstring ShortForm(const std::wstring& path) {
    if (path.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + path.substr(8);
    if (path.starts_with(L"\\\\?\\")) return path.substr(4);
    return path;
}

class WindowsSystem final : public brevlin::cli::System {
public:
    FileRead Read(const std::string& name, std::size_t most) override {
        const std::wstring full = FullPath(Utf16(name));
        FileRead file{.path = Utf8(full)};
        const FileHandle handle(CreateFileW(LongForm(full).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                            nullptr));
        LARGE_INTEGER size{};
        DWORD got = 0;
        DWORD error = handle.get() != INVALID_HANDLE_VALUE && GetFileSizeEx(handle.get(), &size)
                          ? ERROR_SUCCESS
                          : LastError();
        // No read of more than `most` bytes, far below 4 GB: one read.
        if (!error && static_cast<unsigned long long>(size.QuadPart) > most) {
            file.too_large = true;
            return file;
        }
        file.bytes.resize(error ? 0 : static_cast<std::size_t>(size.QuadPart));
        if (!error && !ReadFile(handle.get(), file.bytes.data(),
                                static_cast<DWORD>(file.bytes.size()), &got, nullptr))
            error = LastError();
        file.bytes.resize(got);  // what is there, should it have shrunk
        file.read = !error;
        if (error) file.words = Words(error);
        return file;
    }
    std::string Words(long code) override { return ::Words(static_cast<DWORD>(code)); }
};

// ---------------------------------------------------------------- writing

// Whether `path`, in the \\?\C:\ form, names the open file itself and not
// a symbolic link to it. Windows marks a link as a reparse point; Wine shows
// a Linux link as the plain file it points to, named by the target's name.
bool NamesItself(HANDLE file, const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    if (path.size() < 7 || path[5] != L':') return false;
    const std::wstring_view on_volume = std::wstring_view(path).substr(6);  // \folder\name
    std::vector<char> buffer(sizeof(FILE_NAME_INFO) + path.size() * sizeof(wchar_t));
    auto* name = reinterpret_cast<FILE_NAME_INFO*>(buffer.data());
    return GetFileInformationByHandleEx(file, FileNameInfo, name,
                                        static_cast<DWORD>(buffer.size())) &&
           CompareStringOrdinal(name->FileName, static_cast<int>(name->FileNameLength / 2),
                                on_volume.data(), static_cast<int>(on_volume.size()),
                                TRUE) == CSTR_EQUAL;
}

// What is at a path before it is written: nothing, or a file or folder,
// its attributes and where it really is.
struct Existing {
    DWORD error = ERROR_SUCCESS;  // why Windows could not look
    bool there = false;
    DWORD attributes = 0;
    std::wstring real_path = {};  // a symbolic link's target, or the path itself
};

Existing Look(const std::wstring& path) {
    Existing found;
    // Backup semantics open a folder too, to call it one.
    const FileHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (file.get() == INVALID_HANDLE_VALUE ||
        !GetFileInformationByHandle(file.get(), &information)) {
        const DWORD error = LastError();
        if (error != ERROR_FILE_NOT_FOUND) found.error = error;
        return found;
    }
    found.there = true;
    found.attributes = information.dwFileAttributes;
    // Wine's GetFinalPathNameByHandleW fails past MAX_PATH: asked only for a link.
    found.real_path =
        NamesItself(file.get(), path) ? path : Grown([&](wchar_t* buffer, DWORD size) {
            return GetFinalPathNameByHandleW(file.get(), buffer, size, FILE_NAME_NORMALIZED);
        });
    if (found.real_path.empty()) found.error = LastError();
    return found;
}

// A file device (NUL, COM1) takes the bytes as they are, as it does from
// Windows' own tools; a disk or volume opened as a device is no file.
std::string WriteDevice(const std::wstring& device, const std::string& bytes) {
    const FileHandle file(CreateFileW(device.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return Words(LastError());
    if (GetFileType(file.get()) == FILE_TYPE_DISK) return "it is a disk or volume, not a file";
    if (!WriteAll(file.get(), bytes)) return Words(LastError());
    return {};
}

// The attributes a replaced file keeps, given to the new one when it is
// made: Wine's ReplaceFileW leaves them to the new file, and its CreateFileW
// sets none on a file that is there.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// A temporary file beside another, on its volume, named for this process
// and made with CREATE_NEW, so that it is nobody else's; and a free backup
// name of the same stem.
struct Beside {
    DWORD error = ERROR_SUCCESS;
    FileHandle file;
    std::wstring temporary = {};
    std::wstring backup = {};
};

Beside MakeBeside(const std::wstring& path, DWORD attributes) {
    const std::wstring stem = path.substr(0, path.find_last_of(L'\\') + 1) + L"~brevlinc-" +
                              Number(GetCurrentProcessId()) + L"-";
    Beside beside;
    for (unsigned long attempt = 0; attempt < 100; ++attempt) {
        beside.temporary = stem + Number(attempt) + L".tmp";
        beside.backup = stem + Number(attempt) + L".bak";
        // Names left behind by an earlier run of the same process id are
        // someone's bytes: taken, never reused.
        if (GetFileAttributesW(beside.backup.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        const HANDLE file = CreateFileW(beside.temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_NEW, attributes | FILE_FLAG_WRITE_THROUGH, nullptr);
        beside.error = file == INVALID_HANDLE_VALUE ? LastError() : ERROR_SUCCESS;
        if (beside.error != ERROR_FILE_EXISTS) {
            beside.file.Reset(file);
            return beside;
        }
    }
    beside.error = ERROR_FILE_EXISTS;
    return beside;
}

class WindowsSteps final : public brevlin::cli::FileSteps {
public:
    unsigned long Replace(const std::wstring& file, const std::wstring& replacement,
                          const std::wstring& backup) override {
        if (ReplaceFileW(file.c_str(), replacement.c_str(), backup.c_str(), 0, nullptr, nullptr))
            return ERROR_SUCCESS;
        return LastError();
    }
    bool Move(const std::wstring& from, const std::wstring& to) override {
        return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH);
    }
    bool There(const std::wstring& name) override {
        return GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    void Remove(const std::wstring& name) override { DeleteFileW(name.c_str()); }
};

// ReplaceFileW, and what finishes or undoes it should it stop half way.
// Returns why the file did not get the new bytes, and where they are when
// they are under the temporary name alone; or nothing.
std::string ReplaceWith(WindowsSteps& disk, const std::wstring& path, const Beside& beside) {
    const brevlin::cli::Replacement replaced =
        brevlin::cli::ReplaceKeepingBoth(disk, path, beside.temporary, beside.backup);
    if (!replaced.error) return {};
    std::string why = Words(replaced.error);
    if (!replaced.stranded) return why;
    why += "; its new bytes are in " + Utf8(ShortForm(beside.temporary));
    if (disk.There(beside.backup))
        why += " and the file they replace in " + Utf8(ShortForm(beside.backup));
    return why;
}

// The bytes into a temporary file beside the file, which then takes its
// name, or its place. Returns why not, or nothing.
std::string WriteBeside(const std::wstring& path, const std::string& bytes, bool there,
                        DWORD attributes) {
    Beside beside = MakeBeside(path, attributes & kKeptAttributes);
    if (beside.error) return Words(beside.error);
    const bool written = WriteAll(beside.file.get(), bytes);
    const DWORD write_error = written ? ERROR_SUCCESS : LastError();
    beside.file.Reset();  // closed, to be moved
    WindowsSteps disk;
    if (written && there) return ReplaceWith(disk, path, beside);
    if (written && disk.Move(beside.temporary, path)) return {};
    const DWORD error = written ? LastError() : write_error;
    disk.Remove(beside.temporary);
    return Words(error);
}

// Writes the file whole or not at all. A symbolic link keeps pointing where
// it did, and its target gets the bytes. Returns why not, or nothing.
std::string WriteFileAs(const std::wstring& full, const std::string& bytes, bool replace) {
    if (IsDevice(full)) return WriteDevice(full, bytes);
    const std::wstring path = LongForm(full);
    const Existing existing = Look(path);
    if (existing.error && existing.there)
        return "Windows cannot say where the file really is: " + Words(existing.error);
    if (existing.error) return Words(existing.error);
    if (existing.attributes & FILE_ATTRIBUTE_DIRECTORY) return "it is a folder";
    if (existing.attributes & FILE_ATTRIBUTE_READONLY) return "it is read-only";
    if (existing.there && !replace) return "it is there already; add /y to replace it";
    if (existing.there) return WriteBeside(existing.real_path, bytes, true, existing.attributes);
    return WriteBeside(path, bytes, false, 0);
}

// ---------------------------------------------------------------- output

// A console shows UTF-16 as it is; anything else gets the bytes.
bool Show(HANDLE to, const std::string& text, bool utf16) {
    DWORD mode = 0;
    if (text.empty() || !GetConsoleMode(to, &mode)) return WriteAll(to, text);
    std::wstring wide;
    if (utf16) {
        wide.resize(text.size() / sizeof(wchar_t));
        std::memcpy(wide.data(), text.data(), wide.size() * sizeof(wchar_t));
        // Export's file opens with its byte-order mark, which a console would show.
        if (wide.starts_with(L'\xFEFF')) wide.erase(0, 1);
    } else {
        wide = Utf16(text);
    }
    return WriteConsoleAll(to, wide);
}

int Finish(Outcome outcome) {
    if (!outcome.out_file.empty()) {
        const std::wstring full = FullPath(Utf16(outcome.out_file));
        const std::string why = WriteFileAs(full, outcome.out, outcome.replace);
        outcome.out.clear();
        if (!why.empty()) {
            outcome.exit_code = exit_code::kFailed;
            outcome.err += "brevlinc: cannot write " + Utf8(full) + ": " + why + "\r\n";
        }
    }
    if (!Show(GetStdHandle(STD_OUTPUT_HANDLE), outcome.out, outcome.out_is_utf16)) {
        // Output that went nowhere is no success, least of all an export.
        outcome.exit_code = exit_code::kFailed;
        outcome.err += "brevlinc: cannot write to standard output: " + Words(LastError()) + "\r\n";
    }
    Show(GetStdHandle(STD_ERROR_HANDLE), outcome.err, false);
    return outcome.exit_code;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args(static_cast<std::size_t>(argc > 1 ? argc - 1 : 0));
    for (std::size_t i = 0; i < args.size(); ++i)
        if (Utf8(argv[i + 1], -1, args[i], true)) args[i].pop_back();  // its NUL
        else return Finish(brevlin::cli::UsageError("an argument is not valid Unicode text"));
    brevlin::Advapi32Registry registry;
    WindowsSystem system;
    return Finish(brevlin::cli::Run(args, registry, system));
}

namespace brevlin {
// Out of memory, in practice: a line on standard error and exit code 1,
// before anything is written.
[[noreturn]] void CannotGoOn() {
    WriteAll(GetStdHandle(STD_ERROR_HANDLE), "brevlinc: out of memory\r\n");
    ExitProcess(exit_code::kFailed);
}
}  // namespace brevlin
