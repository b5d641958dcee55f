// brevlinc.exe: the command line in, the outcome's bytes out; the files it
// reads and writes, and Windows' words for what went wrong.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "cli/commands.h"
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

// Consoles refuse single writes much above 64 KB on older Windows.
constexpr DWORD kChunk = 16 * 1024;

DWORD Chunk(std::size_t left) { return left < kChunk ? static_cast<DWORD>(left) : kChunk; }

bool WriteAll(HANDLE to, const std::string& bytes) {
    for (DWORD written = 0, done = 0; done < bytes.size(); done += written)
        if (!WriteFile(to, bytes.data() + done, Chunk(bytes.size() - done), &written, nullptr) ||
            !written)
            return false;
    return true;
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

// A failed call may leave no error code; it is still no success.
DWORD LastError() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
}

// Windows' own words for an error code, without the line end it adds.
std::string Words(DWORD code) {
    wchar_t words[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, words, 512, nullptr);
    while (length > 0 && (words[length - 1] == L'\r' || words[length - 1] == L'\n')) --length;
    std::string text;
    Utf8(words, static_cast<int>(length), text);
    return length ? text : "error " + brevlin::Decimal(code);
}

std::wstring FullPath(const std::string& name) {
    const std::wstring wide = Utf16(name);
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    return length && length < size ? full.substr(0, length) : wide;
}

class WindowsSystem final : public brevlin::cli::System {
public:
    FileRead Read(const std::string& name, std::size_t most) override {
        const std::wstring full = FullPath(name);
        FileRead file{.path = Utf8(full)};
        const FileHandle handle(CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
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

// Writes the file whole or not at all, the way ReplaceFileW is meant to be
// used: a temporary file beside it takes the bytes, then replaces the file,
// which keeps its permissions and attributes, or takes its name. Returns
// why it did not, or nothing.
std::string WriteFileAs(const std::wstring& path, const std::string& bytes, bool replace) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    DWORD error = exists || GetLastError() == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : LastError();
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return "it is a folder";
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) return "it is read-only";
    if (exists && !replace) return "it is there already; add /y to replace it";

    // A name of our own beside it, for a file made anew with the attributes
    // of the one it replaces (Wine's ReplaceFileW leaves them to the new
    // one, and its CreateFileW sets none on a file that is there), written
    // through to the disk before it replaces anything.
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                       FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    wchar_t temporary[MAX_PATH + 1] = {};
    const bool made = !error && GetTempFileNameW(folder.c_str(), L"brv", 0, temporary) &&
                      DeleteFileW(temporary);
    if (!made) error = error ? error : LastError();
    if (made) {
        const FileHandle file(
            CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        (exists ? attributes & kept : 0) | FILE_FLAG_WRITE_THROUGH, nullptr));
        if (file.get() == INVALID_HANDLE_VALUE || !WriteAll(file.get(), bytes)) error = LastError();
    }
    if (!error && !(exists ? ReplaceFileW(path.c_str(), temporary, nullptr, 0, nullptr, nullptr)
                           : MoveFileExW(temporary, path.c_str(), MOVEFILE_WRITE_THROUGH)))
        error = LastError();
    if (!error) return {};
    if (made) DeleteFileW(temporary);
    return Words(error);
}

// A console shows UTF-16 as it is; anything else gets the bytes.
bool Show(HANDLE to, const std::string& text, bool utf16) {
    DWORD mode = 0;
    if (text.empty() || !GetConsoleMode(to, &mode)) return WriteAll(to, text);
    std::wstring wide(text.size() / 2, L'\0');
    if (utf16) std::memcpy(wide.data(), text.data(), wide.size() * 2);
    else wide = Utf16(text);
    // Export's file opens with its byte-order mark, which a console would show.
    for (DWORD written = 0, done = utf16; done < wide.size(); done += written)
        if (!WriteConsoleW(to, wide.data() + done, Chunk(wide.size() - done), &written, nullptr) ||
            !written)
            return false;
    return true;
}

int Finish(Outcome outcome) {
    if (!outcome.out_file.empty()) {
        const std::wstring path = FullPath(outcome.out_file);
        const std::string why = WriteFileAs(path, outcome.out, outcome.replace);
        outcome.out.clear();
        if (!why.empty()) {
            outcome.exit_code = exit_code::kFailed;
            ((((outcome.err += "brevlinc: cannot write ") += Utf8(path)) += ": ") += why) += "\r\n";
        }
    }
    if (!Show(GetStdHandle(STD_OUTPUT_HANDLE), outcome.out, outcome.out_is_utf16)) {
        // Output that went nowhere is no success, least of all an export.
        outcome.exit_code = exit_code::kFailed;
        ((outcome.err += "brevlinc: cannot write to standard output: ") += Words(LastError())) +=
            "\r\n";
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
