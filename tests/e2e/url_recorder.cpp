// A stand-in web browser for the end-to-end tests. Registered as the open
// command of the http and https protocols, as
//
//   "C:\...\url_recorder.exe" "C:\...\LOG" "%1"
//
// it appends one line to LOG for every start: the arguments that follow the
// log's path, as the program received them, joined by tabs. A URL that came
// through intact is a line of its own; one the command line split or cut
// shows up as several fields or as a different text. It shows no window.
#include <windows.h>
#include <shellapi.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count < 2) return 2;

    std::wstring line;
    for (int i = 2; i < count; ++i) {
        if (i > 2) line += L'\t';
        line += arguments[i];
    }
    line += L"\r\n";

    std::string bytes(static_cast<std::size_t>(line.size()) * 4, '\0');
    const int length = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                           bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                           nullptr);
    bytes.resize(static_cast<std::size_t>(length > 0 ? length : 0));

    // Opened for appending only, so that starts close together each add
    // their whole line, one after the other.
    HANDLE log = CreateFileW(arguments[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    LocalFree(arguments);
    if (log == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    const BOOL ok =
        WriteFile(log, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(log);
    return ok && written == bytes.size() ? 0 : 1;
}
