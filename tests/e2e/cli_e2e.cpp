// The real brevlinc.exe in a child process, its standard output and error
// on pipes, against the real registry; exports brought back by Wine's own
// regedit. Needs no display.
#include <doctest/doctest.h>

#include <thread>

#include "tests/e2e/driver.h"

using namespace brevlin;
using namespace brevlin::e2e;

namespace {

constexpr RegRoot HKCU = RegRoot::CurrentUser;
constexpr RegRoot HKLM = RegRoot::LocalMachine;
const std::string kOutlook = std::string(kOfficeTree) + "\\Outlook";
const std::string kSecurity = kOutlook + "\\Security";
const std::string kPreferences = kOutlook + "\\Preferences";
const std::string kIm = kOutlook + "\\IM";
const std::string kMail = kOutlook + "\\Options\\Mail";

struct Ran {
    DWORD exit_code = 0xDEADBEEF;
    std::string out;
    std::string err;
};

std::string Drain(HANDLE pipe) {
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(pipe);
    return text;
}

Ran Start(std::string command_line) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out_read, out_write, err_read, err_write;
    REQUIRE(CreatePipe(&out_read, &out_write, &inherit, 0));
    REQUIRE(CreatePipe(&err_read, &err_write, &inherit, 0));
    SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out_write;
    startup.hStdError = err_write;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    CloseHandle(out_write);
    CloseHandle(err_write);
    Ran ran;
    std::thread err_reader([&] { ran.err = Drain(err_read); });
    std::thread out_reader([&] { ran.out = Drain(out_read); });
    if (started && WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 0xDEAD);
        FAIL_CHECK("still running after 20 s: " << command_line);
    }
    out_reader.join();
    err_reader.join();
    REQUIRE_MESSAGE(started, "cannot start " << command_line);
    GetExitCodeProcess(process.hProcess, &ran.exit_code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ran;
}

// brevlinc.exe beside the build tree's top, where this program's folder is.
Ran Brevlinc(const std::string& arguments) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    path.erase(path.find_last_of('\\'));
    path.erase(path.find_last_of('\\') + 1);
    return Start("\"" + path + "brevlinc.exe\" " + arguments);
}

void Succeeds(const std::string& arguments) {
    const Ran ran = Brevlinc(arguments);
    CAPTURE(arguments);
    CHECK((ran.exit_code == 0 && ran.out.empty() && ran.err.empty()));
}

void ExportChangeEverythingImport(const std::string& file, const char* changes[7]) {
    Succeeds("export \"" + file + "\"");
    for (int i = 0; i < 7; ++i) Succeeds(std::string("set ") + changes[i]);
    const Ran imported = Start("regedit.exe /s \"" + file + "\"");
    CHECK(imported.exit_code == 0);
    DeleteFileA(file.c_str());
}

}  // namespace

TEST_CASE("brevlinc lists, gets and sets the real registry; a refused write says why") {
    ClearSettings();
    PutValue(HKCU, kSecurity, "Level1Remove", Sz("exe;zip"));
    PutValue(HKCU, kPreferences, "ShowBcc", Dword(2));
    PutValue(HKCU, kPreferences, "MinToTray", Sz("1"));
    PutValue(HKCU, kIm, "Enabled", Dword(1));
    PutKey(HKLM, kDesktopIconKey);
    const Snapshot before = Snapshot::Take();
    const Ran listed = Brevlinc("list");
    CHECK(listed.exit_code == 0);
    CHECK(listed.err.empty());
    CHECK(listed.out ==
          "attach     off  Attachment Security: Disabled\r\n"
          "bcc        off  Show BCC Field: Disabled\r\n"
          "systray    off  Minimize to system tray: No\r\n"
          "msn        on   MSN Integration: Enable\r\n"
          "plaintext  off  View PlainText only: Disable\r\n"
          "logging    off  Log activity: Disable\r\n"
          "deskicon   on   Icon on Desktop: Show\r\n");
    CHECK(Brevlinc("get bcc").out == "off\r\n");
    CHECK(Snapshot::Take() == before);  // reading wrote nothing

    Succeeds("set bcc on");
    CHECK(Snapshot::Take() == before.WithValue(HKCU, kPreferences, "ShowBcc", Dword(1)));
    CHECK(Brevlinc("get bcc").out == "on\r\n");

    const Snapshot on = Snapshot::Take();
    Ran refused;
    {
        ReadOnlyKey lock(HKCU, kPreferences);
        refused = Brevlinc("set bcc off");
    }
    CHECK(refused.exit_code == 1);
    CHECK(refused.out.empty());
    CHECK(refused.err ==
          "The setting \"Show BCC Field\" could not be changed to \"Disabled\".\r\n\r\n"
          "Windows refused access to the registry key where Outlook keeps this setting. Your "
          "account may not be allowed to change it.\r\n\r\nThe setting is as it was before.\r\n");
    CHECK(Snapshot::Take() == on);
}

TEST_CASE("an export brought back by regedit /s restores the seven settings byte for byte") {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    const std::string file =
        folder + ("brevlinc-" + std::to_string(GetCurrentProcessId()) + ".reg");

    SUBCASE("odd values, the desktop icon shown") {
        ClearSettings();
        PutValue(HKCU, kSecurity, "Level1Remove", Sz("exe;zip"));
        PutValue(HKCU, kPreferences, "ShowBcc", Dword(2));
        PutValue(HKCU, kPreferences, "MinToTray", Sz("1"));
        PutValue(HKCU, kIm, "Enabled", RawString(REG_SZ, "abc"));
        PutValue(HKCU, kMail, "ReadAsPlain", RawString(REG_SZ, ""));
        PutValue(HKCU, kMail, "EnableLogging",
                 RawString(REG_SZ, std::string("a\0\xE9\x01", 4) + std::string(80, 'x') + '\0'));
        PutKey(HKLM, kDesktopIconKey);
        const Snapshot stored = Snapshot::Take();

        const char* changes[7] = {"attach on",    "bcc off",     "systray on",  "msn on",
                                  "plaintext on", "logging off", "deskicon off"};
        ExportChangeEverythingImport(file, changes);
        // A text without its NUL is stored with one by any import.
        CHECK(Snapshot::Take().Text() == stored.WithValue(HKCU, kIm, "Enabled", Sz("abc")).Text());
    }
    SUBCASE("nothing stored: the values deleted again, the desktop icon hidden") {
        ClearSettings();
        const char* changes[7] = {"attach on",    "bcc on",     "systray on", "msn on",
                                  "plaintext on", "logging on", "deskicon on"};
        ExportChangeEverythingImport(file, changes);
        // The keys stay, empty: a .reg file deletes a value from its key.
        CHECK(Snapshot::Take().Text() == Snapshot()
                                             .WithKey(HKCU, kSecurity)
                                             .WithKey(HKCU, kPreferences)
                                             .WithKey(HKCU, kIm)
                                             .WithKey(HKCU, kMail)
                                             .Text());
    }
    ClearSettings();
}
