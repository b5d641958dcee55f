// brevlinc's commands against the store: what reaches standard output and
// standard error, the exit code, and what is stored afterwards.
#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "cli/commands.h"
#include "registry/store.h"
#include "tests/registry_backends.h"

using namespace brevlin;

namespace {

constexpr RegRoot HKCU = RegRoot::CurrentUser;
constexpr RegRoot HKLM = RegRoot::LocalMachine;
const std::string kPreferences = "Software\\Microsoft\\Office\\10.0\\Outlook\\Preferences";
const std::string kOutlook = "Software\\Microsoft\\Office\\10.0\\Outlook";
const std::string kDeskIcon =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace\\"
    "{00020D75-0000-0000-C000-000000000046}";

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

struct Cli {
    RegistryStore store;
    test::CountingRegistry registry{store};
    cli::Outcome Run(std::vector<std::string> args) {
        cli::Outcome outcome = cli::Run(args, registry);
        CHECK(registry.OpenHandles() == 0);
        return outcome;
    }
};

}  // namespace

TEST_CASE("a command line brevlinc does not take: what was wrong, then the usage, exit 2") {
    const std::string help = Cli().Run({"help"}).out;
    CHECK(help.starts_with("Usage: brevlinc COMMAND\r\n"));
    for (const char* form : {"-h", "--help", "/?"}) {
        const cli::Outcome outcome = Cli().Run({form});
        CHECK((outcome.exit_code == 0 && outcome.out == help && outcome.err.empty()));
    }
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no command given"},
        {{"LIST"}, "unknown command \"LIST\""},
        {{"list", "bcc"}, "wrong number of arguments for \"list\""},
        {{"set", "bcc"}, "wrong number of arguments for \"set\""},
        {{"export", "a.reg", "b.reg"}, "wrong number of arguments for \"export\""},
        {{"set", "Bcc", "on"}, "unknown setting \"Bcc\""},
        {{"set", "bcc", "yes"}, "unknown state \"yes\": use on or off"},
        {{"get", "x\r\ny" + std::string(60, 'z')},
         "unknown setting \"x??y" + std::string(36, 'z') + "...\""},
    };
    for (const auto& [args, problem] : cases) {
        Cli cli;
        const cli::Outcome outcome = cli.Run(args);
        CHECK(outcome.exit_code == 2);
        CHECK(outcome.out.empty());
        CHECK(outcome.err == "brevlinc: " + problem + "\r\n" + help);
        CHECK(cli.store.Dump() == "HKCU\nHKLM\n");
    }
}

TEST_CASE("get reads as the window does; set writes again what is stored; exit 1 if refused") {
    Cli cli;
    CHECK(cli.Run({"get", "attach"}).out == "on\r\n");  // no list: blocked
    CHECK(cli.Run({"set", "attach", "on"}).exit_code == 0);
    const auto list = cli.store.Value(HKCU, kOutlook + "\\Security", "Level1Remove");
    CHECK((list && list->type == regtype::kSz && list->bytes.empty()));
    // A desktop icon key we may not open is there all the same.
    cli.store.Put(HKLM, kDeskIcon, "", regtype::kSz, {});
    cli.store.Refuse(HKLM, kDeskIcon, kRefuseOpen);
    CHECK(cli.Run({"get", "deskicon"}).out == "on\r\n");

    cli.store.Put(HKCU, kPreferences, "ShowBcc", regtype::kDword, {1, 0, 0, 0});
    cli.store.Refuse(HKCU, kPreferences, kRefuseSet);
    const std::string before = cli.store.Dump();
    const cli::Outcome refused = cli.Run({"set", "bcc", "on"});
    CHECK(refused.exit_code == 1);
    CHECK(refused.out.empty());
    CHECK(refused.err ==
          "The setting \"Show BCC Field\" could not be changed to \"Enabled\".\r\n\r\n"
          "Windows refused access to the registry key where Outlook keeps this setting. Your "
          "account may not be allowed to change it.\r\n\r\nThe setting is as it was before.\r\n");
    CHECK(cli.store.Dump() == before);
}

TEST_CASE("export writes each value in the one form regedit stores back byte for byte") {
    Cli cli;
    const cli::Outcome nothing = cli.Run({"export", "out.reg"});
    CHECK((nothing.exit_code == 0 && nothing.err.empty() && nothing.out_file == "out.reg"));
    CHECK(nothing.out ==
          "REGEDIT4\r\n\r\n"
          "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\10.0\\Outlook\\Security]\r\n"
          "\"Level1Remove\"=-\r\n\r\n"
          "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\10.0\\Outlook\\Preferences]\r\n"
          "\"ShowBcc\"=-\r\n\"MinToTray\"=-\r\n\r\n"
          "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\10.0\\Outlook\\IM]\r\n"
          "\"Enabled\"=-\r\n\r\n"
          "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\10.0\\Outlook\\Options\\Mail]\r\n"
          "\"ReadAsPlain\"=-\r\n\"EnableLogging\"=-\r\n\r\n"
          "[-HKEY_LOCAL_MACHINE\\" +
              kDeskIcon + "]\r\n\r\n");
    CHECK(cli.store.Dump() == "HKCU\nHKLM\n");

    cli.store.Put(HKLM, kDeskIcon, "", regtype::kSz, {});
    CHECK(cli.Run({"export"})
              .out.ends_with("\r\n\r\n[HKEY_LOCAL_MACHINE\\" + kDeskIcon + "]\r\n\r\n"));

    std::vector<std::uint8_t> thirty;
    for (std::uint8_t i = 0; i < 30; ++i) thirty.push_back(i);
    struct Row {
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
        std::string line;
    };
    const std::vector<Row> rows = {
        {regtype::kSz, Bytes({"1\0", 2}), "\"1\""},
        {regtype::kSz, Bytes({"a\"b\\c;d\0", 8}), "\"a\\\"b\\\\c;d\""},
        {regtype::kSz, {}, "hex(1):"},  // "" would store one NUL
        {regtype::kSz, Bytes("abc"), "hex(1):61,62,63"},
        {regtype::kSz, Bytes({"a\0b\0", 4}), "hex(1):61,00,62,00"},
        {regtype::kSz, Bytes({"\xE9\t\0", 3}), "hex(1):e9,09,00"},
        {regtype::kDword, {0xFE, 0xFF, 0xFF, 0xFF}, "dword:fffffffe"},
        {regtype::kDword, {1, 2, 3, 4, 5, 6, 7, 8}, "hex(4):01,02,03,04,05,06,07,08"},
        {0xFFFFFFFFu, {1}, "hex(ffffffff):01"},
        {regtype::kBinary, {}, "hex:"},
        {regtype::kBinary, thirty,
         "hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,\\\r\n"
         "  15,16,17,18,19,1a,1b,1c,1d"},
    };
    for (const Row& row : rows) {
        CAPTURE(row.line);
        cli.store.PutExact(HKCU, kPreferences, "ShowBcc", row.type, row.bytes);
        CHECK(cli.Run({"export"}).out.find("\r\n\"ShowBcc\"=" + row.line + "\r\n\"MinToTray\"") !=
              std::string::npos);
    }
}

TEST_CASE("an export that cannot read a value exports nothing, exit 1") {
    Cli cli;
    cli.store.Put(HKCU, kPreferences, "ShowBcc", regtype::kDword, {1, 0, 0, 0});
    cli.store.Refuse(HKCU, kPreferences, kRefuseOpen);
    const cli::Outcome outcome = cli.Run({"export", "out.reg"});
    CHECK((outcome.exit_code == 1 && outcome.out.empty() && !outcome.out_file));
    CHECK(outcome.err == "brevlinc: could not read HKEY_CURRENT_USER\\" + kPreferences +
                             "\\ShowBcc (Windows reported error 5), so nothing was exported\r\n");
}
