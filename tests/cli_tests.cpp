// brevlinc's commands against the store: what reaches standard output and
// standard error, the exit code, the files it writes and reads, and what is
// stored afterwards.
#include <doctest/doctest.h>

#include <map>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "registry/store.h"
#include "tests/design_names.h"
#include "tests/registry_backends.h"

using namespace brevlin;
using namespace std::literals;

namespace {

constexpr RegRoot HKCU = RegRoot::CurrentUser;
constexpr RegRoot HKLM = RegRoot::LocalMachine;
const std::string kOutlook = "Software\\Microsoft\\Office\\10.0\\Outlook";
const std::string kPreferences = kOutlook + "\\Preferences";
const std::string kDeskIcon =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace\\"
    "{00020D75-0000-0000-C000-000000000046}";
const std::string kHint = ". Type \"brevlinc /?\" for usage.\r\n";

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

// UTF-16LE, as a version 5 .reg file holds its text.
std::string Wide(std::u16string_view text) {
    std::string bytes;
    for (char16_t unit : text) (bytes += static_cast<char>(unit)) += static_cast<char>(unit >> 8);
    return bytes;
}
std::string Wide(std::string_view ascii) {
    return Wide(std::u16string(ascii.begin(), ascii.end()));
}

// Files by name, at "C:\" + name, and error codes in words of its own.
struct Files final : cli::System {
    std::map<std::string, std::string> files;
    cli::FileRead Read(const std::string& name, std::size_t most) override {
        const auto found = files.find(name);
        cli::FileRead read{.path = "C:\\" + name};
        if (found != files.end() && found->second.size() > most) read.too_large = true;
        if (found == files.end() || read.too_large) return (read.words = "no", read);
        return (read.read = true, read.bytes = found->second, read);
    }
    std::string Words(long code) override { return "error " + std::to_string(code) + "."; }
};

struct Cli {
    RegistryStore store;
    test::FailingRegistry failing{store};
    test::CountingRegistry registry{failing};
    Files files;
    cli::Outcome Run(std::vector<std::string> args) {
        cli::Outcome outcome = cli::Run(args, registry, files);
        CHECK(registry.OpenHandles() == 0);
        return outcome;
    }
    // Exports, and keeps the file as `name`.
    cli::Outcome Export(const std::string& name, std::vector<std::string> args = {}) {
        args.insert(args.begin(), {"export", name});
        cli::Outcome outcome = Run(args);
        files.files[name] = outcome.out;
        return outcome;
    }
};

}  // namespace

TEST_CASE("a command line: help and version in any form, and one line for each mistake") {
    const std::string help = Cli().Run({"help"}).out;
    CHECK(help ==
          "brevlinc 3.00: Brevlin's Outlook 2002 settings\r\n\r\n"
          "  brevlinc list [/fo table|list|csv] [/nh]\r\n  brevlinc get SETTING\r\n"
          "  brevlinc set SETTING on|off [SETTING on|off ...]\r\n"
          "  brevlinc export [FILE] [SCOPE] [/y]\r\n  brevlinc apply FILE [SCOPE] [/whatif]\r\n"
          "  brevlinc check FILE [SCOPE] [/fo table|list|csv] [/nh]\r\n"
          "  brevlinc help [COMMAND]\r\n\r\n"
          "SETTING: attach bcc systray msn plaintext logging deskicon; on is the left\r\n"
          "button. SCOPE: /user (the first six), /machine (deskicon) or SETTINGs (a\r\n"
          "FILE named like one: .\\bcc). Exit code: 0 done or all match, 1 refused,\r\n"
          "unreadable, unwritable or differing, 2 a mistake in the command or FILE.\r\n");
    for (const char* form : {"/?", "-?", "-h", "/H", "--HELP"})
        CHECK(Cli().Run({form}).out == help);
    const std::vector<std::pair<std::string, std::string>> commands = {
        {"list [/fo table|list|csv] [/nh]",
         "Each setting's state as the window shows it after start-up, with its frame\r\n"
         "and button; deskicon's is whether its key exists. unreadable: exit 1.\r\n"},
        {"get SETTING",
         "The setting's state, as list gives it: on, off, or unreadable (exit 1).\r\n"},
        {"set SETTING on|off [SETTING on|off ...]",
         "Checks all, then makes each button's write in turn; prints the state, or\r\n"
         "\"refused:\" and the window's words (exit 1).\r\n"},
        {"export [FILE] [SCOPE] [/y]",
         "The stored values exactly, as a version 5.00 .reg file; /y replaces FILE.\r\n"
         "Warns of values regedit /s cannot store; apply can.\r\n"},
        {"apply FILE [SCOPE] [/whatif]",
         "Checks all of FILE, then stores its values the window's way: changed,\r\n"
         "unchanged or refused: (exit 1). /whatif writes nothing.\r\n"},
        {"check FILE [SCOPE] [/fo table|list|csv] [/nh]",
         "Writes nothing: matches, or differs (exit 1) with what FILE and this\r\n"
         "machine hold.\r\n"},
        {"help [COMMAND]", "This text, or a command's.\r\n"},
    };
    for (const auto& [synopsis, details] : commands)
        for (std::vector<std::string> asked :
             {std::vector<std::string>{"HELP", synopsis.substr(0, synopsis.find(' '))},
              {synopsis.substr(0, synopsis.find(' ')), "/?"}})
            CHECK(Cli().Run(asked).out ==
                  "brevlinc 3.00: Brevlin's Outlook 2002 settings\r\n\r\n  brevlinc " + synopsis +
                      "\r\n\r\n" + details);
    CHECK(Cli().Run({"/version"}).out == "brevlinc 3.00\r\n");
    CHECK(Cli().Run({"--VERSION"}).out == "brevlinc 3.00\r\n");
    for (std::vector<std::string> any_case :
         {std::vector<std::string>{"LIST", "/NH"}, {"Get", "BCC"}, {"SET", "bcc", "ON"}})
        CHECK(Cli().Run(any_case).exit_code == 0);

    const std::vector<std::pair<std::vector<std::string>, std::string>> mistakes = {
        {{}, "no command given"},
        {{"/y"}, "no command given"},
        {{"LISTX"}, "unknown command \"LISTX\""},
        {{"list", "bcc"}, "list takes no \"bcc\""},
        {{"list", "/fo"}, "/fo needs table, list or csv"},
        {{"list", "/fo", "xml"}, "/fo needs table, list or csv"},
        {{"list", "/nh", "-FO", "List"}, "/nh does not go with /fo list"},
        {{"get"}, "get needs one SETTING"},
        {{"get", "bcc", "msn"}, "get needs one SETTING"},
        {{"get", "bc"}, "unknown setting \"bc\""},
        {{"get", "a b\x7F~"}, "unknown setting \"a b?~\""},
        {{"get", std::string(40, 'y')}, "unknown setting \"" + std::string(40, 'y') + "\""},
        {{"get", "x\r\ny" + std::string(60, 'z')},
         "unknown setting \"x??y" + std::string(36, 'z') + "...\""},
        // Readable as typed: cut after 40 characters, not bytes; a C1 control
        // and a broken byte as "?".
        {{"get",
          "b\xC3\xA7"
          "c\xC2\x85\xFF"},
         "unknown setting \"b\xC3\xA7"
         "c??\""},
        {{"get", "\xE6\x97\xA5\xC3\xA9" + std::string(39, 'z')},
         "unknown setting \"\xE6\x97\xA5\xC3\xA9" + std::string(38, 'z') + "...\""},
        {{"set", "bcc"}, "set needs SETTING on|off pairs"},
        {{"set", "bcc", "yes"}, "unknown state \"yes\" for bcc: use on or off"},
        // Whatever is given twice is a mistake, in every command.
        {{"set", "bcc", "on", "BCC", "off"}, "bcc given twice"},
        {{"export", "bcc", "BCC"}, "bcc given twice"},
        {{"list", "/fo", "csv", "/FO", "list"}, "/fo given twice"},
        {{"check", "f.reg", "/user", "-USER"}, "/user given twice"},
        {{"export", "/y"}, "/y needs a FILE"},
        {{"set", "bcc", "on", "nope", "off"}, "unknown setting \"nope\""},
        {{"export", "/s"}, "unknown option \"/s\""},
        {{"export", "-"}, "unknown option \"-\""},
        {{"export", ""}, "unknown option \"\""},
        {{"export", "a.reg", "b.reg"}, "more than one FILE: \"a.reg\" and \"b.reg\""},
        {{"export", "/whatif"}, "export does not take \"/whatif\""},
        {{"apply", "bcc", "/user"}, "apply needs a FILE"},
        {{"check", "a.reg", "b.reg"}, "more than one FILE: \"a.reg\" and \"b.reg\""},
        {{"check", "/y", "f.reg"}, "check does not take \"/y\""},
        {{"help", "bogus"}, "unknown command \"bogus\""},
    };
    for (const auto& [args, problem] : mistakes) {
        CAPTURE(problem);
        Cli cli;
        const cli::Outcome outcome = cli.Run(args);
        CHECK((outcome.exit_code == 2 && outcome.out.empty()));
        CHECK(outcome.err == "brevlinc: " + problem + kHint);
        CHECK(cli.store.Dump() == "HKCU\nHKLM\n");
    }
}

TEST_CASE("export spells each value as regedit does where that keeps it; apply stores it back") {
    std::vector<std::uint8_t> sixty;
    for (std::uint8_t i = 0; i < 60; ++i) sixty.push_back(i);
    const std::vector<std::uint8_t> thirty(sixty.begin(), sixty.begin() + 30);
    struct Row {
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
        std::u16string line;  // after "MinToTray"=
        bool regedit_restores = true;
    };
    const std::vector<Row> rows = {
        {regtype::kSz, Bytes({"1\0\0\0", 4}), u"\"1\""},
        {regtype::kSz, Bytes({"a\0\"\0\\\0\r\0\n\0\0\0", 12}), u"\"a\\\"\\\\\\r\\n\""},
        // CJK, accented Latin, a surrogate pair and a lone surrogate.
        {regtype::kSz, Bytes({"\xe5\x65\x2c\x67\xe9\x00\x3d\xd8\x00\xde\x00\xd8\0\0", 14}),
         u"\"\u65e5\u672c\u00e9\U0001F600\xD800\""},
        {regtype::kSz, Bytes({" \0~\0\0\0", 6}), u"\" ~\""},
        {regtype::kSz, Bytes({"\0\0", 2}), u"\"\""},
        {regtype::kSz, {}, u"hex(1):"},  // "" would store a NUL
        {regtype::kSz, Bytes({"a\0b\0", 4}), u"hex(1):61,00,62,00", false},
        {regtype::kSz, Bytes({"a\0b\0c", 5}), u"hex(1):61,00,62,00,63", false},
        {regtype::kSz, Bytes({"a\0\0\0b\0\0\0", 8}), u"hex(1):61,00,00,00,62,00,00,00"},
        {regtype::kMultiSz, Bytes({"a\0\0\0\0\0", 6}), u"hex(7):61,00,00,00,00,00"},
        {regtype::kExpandSz, Bytes({"%\0\0\0\0", 5}), u"hex(2):25,00,00,00,00"},
        {regtype::kDword, {0xFE, 0xFF, 0xFF, 0xFF}, u"dword:fffffffe"},
        {regtype::kDword, {1, 2, 3, 4, 5, 6, 7, 8}, u"hex(4):01,02,03,04,05,06,07,08"},
        {regtype::kDword, {}, u"hex(4):"},
        {0xFFFFFFFFu, {1}, u"hex(ffffffff):01"},
        {regtype::kBinary, thirty,
         u"hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,\\\r\n"
         u"  15,16,17,18,19,1a,1b,1c,1d"},
        {regtype::kBinary, sixty,
         u"hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,\\\r\n"
         u"  15,16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,\\\r\n"
         u"  2e,2f,30,31,32,33,34,35,36,37,38,39,3a,3b"},
        // regedit would crash on it: a line only apply reads.
        {regtype::kSz, Bytes("a"), u"hex(1):61", false},
    };
    for (const Row& row : rows) {
        CAPTURE(&row - rows.data());
        Cli exported;
        exported.store.PutExact(HKCU, kPreferences, "MinToTray", row.type, row.bytes);
        const cli::Outcome outcome = exported.Export("f.reg");
        CHECK(outcome.exit_code == 0);
        const bool one_byte = row.type == regtype::kSz && row.bytes.size() == 1;
        const std::u16string prefix =
            one_byte ? u"; 1 byte of text, which regedit /s cannot store\r\n;" : u"";
        CHECK(outcome.out.find(Wide(u"\r\n" + prefix + u"\"MinToTray\"=" + row.line + u"\r\n")) !=
              std::string::npos);
        CHECK(outcome.err.empty() == row.regedit_restores);

        Cli applied;
        applied.files = exported.files;
        applied.store.Put(HKCU, kPreferences, "MinToTray", regtype::kDword, {7, 0, 0, 0});
        CHECK(applied.Run({"apply", "f.reg", "systray"}).out == "systray    changed\r\n");
        CHECK(applied.store.Value(HKCU, kPreferences, "MinToTray") ==
              StoredValue{row.type, row.bytes});
        CHECK(applied.Run({"check", "f.reg", "/nh", "/fo", "csv"}).exit_code == 0);
    }
}

TEST_CASE("a whole export, the hidden icon for apply only, and every file apply refuses") {
    Cli cli;
    CHECK(cli.Export("f.reg").out ==
          "\xFF\xFE" +
              Wide("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" + kOutlook +
                   "\\Security]\r\n\"Level1Remove\"=-\r\n\r\n[HKEY_CURRENT_USER\\" + kPreferences +
                   "]\r\n\"ShowBcc\"=-\r\n\"MinToTray\"=-\r\n\r\n"
                   "[HKEY_CURRENT_USER\\" +
                   kOutlook +
                   "\\IM]\r\n\"Enabled\"=-\r\n\r\n"
                   "[HKEY_CURRENT_USER\\" +
                   kOutlook +
                   "\\Options\\Mail]\r\n"
                   "\"ReadAsPlain\"=-\r\n\"EnableLogging\"=-\r\n\r\n"
                   "; Hidden icon: for brevlinc apply, which never deletes subkeys\r\n"
                   ";[-HKEY_LOCAL_MACHINE\\" +
                   kDeskIcon + "]\r\n\r\n"));
    const std::string header = "\xFF\xFE" + Wide("Windows Registry Editor Version 5.00\r\n\r\n");
    const std::string preferences = "[HKEY_CURRENT_USER\\" + kPreferences + "]\r\n";
    const auto cut = [](int line) {
        return ", line " + std::to_string(line) + ": the file ends inside this line";
    };
    const std::vector<std::pair<std::string, std::string>> files = {
        {"REGEDIT4\r\n", ": not UTF-16 with a byte-order mark"},
        {"\xFF\xFE" + Wide("Windows Registry Editor Version 4.00\r\n"),
         ", line 1: not a Windows Registry Editor Version 5.00 file"},
        {header, ": none of Brevlin's settings"},
        {header + Wide("\"ShowBcc\"=dword:1\r\n"),
         ", line 3: no key or value of Brevlin's settings"},
        {header + Wide("[HKEY_CURRENT_USER\\Software]\r\n"),
         ", line 3: no key or value of Brevlin's settings"},
        {header + Wide(preferences + "\"Other\"=dword:1\r\n"),
         ", line 4: no key or value of Brevlin's settings"},
        // msn's value, under the heading of bcc's key.
        {header + Wide(preferences + "\"Enabled\"=dword:1\r\n"),
         ", line 4: no key or value of Brevlin's settings"},
        {header + Wide("[-HKEY_CURRENT_USER\\" + kPreferences + "]\r\n"),
         ", line 3: a key deleted whole; brevlinc deletes values only"},
        {header + Wide(preferences + "\"ShowBcc\"=-\r\n\"showbcc\"=-\r\n"),
         ", line 5: a setting given a second time"},
        {header + Wide(preferences + "\"ShowBcc\"=hex:g0\r\n"),
         ", line 4: a byte that is not 1 or 2 hex digits"},
        {header + Wide(preferences + "\"ShowBcc\"=hex:01,\\\r\n  02 03\r\n"),
         ", line 5: bytes not separated by commas"},
        {header + Wide(preferences + "\"ShowBcc\"=hex:01,\\ 02\r\n"),
         ", line 4: a \\ not at the end of a line"},
        // Cut short by the file's end (the end-to-end run cuts a dword line at
        // every byte): nothing of it is taken, nor of the rest.
        {header + Wide(preferences + "\"ShowBcc\"=hex:01,\\"), cut(4)},
        {header + Wide(preferences + "\"ShowBcc\"=dword:00000001\r"), cut(4)},
        {header + Wide(preferences + "\"ShowBcc\"=hex:ab,ab,"), cut(4)},
        {header + Wide(preferences + "\"ShowBcc\"=hex:ab,\\\r\n"), cut(5)},
        {header + Wide(preferences + "\"ShowBcc\"=-\r\n; Hidden"), cut(5)},
        {header + Wide(";[-HKEY_LOCAL_MACHINE\\" + kDeskIcon), cut(3)},
        {header + Wide(preferences + "\"ShowBcc\"=dword:1\r\n") + "\x01",
         ", line 5: the file ends inside a character"},
        {header + Wide(preferences + "\"ShowBcc\"=\"a\r\n"),
         ", line 4: a text without its closing quote"},
        {header + Wide(preferences + "\"ShowBcc\"=\"\\q\"\r\n"),
         ", line 4: an unknown \\ escape in a text"},
        {header + Wide(preferences + "\"ShowBcc\"=dword:123456789\r\n"),
         ", line 4: dword: needs 1 to 8 hex digits"},
        {header + Wide(preferences + "\"ShowBcc\"=dword:1 2\r\n"),
         ", line 4: more after the value"},
        {header + Wide(preferences + "\"ShowBcc\"=word:1\r\n"),
         ", line 4: a value not \"text\", dword:, hex:, hex(N): or -"},
        {header + Wide(preferences + "ShowBcc=1\r\n"), ", line 4: not a key, a value or a comment"},
        // A comment is no setting, a NUL in it no end of the file, and its
        // last "\\" no continuation.
        {header + Wide(preferences + ";\"ShowBcc\"=dword:1\r\n"), ": none of Brevlin's settings"},
        {header + Wide(u"; a\0b\r\n[HKEY_CURRENT_USER\\Software]\r\n"sv),
         ", line 4: no key or value of Brevlin's settings"},
        {header + Wide(preferences + ";\"ShowBcc\"=hex:01,\\\r\n[HKEY_CURRENT_USER\\Software]\r\n"),
         ", line 5: no key or value of Brevlin's settings"},
    };
    for (const auto& [file, problem] : files) {
        CAPTURE(problem);
        cli.files.files["bad.reg"] = file;
        for (const char* command : {"apply", "check"}) {
            const cli::Outcome outcome = cli.Run({command, "bad.reg"});
            CHECK((outcome.exit_code == 2 && outcome.out.empty()));
            CHECK(outcome.err == "brevlinc: C:\\bad.reg" + problem + "\r\n");
        }
    }
    CHECK(cli.store.Dump() == "HKCU\nHKLM\n");
    // What export writes, apply reads: a value whose hex lines would pass
    // the 256 MB that apply reads is refused, named, and nothing written.
    Cli large;
    large.store.PutExact(HKCU, kPreferences, "ShowBcc", regtype::kBinary,
                         std::vector<std::uint8_t>(std::size_t{45} << 20, 0xAB));
    const cli::Outcome too_large = large.Run({"export", "big.reg"});
    CHECK((too_large.exit_code == 1 && too_large.out.empty() && too_large.out_file.empty()));
    CHECK(too_large.err == "brevlinc: HKEY_CURRENT_USER\\" + kPreferences +
                               "\\ShowBcc is too large: its file would be larger than 256 MB, the "
                               "most that apply reads. Nothing exported.\r\n");
    // Read as regedit would: any case, LF alone, blanks, comments.
    cli.files.files["fine.reg"] = header + Wide("  [hkey_current_user\\" + kPreferences +
                                                "]\n; a comment\n"
                                                "\t\"SHOWBCC\" = dword:00000001  \n"
                                                "\"MinToTray\"=hex(4):01,\\  \n  00,00,00\n"
                                                "[hkey_local_machine\\" +
                                                kDeskIcon + "]\n");
    CHECK(cli.Run({"apply", "fine.reg"}).out ==
          "bcc        changed\r\nsystray    changed\r\ndeskicon   changed\r\n");
    CHECK(cli.store.Value(HKCU, kPreferences, "MinToTray") ==
          StoredValue{regtype::kDword, {1, 0, 0, 0}});
}

TEST_CASE("apply and check: changed, unchanged, refused in the window's words; scopes") {
    Cli source;
    // " é~" and a DEL, which check spells in ASCII.
    source.store.PutExact(HKCU, kOutlook + "\\Security", "Level1Remove", regtype::kSz,
                          Bytes({" \0\xE9\0~\0\x7F\0\0\0", 10}));
    source.store.PutExact(HKCU, kPreferences, "ShowBcc", regtype::kDword, {1, 0, 0, 0});
    source.store.PutExact(HKCU, kOutlook + "\\IM", "Enabled", regtype::kDword, {1, 0, 0, 0});
    source.Export("all.reg");
    source.Export("user.reg", {"/user"});
    CHECK(source.Export("machine.reg", {"/MACHINE"}).out.find(Wide("HKEY_CURRENT_USER")) ==
          std::string::npos);

    Cli cli;
    cli.files = source.files;
    cli.store.PutExact(HKCU, kOutlook + "\\Security", "Level1Remove", regtype::kSz, {});
    cli.store.PutExact(HKCU, kPreferences, "MinToTray", regtype::kDword, {1, 0, 0, 0});
    cli.store.PutExact(HKCU, kOutlook + "\\IM", "Enabled", regtype::kDword, {0, 0, 0, 0});
    cli.store.Refuse(HKCU, kOutlook + "\\IM", kRefuseSet);
    cli.store.PutExact(HKLM, kDeskIcon + "\\ShellFolder", "", regtype::kSz, {});
    const std::string before = cli.store.Dump();

    const cli::Outcome checked = cli.Run({"check", "all.reg"});
    CHECK(checked.exit_code == 1);
    CHECK(checked.out ==
          "Setting   Result  File             Stored\r\n"
          "========= ======= ================ ==============\r\n"
          "attach    differs \" \\u00e9~\\u007f\" hex(1):\r\n"
          "bcc       differs dword:00000001   no value\r\n"
          "systray   differs no value         dword:00000001\r\n"
          "msn       differs dword:00000001   dword:00000000\r\n"
          "plaintext matches\r\nlogging   matches\r\n"
          "deskicon  differs hidden           shown\r\n");
    CHECK(cli.Run({"check", "all.reg", "attach", "/fo", "csv", "/nh"}).out ==
          "\"attach\",\"differs\",\"\"\" \\u00e9~\\u007f\"\"\",\"hex(1):\"\r\n");
    const cli::Outcome what_if = cli.Run({"apply", "all.reg", "/whatif"});
    CHECK((what_if.exit_code == 0 && cli.store.Dump() == before));
    CHECK(what_if.out.starts_with("attach     would change\r\nbcc        would change\r\n"));

    const cli::Outcome applied = cli.Run({"apply", "all.reg"});
    CHECK(applied.exit_code == 1);
    CHECK(applied.out ==
          "attach     changed\r\nbcc        changed\r\nsystray    changed\r\n"
          "msn        refused: Windows refused access to the registry key where Outlook keeps "
          "this setting. Your account may not be allowed to change it. The setting is as it "
          "was before.\r\n"
          "plaintext  unchanged\r\nlogging    unchanged\r\n"
          "deskicon   refused: Windows would not delete the registry key HKEY_LOCAL_MACHINE\\" +
              kDeskIcon +
              " because another program has made subkeys in it. Brevlin deletes only the key "
              "itself: remove its subkeys with the Registry Editor, then try again. The "
              "setting is as it was before.\r\n");
    CHECK(!cli.store.Value(HKCU, kPreferences, "MinToTray"));  // deleted, the key kept
    CHECK(cli.store.HasKey(HKLM, kDeskIcon + "\\ShellFolder"));

    const std::vector<std::pair<std::vector<std::string>, std::string>> scoped = {
        {{"check", "user.reg", "/machine"},
         "brevlinc: C:\\user.reg holds none of the settings "
         "asked for" +
             kHint},
        {{"check", "machine.reg", "bcc"}, "brevlinc: C:\\machine.reg holds no bcc" + kHint},
        {{"apply", "none.reg"}, "brevlinc: cannot read C:\\none.reg: no\r\n"},
    };
    for (const auto& [args, err] : scoped) CHECK(cli.Run(args).err == err);
    CHECK(cli.Run({"check", "all.reg", "BCC", "/fo", "LIST"}).out ==
          "Setting: bcc\r\nResult:  matches\r\nFile:\r\nStored:\r\n");
    // A refused set is exit 1 too; the same bytes of another type differ.
    CHECK(cli.Run({"set", "msn", "on"}).exit_code == 1);
    cli.store.PutExact(HKCU, kPreferences, "ShowBcc", regtype::kBinary, {1, 0, 0, 0});
    const cli::Outcome retyped = cli.Run({"check", "all.reg", "bcc", "/fo", "csv", "/nh"});
    CHECK((retyped.exit_code == 1 &&
           retyped.out == "\"bcc\",\"differs\",\"dword:00000001\",\"hex:01,00,00,00\"\r\n"));
    // A cell is cut between the file's characters, never inside an escape.
    std::string accents;
    for (int i = 0; i < 12; ++i) accents += "\xE9\0"s;
    cli.store.PutExact(HKCU, kOutlook + "\\Security", "Level1Remove", regtype::kSz,
                       Bytes(accents + "\0\0"s));
    CHECK(cli.Run({"check", "all.reg", "attach", "/fo", "csv", "/nh"})
              .out.ends_with(",\"\"\"\\u00e9\\u00e9\\u00e9\\u00e9\\u00e9\\u00e9...\"\r\n"));

    cli.store.Refuse(HKCU, kPreferences, kRefuseOpen);
    const cli::Outcome unreadable = cli.Run({"export", "f.reg"});
    CHECK((unreadable.exit_code == 1 && unreadable.out.empty() && unreadable.out_file.empty()));
    CHECK(unreadable.err == "brevlinc: cannot read HKEY_CURRENT_USER\\" + kPreferences +
                                "\\ShowBcc: error 5. Nothing exported.\r\n");
}

TEST_CASE("list and get as the window would show it; set stores exactly the button's data") {
    // The extension list "Disabled" writes, as Windows stores it: UTF-16
    // with its NUL.
    const std::string unblocked = Wide(test::kExtensionList) + '\0' + '\0';
    // The text and one of the numbers, which all take the same write (the
    // window's own cases check each).
    struct Row {
        const char* setting;
        std::string path;
        const char* name;
        std::vector<std::uint8_t> on, off;  // a text for attach, else a REG_DWORD
    };
    const std::vector<Row> rows = {
        {"attach", kOutlook + "\\Security", "Level1Remove", {}, Bytes(unblocked)},
        {"bcc", kPreferences, "ShowBcc", {1, 0, 0, 0}, {0, 0, 0, 0}},
    };
    for (const Row& row : rows) {
        for (const char* state : {"on", "off"}) {
            CAPTURE(row.setting);
            CAPTURE(state);
            Cli cli;
            const bool on = state == "on"sv;
            const cli::Outcome set = cli.Run({"set", row.setting, state});
            CHECK(set.out ==
                  (std::string(row.setting) + "          ").substr(0, 11) + state + "\r\n");
            RegistryStore expected;
            expected.PutExact(HKCU, row.path, row.name,
                              row.on.size() == 4 ? regtype::kDword : regtype::kSz,
                              on ? row.on : row.off);
            CHECK(cli.store.Dump() == expected.Dump());
            CHECK(cli.Run({"get", row.setting}).out == std::string(state) + "\r\n");
        }
    }

    Cli cli;
    CHECK(cli.Run({"set", "deskicon", "on"}).exit_code == 0);
    CHECK(cli.store.HasKey(HKLM, kDeskIcon));
    CHECK(cli.Run({"list"}).out ==
          "Setting   State Frame                   Button\r\n"
          "========= ===== ======================= ========\r\n"
          "attach    on    Attachment Security     Enabled\r\n"
          "bcc       off   Show BCC Field          Disabled\r\n"
          "systray   off   Minimize to system tray No\r\n"
          "msn       off   MSN Integration         Disable\r\n"
          "plaintext off   View PlainText only     Disable\r\n"
          "logging   off   Log activity            Disable\r\n"
          "deskicon  on    Icon on Desktop         Show\r\n");
    CHECK(cli.Run({"set", "deskicon", "off"}).out == "deskicon   off\r\n");
    CHECK_FALSE(cli.store.HasKey(HKLM, kDeskIcon));
    // The file's bytes go to FILE, replacing it with /y only, or to
    // standard output.
    const cli::Outcome to_file = cli.Run({"export", "f.reg", "/Y"});
    CHECK((to_file.out_file == "f.reg" && to_file.replace && to_file.out_is_utf16));
    const cli::Outcome kept = cli.Run({"export", "f.reg"});
    CHECK((kept.out_file == "f.reg" && !kept.replace));
    const cli::Outcome to_output = cli.Run({"export"});
    CHECK((to_output.out_file.empty() && to_output.out == kept.out));
}

TEST_CASE("what the store cannot refuse: unreadable settings, a write Windows does not keep") {
    using Call = test::FailingRegistry::Call;
    // The key that is there but cannot be looked at (Windows' ERROR_BADKEY),
    // and a value that is stored but whose key denies queries: neither may
    // pass for a state, nor be carried or compared.
    struct Row {
        Call call;
        RegStatus status;
        std::string where, name, setting, scope;
    };
    const std::vector<Row> rows = {
        {Call::Open, 1010, "{00020D75", "HKEY_LOCAL_MACHINE\\" + kDeskIcon, "deskicon", "/machine"},
        {Call::Query, 5, "Enabled", "HKEY_CURRENT_USER\\" + kOutlook + "\\IM\\Enabled", "msn",
         "msn"},
    };
    for (const Row& row : rows) {
        CAPTURE(row.setting);
        Cli cli;
        cli.files.files["f.reg"] = cli.Export("f.reg").out;
        cli.store.PutExact(HKCU, kOutlook + "\\IM", "Enabled", regtype::kDword, {1, 0, 0, 0});
        cli.store.PutExact(HKLM, kDeskIcon, "", regtype::kSz, {});
        const std::string before = cli.store.Dump();
        cli.failing.Fail(row.call, row.status, row.where);
        const std::string unreadable =
            "brevlinc: cannot read " + row.name + ": error " + std::to_string(row.status) + ".\r\n";
        const cli::Outcome listed = cli.Run({"list", "/nh", "/fo", "csv"});
        CHECK((listed.exit_code == 1 && listed.err == unreadable));
        CHECK(listed.out.find("\"" + row.setting + "\",\"unreadable\",") != std::string::npos);
        const cli::Outcome got = cli.Run({"get", row.setting});
        CHECK((got.exit_code == 1 && got.out == "unreadable\r\n" && got.err == unreadable));
        const cli::Outcome exported = cli.Run({"export"});
        CHECK((exported.exit_code == 1 && exported.out.empty()));
        const cli::Outcome applied = cli.Run({"apply", "f.reg", row.scope});
        CHECK((applied.exit_code == 1 && applied.err == unreadable));
        CHECK(applied.out == (row.setting + "          ").substr(0, 11) + "unreadable\r\n");
        CHECK(cli.store.Dump() == before);
    }

    Cli cli;
    // A store that Windows reports as done and that reads back otherwise is
    // no change.
    cli.failing.Fail(Call::SetW, 0, "ShowBcc");
    cli.store.PutExact(HKCU, kPreferences, "ShowBcc", regtype::kDword, {1, 0, 0, 0});
    cli.files.files["bcc.reg"] =
        "\xFF\xFE" + Wide("Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\" +
                          kPreferences + "]\r\n\"ShowBcc\"=dword:2\r\n");
    const cli::Outcome kept = cli.Run({"apply", "bcc.reg"});
    CHECK(kept.exit_code == 1);
    CHECK(kept.out == "bcc        refused: Windows reads back another value.\r\n");
}
