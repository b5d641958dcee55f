// The real brevlinc.exe in a child process, its standard output and error
// on pipes, against the real registry; exports brought back by Wine's own
// regedit as well. Needs no display.
#include <doctest/doctest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include "registry/advapi32.h"
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

std::wstring Wide(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                    wide.data(), static_cast<int>(wide.size())));
    return wide;
}

// The command line in UTF-8.
Ran Start(std::string command_line) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out_read, out_write, err_read, err_write;
    REQUIRE(CreatePipe(&out_read, &out_write, &inherit, 0));
    REQUIRE(CreatePipe(&err_read, &err_write, &inherit, 0));
    SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out_write;
    startup.hStdError = err_write;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, Wide(command_line).data(), nullptr, nullptr, TRUE,
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

// Stores exactly these bytes: RegSetValueExW would add a NUL that a
// text's count leaves out, were the units before and after it NULs.
void PutExact(RegRoot root, const std::string& path, const char* name, DWORD type,
              const std::string& bytes) {
    PutKey(root, path);
    HKEY key = nullptr;
    REQUIRE(RegOpenKeyExA(PredefinedKey(root), path.c_str(), 0, KEY_SET_VALUE, &key) == 0);
    const std::string guarded = "\xEE\xEE" + bytes + "\xEE\xEE";
    const std::wstring wide(name, name + std::strlen(name));
    CHECK(RegSetValueExW(key, wide.c_str(), 0, type,
                         reinterpret_cast<const BYTE*>(guarded.data() + 2),
                         static_cast<DWORD>(bytes.size())) == 0);
    RegCloseKey(key);
}

// The six values exactly as stored (through the wide function), the
// desktop icon's key and its subkeys: one line each.
std::string Exactly() {
    const std::pair<const std::string*, const char*> values[] = {
        {&kSecurity, "Level1Remove"}, {&kPreferences, "ShowBcc"},
        {&kPreferences, "MinToTray"}, {&kIm, "Enabled"},
        {&kMail, "ReadAsPlain"},      {&kMail, "EnableLogging"}};
    std::string text;
    for (const auto& [path, name] : values) {
        const std::wstring wide(name, name + std::strlen(name));
        std::wstring key(path->begin(), path->end());
        BYTE data[256];
        DWORD type = 0, size = sizeof data;
        const LONG status = RegGetValueW(HKEY_CURRENT_USER, key.c_str(), wide.c_str(),
                                         RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size);
        text += std::string(name) + (status ? " absent\n" : " type " + std::to_string(type) + ":");
        for (DWORD i = 0; !status && i < size; ++i) text += " " + std::to_string(data[i]);
        text += status ? "" : "\n";
    }
    text += KeyExists(HKLM, kDesktopIconKey) ? "icon shown\n" : "icon hidden\n";
    if (KeyExists(HKLM, std::string(kDesktopIconKey) + "\\ShellFolder")) text += "its subkey\n";
    return text;
}

std::string Temporary(const std::string& name) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return folder + ("brevlinc-" + std::to_string(GetCurrentProcessId()) + "-" + name);
}

std::string Contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// One line of a version 5 .reg file, from ASCII, as its UTF-16 bytes.
std::string Utf16(const std::string& ascii) {
    std::string bytes;
    for (char c : ascii + "\r\n") (bytes += c) += '\0';
    return bytes;
}

// A value's entry in a version 5 file, from its name to the end of the last
// line it continues on, as UTF-16 bytes; empty when the file has none.
std::string EntryOf(const std::string& file, const std::string& name) {
    const std::string line_end = Utf16("");
    const std::string named = Utf16("\"" + name + "\"=");
    const std::size_t begin = file.find(named.substr(0, named.size() - line_end.size()));
    if (begin == std::string::npos) return "";
    std::size_t end = begin;
    do end = file.find(line_end, end + 2);
    while (end != std::string::npos && file.compare(end - 2, 2, std::string("\\\0", 2)) == 0);
    return file.substr(begin, end - begin);
}

const std::string kEveryCheckRow =
    "Setting   Result  File Stored\r\n"
    "========= ======= ==== ======\r\n";

}  // namespace

TEST_CASE("brevlinc lists, gets and sets the real registry; a refused write says why") {
    ClearSettings();
    PutValue(HKCU, kSecurity, "Level1Remove", Sz("exe;zip"));
    PutValue(HKCU, kPreferences, "ShowBcc", Dword(2));
    PutValue(HKCU, kPreferences, "MinToTray", Sz("1"));
    PutValue(HKCU, kIm, "Enabled", Dword(1));
    PutKey(HKLM, kDesktopIconKey);
    const Snapshot before = Snapshot::Take();
    const Ran listed = Brevlinc("LIST /FO csv");
    CHECK(listed.exit_code == 0);
    CHECK(listed.err.empty());
    CHECK(listed.out ==
          "\"Setting\",\"State\",\"Frame\",\"Button\"\r\n"
          "\"attach\",\"off\",\"Attachment Security\",\"Disabled\"\r\n"
          "\"bcc\",\"off\",\"Show BCC Field\",\"Disabled\"\r\n"
          "\"systray\",\"off\",\"Minimize to system tray\",\"No\"\r\n"
          "\"msn\",\"on\",\"MSN Integration\",\"Enable\"\r\n"
          "\"plaintext\",\"off\",\"View PlainText only\",\"Disable\"\r\n"
          "\"logging\",\"off\",\"Log activity\",\"Disable\"\r\n"
          "\"deskicon\",\"on\",\"Icon on Desktop\",\"Show\"\r\n");
    CHECK(Brevlinc("get BCC").out == "off\r\n");
    CHECK(Snapshot::Take() == before);  // reading wrote nothing

    CHECK(Brevlinc("set bcc ON").out == "bcc        on\r\n");
    CHECK(Snapshot::Take() == before.WithValue(HKCU, kPreferences, "ShowBcc", Dword(1)));

    const Snapshot on = Snapshot::Take();
    Ran refused;
    {
        ReadOnlyKey lock(HKCU, kPreferences);
        refused = Brevlinc("set systray on bcc off");
    }
    CHECK(refused.exit_code == 1);
    CHECK(refused.err.empty());
    const std::string words =
        "refused: Windows refused access to the registry key where Outlook keeps this setting. "
        "Your account may not be allowed to change it. The setting is as it was before.\r\n";
    CHECK(refused.out == "systray    " + words + "bcc        " + words);
    CHECK(Snapshot::Take() == on);
}

TEST_CASE("export, apply and check carry every byte; regedit /s what it can and no deletes") {
    const std::string file = Temporary("all.reg"), user = Temporary("user.reg"),
                      machine = Temporary("machine.reg"), regedit = Temporary("regedit.reg");
    ClearSettings();
    // CJK, accented Latin, a surrogate pair and a lone surrogate; an 8-byte
    // dword; 5 bytes of text; 1 byte of text; a text with CR LF.
    PutExact(HKCU, kSecurity, "Level1Remove", REG_SZ,
             std::string("\xe5\x65\x2c\x67;\0e\0\xe9\0\x3d\xd8\x00\xde\x00\xd8\0\0", 18));
    PutExact(HKCU, kPreferences, "ShowBcc", REG_DWORD, std::string("\1\2\3\4\5\6\7\x8", 8));
    PutExact(HKCU, kPreferences, "MinToTray", REG_SZ, std::string("a\0b\0c", 5));
    PutExact(HKCU, kIm, "Enabled", REG_SZ, "a");
    PutExact(HKCU, kMail, "ReadAsPlain", REG_SZ, std::string("a\0\r\0\n\0b\0\0\0", 10));
    // A text of 25 units whose hex(2) lines wrap twice, at the wrap column.
    PutExact(HKCU, kMail, "EnableLogging", REG_EXPAND_SZ,
             Utf16("%USERPROFILE%\\Local\\Temp").substr(0, 48) + std::string(2, '\0'));
    PutKey(HKLM, kDesktopIconKey);
    const std::string stored = Exactly();

    const Ran exported = Brevlinc("export \"" + file + "\"");
    CHECK(exported.exit_code == 0);
    const std::string warning =
        "brevlinc: warning: regedit /s cannot store HKEY_CURRENT_USER\\" + kOutlook;
    CHECK(exported.err == warning + "\\Preferences\\MinToTray as it is\r\n" + warning +
                              "\\IM\\Enabled as it is\r\n");
    // Where regedit's own export keeps the bytes, its lines are ours, wrapped
    // where it wraps them.
    const auto same_as_regedit = [&](std::initializer_list<std::string> names) {
        CHECK(Start("regedit.exe /e \"" + regedit + "\" \"HKEY_CURRENT_USER\\" + kOutlook + "\"")
                  .exit_code == 0);
        for (const std::string& name : names) {
            CAPTURE(name);
            const std::string theirs = EntryOf(Contents(regedit), name);
            CHECK_FALSE(theirs.empty());
            CHECK(EntryOf(Contents(file), name) == theirs);
        }
    };
    same_as_regedit({"Level1Remove", "ReadAsPlain", "EnableLogging"});
    CHECK(Brevlinc("check \"" + file + "\"").out ==
          kEveryCheckRow +
              "attach    matches\r\nbcc       matches\r\nsystray   matches\r\n"
              "msn       matches\r\nplaintext matches\r\nlogging   matches\r\n"
              "deskicon  matches\r\n");

    const std::string everything =
        "set attach off bcc on systray off msn off plaintext on "
        "logging on deskicon off";
    CHECK(Brevlinc(everything).exit_code == 0);
    const std::string changed = Exactly();
    const Ran differs = Brevlinc("check \"" + file + "\" /fo csv /nh");
    CHECK(differs.exit_code == 1);
    CHECK(differs.out.find("\"bcc\",\"differs\",\"hex(4):01,02,03,04,05,06,07,08\","
                           "\"dword:00000001\"\r\n") != std::string::npos);
    CHECK(differs.out.find("\"deskicon\",\"differs\",\"shown\",\"hidden\"\r\n") !=
          std::string::npos);
    const Ran what_if = Brevlinc("apply \"" + file + "\" /WhatIf");
    CHECK((what_if.exit_code == 0 && Exactly() == changed));
    CHECK(what_if.out.find("attach     would change\r\n") == 0);
    const Ran applied = Brevlinc("apply \"" + file + "\"");
    CHECK(applied.exit_code == 0);
    CHECK(applied.out ==
          "attach     changed\r\nbcc        changed\r\nsystray    changed\r\n"
          "msn        changed\r\nplaintext  changed\r\nlogging    changed\r\n"
          "deskicon   changed\r\n");
    CHECK(Exactly() == stored);
    CHECK(Brevlinc("check \"" + file + "\"").exit_code == 0);

    // regedit /s: all but the text without its NUL, and the 1-byte one,
    // which is a comment to it (it would crash on the line).
    CHECK(Brevlinc(everything).exit_code == 0);
    CHECK(Start("regedit.exe /s \"" + file + "\"").exit_code == 0);
    const Ran after_regedit = Brevlinc("check \"" + file + "\"");
    CHECK(after_regedit.exit_code == 1);
    CHECK(after_regedit.out.find("systray   differs hex(1):61,00,62,00,63") != std::string::npos);
    CHECK(after_regedit.out.find("msn       differs hex(1):61") != std::string::npos);
    CHECK(after_regedit.out.find("attach    matches") != std::string::npos);

    // The scope split: the user's part and the machine's part.
    Succeeds("export \"" + user + "\" /user");
    const Ran machine_export = Brevlinc("export \"" + machine + "\" /machine");
    CHECK((machine_export.exit_code == 0 && machine_export.err.empty()));
    CHECK(Contents(user).find(Utf16("[HKEY_LOCAL_MACHINE").substr(0, 20)) == std::string::npos);
    CHECK(Contents(machine).find(Utf16("[HKEY_CURRENT_USER").substr(0, 20)) == std::string::npos);
    const Ran wrong_scope = Brevlinc("apply \"" + user + "\" /machine");
    CHECK(wrong_scope.exit_code == 2);
    // There: only /y replaces it, keeping its attributes; never a read-only one.
    SetFileAttributesA(user.c_str(), FILE_ATTRIBUTE_HIDDEN);
    Succeeds("export \"" + user + "\" /user /y");
    CHECK((GetFileAttributesA(user.c_str()) & FILE_ATTRIBUTE_HIDDEN) != 0);
    SetFileAttributesA(user.c_str(), FILE_ATTRIBUTE_READONLY);
    CHECK(Brevlinc("export \"" + user + "\" /user /y").err.ends_with(": it is read-only\r\n"));
    SetFileAttributesA(user.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Hidden, the icon is a comment to regedit; apply hides it only the
    // window's way, never over another program's subkey.
    CHECK(Brevlinc("set deskicon off").out == "deskicon   off\r\n");
    Succeeds("export \"" + machine + "\" deskicon /y");
    PutKey(HKLM, std::string(kDesktopIconKey) + "\\ShellFolder");
    CHECK(Start("regedit.exe /s \"" + machine + "\"").exit_code == 0);
    const Ran refused = Brevlinc("apply \"" + machine + "\"");
    CHECK(refused.exit_code == 1);
    CHECK(refused.out ==
          "deskicon   refused: Windows would not delete the registry key HKEY_LOCAL_MACHINE\\" +
              std::string(kDesktopIconKey) +
              " because another program has made subkeys in it. Brevlin deletes only the key "
              "itself: remove its subkeys with the Registry Editor, then try again. The setting "
              "is as it was before.\r\n");
    CHECK(Exactly().ends_with("icon shown\nits subkey\n"));

    // A hex line that wraps once, and one whose last byte ends it at the
    // wrap column: regedit does not continue that one.
    ClearSettings();
    PutExact(HKCU, kPreferences, "MinToTray", REG_BINARY, std::string(30, 'z'));
    PutExact(HKCU, kMail, "ReadAsPlain", REG_BINARY, std::string(20, 'z'));
    Succeeds("export \"" + file + "\" /y");
    same_as_regedit({"MinToTray", "ReadAsPlain"});

    for (const std::string& each : {file, user, machine, regedit}) DeleteFileA(each.c_str());
    ClearSettings();
}

TEST_CASE(
    "a file cut short anywhere in its last value line changes nothing; one too large is "
    "named as such") {
    const std::string file = Temporary("cut-source.reg"), cut = Temporary("cut.reg");
    ClearSettings();
    PutValue(HKCU, kPreferences, "ShowBcc", Dword(1));
    Succeeds("export \"" + file + "\" bcc");
    PutValue(HKCU, kPreferences, "ShowBcc", Dword(0));
    const std::string whole = Contents(file);
    const std::string line = Utf16("\"ShowBcc\"=dword:00000001");
    const std::size_t start = whole.find(line);
    REQUIRE(start != std::string::npos);
    const std::string stored = Exactly();
    // Every cut from the line's first character up to its last byte: each
    // is a mistake in line 4 (after the header, a blank line and the key).
    for (std::size_t end = start + 2; end < start + line.size(); ++end) {
        CAPTURE(end - start);
        std::ofstream(cut, std::ios::binary) << whole.substr(0, end);
        const Ran applied = Brevlinc("apply \"" + cut + "\"");
        CHECK(applied.exit_code == 2);
        CHECK(applied.err.find(", line 4: the file ends inside ") != std::string::npos);
        CHECK(applied.out.empty());
    }
    CHECK(Exactly() == stored);
    // Cut after the line's break, it is whole.
    std::ofstream(cut, std::ios::binary) << whole.substr(0, start + line.size());
    CHECK(Brevlinc("apply \"" + cut + "\"").out == "bcc        changed\r\n");

    // Larger than any export: not read, and said in the program's words.
    {
        std::ofstream huge(cut, std::ios::binary);
        huge.seekp((std::streamoff{256} << 20) + 1);
        huge << '\0';
    }
    const Ran too_large = Brevlinc("check \"" + cut + "\"");
    CHECK(too_large.exit_code == 2);
    CHECK(too_large.err.ends_with(": larger than 256 MB, more than any export\r\n"));
    for (const std::string& each : {file, cut}) DeleteFileA(each.c_str());
    ClearSettings();
}

TEST_CASE("export writes where Windows can: past MAX_PATH, any name, a link's target, NUL") {
    ClearSettings();
    const std::string bytes = Brevlinc("export").out;
    // Three folders of 100 characters, made through the \\?\ form.
    std::vector<std::string> folders = {Temporary("long")};
    for (const char letter : {'a', 'b', 'c'})
        folders.push_back(folders.back() + "\\" + std::string(100, letter));
    for (const std::string& folder : folders)
        CHECK(CreateDirectoryW(Wide("\\\\?\\" + folder).c_str(), nullptr));
    // A name beyond the ANSI code page, there and in the message naming it.
    const std::string deep = folders.back() + "\\n\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E.reg";
    Succeeds("export \"" + deep + "\"");
    CHECK(Brevlinc("export \"" + deep + "\"").err ==
          "brevlinc: cannot write " + deep + ": it is there already; add /y to replace it\r\n");
    Succeeds("export \"" + deep + "\" /y");
    CHECK(Brevlinc("check \"" + deep + "\"").exit_code == 0);
    // Devices take the bytes, and no file is made: NUL, and nul.reg as Wine
    // and Windows before 11 map it.
    Succeeds("export NUL");
    Succeeds("export \"" + folders.back() + "\\nul.reg\"");
    // The folders hold nothing else: no temporary file, no backup.
    CHECK(DeleteFileW(Wide("\\\\?\\" + deep).c_str()));
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
        CHECK(RemoveDirectoryW(Wide("\\\\?\\" + *folder).c_str()));

    // A Linux symbolic link, made by ln and removed by rm (Wine's DeleteFileW
    // of a link deletes its target): Wine starts a Linux program in the
    // folder given, and does not wait for it.
    const std::string target = Temporary("target.reg"), link = Temporary("link.reg");
    const std::size_t name = target.rfind('\\') + 1;
    const auto in_temporary_folder = [&](std::string command) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        CHECK(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             target.substr(0, name).c_str(), &startup, &process));
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    };
    std::ofstream(target) << "old";
    in_temporary_folder("/bin/ln -s " + target.substr(name) + " " + link.substr(name));
    CHECK(WaitUntil([&] { return GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES; }));
    Succeeds("export \"" + link + "\" /y");
    CHECK(Contents(target) == bytes);
    in_temporary_folder("/bin/rm " + link.substr(name) + " " + target.substr(name));
}
