// brevlinc.exe: the command line in, the outcome's bytes out.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "registry/advapi32.h"
#include "registry/owner.h"
#include "tweaks/decimal.h"

namespace {

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

bool WriteAll(HANDLE to, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD part = bytes.size() < kChunk ? static_cast<DWORD>(bytes.size()) : kChunk;
        DWORD written = 0;
        if (!WriteFile(to, bytes.data(), part, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

// The command line is UTF-16; the commands take UTF-8, which keeps any file
// name whole. Text that is not valid UTF-16 has no UTF-8 form.
std::optional<std::string> Utf8(const wchar_t* text) {
    const int size =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::nullopt;
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, utf8.data(), size, nullptr,
                        nullptr);
    utf8.pop_back();  // the NUL
    return utf8;
}

std::wstring Utf16(const std::string& text) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), size);
    wide.pop_back();
    return wide;
}

// A failed write of no bytes may leave no error code; it is still no success.
DWORD LastErrorOr(DWORD fallback) {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : fallback;
}

// Writes the file whole or not at all: a temporary file beside it takes the
// bytes, and only a complete one replaces the old file. Returns 0 or the error.
DWORD ReplaceFileWith(const std::string& name, std::string_view bytes) {
    const std::wstring target = Utf16(name);
    if (target.empty()) return ERROR_INVALID_NAME;
    const DWORD full_size = GetFullPathNameW(target.c_str(), 0, nullptr, nullptr);
    if (full_size == 0) return GetLastError();
    std::wstring full(full_size, L'\0');
    full.resize(GetFullPathNameW(target.c_str(), full_size, full.data(), nullptr));
    const std::wstring folder = full.substr(0, full.find_last_of(L'\\') + 1);

    wchar_t temporary[MAX_PATH + 1];
    if (!GetTempFileNameW(folder.c_str(), L"brv", 0, temporary)) return GetLastError();
    DWORD error = ERROR_SUCCESS;
    {
        const FileHandle file(CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.get() == INVALID_HANDLE_VALUE || !WriteAll(file.get(), bytes) ||
            !FlushFileBuffers(file.get()))
            error = LastErrorOr(ERROR_WRITE_FAULT);
    }
    if (error == ERROR_SUCCESS &&
        !MoveFileExW(temporary, full.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = LastErrorOr(ERROR_WRITE_FAULT);
    if (error != ERROR_SUCCESS) DeleteFileW(temporary);
    return error;
}

std::string WhyNotWritten(DWORD error) {
    switch (error) {
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DIRECTORY: return "its folder does not exist";
        case ERROR_ACCESS_DENIED: return "Windows refused access (is it a folder, or read-only?)";
        default: return "Windows reported error " + brevlin::Decimal(error);
    }
}

int Finish(Outcome outcome) {
    if (outcome.out_file) {
        const DWORD error = ReplaceFileWith(*outcome.out_file, outcome.out);
        outcome.out.clear();
        if (error != ERROR_SUCCESS) {
            outcome.exit_code = exit_code::kFailed;
            outcome.err += "brevlinc: could not write the file: " + WhyNotWritten(error) +
                           "; no file was changed\r\n";
        }
    }
    if (!WriteAll(GetStdHandle(STD_OUTPUT_HANDLE), outcome.out)) {
        // Output that went nowhere is no success, least of all an export.
        outcome.exit_code = exit_code::kFailed;
        outcome.err += "brevlinc: could not write to standard output\r\n";
    }
    WriteAll(GetStdHandle(STD_ERROR_HANDLE), outcome.err);
    return outcome.exit_code;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::optional<std::string> arg = Utf8(argv[i]);
        if (!arg) return Finish(brevlin::cli::UsageError("an argument is not valid Unicode text"));
        args.push_back(std::move(*arg));
    }
    brevlin::Advapi32Registry registry;
    return Finish(brevlin::cli::Run(args, registry));
}

namespace brevlin {
// Out of memory, in practice: a line on standard error and exit code 1,
// before anything is written.
[[noreturn]] void CannotGoOn() {
    WriteAll(GetStdHandle(STD_ERROR_HANDLE), "brevlinc: out of memory\r\n");
    ExitProcess(exit_code::kFailed);
}
}  // namespace brevlin
