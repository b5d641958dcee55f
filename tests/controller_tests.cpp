#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "registry/store.h"
#include "tests/design_names.h"
#include "tests/model_window.h"
#include "tests/registry_backends.h"
#include "tweaks/controller.h"
#include "tweaks/settings.h"

using namespace brevlin;
using brevlin::test::ModelWindow;

namespace {

constexpr RegRoot HKCU = RegRoot::CurrentUser;
constexpr RegRoot HKLM = RegRoot::LocalMachine;
const std::string kSecurity = "Software\\Microsoft\\Office\\10.0\\Outlook\\Security";
const std::string kPreferences = "Software\\Microsoft\\Office\\10.0\\Outlook\\Preferences";
const std::string kIm = "Software\\Microsoft\\Office\\10.0\\Outlook\\IM";
const std::string kMail = "Software\\Microsoft\\Office\\10.0\\Outlook\\Options\\Mail";
const std::string kDeskIcon =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace\\"
    "{00020D75-0000-0000-C000-000000000046}";
const std::string kList(test::kExtensionList);

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }
// How the registry stores an ASCII text: in UTF-16.
std::vector<std::uint8_t> Utf16(std::string_view ascii) {
    std::vector<std::uint8_t> bytes;
    for (char c : ascii) bytes.insert(bytes.end(), {std::uint8_t(c), 0});
    return bytes;
}
std::vector<std::uint8_t> Dword(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    return {std::uint8_t(u), std::uint8_t(u >> 8), std::uint8_t(u >> 16), std::uint8_t(u >> 24)};
}

// The store, a model window and the controller, wired as the program wires them.
struct Program {
    RegistryStore store;
    test::CountingRegistry registry{store};
    ModelWindow window;
    SettingsController controller{registry, window};
    Program() {
        window.on_user_choice = [this](const Tweak& tweak, Side side) {
            controller.OnUserChoice(tweak, side);
        };
    }
    // Starts the program and checks that start-up left the registry alone.
    void Start() {
        const std::string before = store.Dump();
        controller.LoadSettings();
        CHECK(store.Dump() == before);
        CHECK(registry.OpenHandles() == 0);
    }
};

}  // namespace

TEST_CASE("start-up on an account with none of the keys") {
    Program p;
    p.Start();
    CHECK(p.window.Selection() == "Option3,Option5,Option2,Option8,Option9,Option13");
    CHECK(p.window.HolderText("Text2") == "");
    for (const char* label : {"Label5", "Label6", "Label7", "Label9", "lbl50"})
        CHECK(p.window.HolderText(label) == "0");
    CHECK(p.window.failures.empty());
    CHECK(p.store.Dump() == "HKCU\nHKLM\n");  // no key was created
}

TEST_CASE("start-up shows what is stored and changes none of it") {
    struct Stored {
        const char* what;
        std::string path;
        const char* name;
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
        const char* holder;
        const char* holder_text;
        const char* selected;  // the button selected in that frame
    };
    const std::vector<Stored> cases = {
        {"a custom list", kSecurity, "Level1Remove", regtype::kSz, Bytes("exe;zip"), "Text2",
         "exe;zip", "Option6"},
        {"a lone separator", kSecurity, "Level1Remove", regtype::kSz, Bytes(";"), "Text2", ";",
         "Option6"},
        {"the empty list", kSecurity, "Level1Remove", regtype::kSz, {}, "Text2", "", "Option3"},
        {"a list of another type", kSecurity, "Level1Remove", regtype::kExpandSz,
         Bytes(std::string("exe\0", 4)), "Text2", "", "Option3"},
        {"ShowBcc 1", kPreferences, "ShowBcc", regtype::kDword, Dword(1), "Label6", "1", "Option4"},
        {"ShowBcc 2", kPreferences, "ShowBcc", regtype::kDword, Dword(2), "Label6", "2", "Option5"},
        {"ShowBcc -1", kPreferences, "ShowBcc", regtype::kDword, Dword(-1), "Label6", "-1",
         "Option5"},
        {"ShowBcc as the text 1", kPreferences, "ShowBcc", regtype::kSz, Bytes("1"), "Label6", "0",
         "Option5"},
        {"MinToTray 1", kPreferences, "MinToTray", regtype::kDword, Dword(1), "Label5", "1",
         "Option1"},
        {"MSN 1", kIm, "Enabled", regtype::kDword, Dword(1), "Label7", "1", "Option7"},
        {"plain text 1", kMail, "ReadAsPlain", regtype::kDword, Dword(1), "Label9", "1",
         "Option10"},
        {"logging 1", kMail, "EnableLogging", regtype::kDword, Dword(1), "lbl50", "1", "Option14"},
        {"logging as binary", kMail, "EnableLogging", regtype::kBinary, Dword(1), "lbl50", "0",
         "Option13"},
    };
    for (const Stored& stored : cases) {
        CAPTURE(stored.what);
        Program p;
        p.store.Put(HKCU, stored.path, stored.name, stored.type, stored.bytes);
        p.Start();
        CHECK(p.window.HolderText(stored.holder) == stored.holder_text);
        CHECK(p.window.IsSelected(stored.selected));
    }
}

TEST_CASE("the desktop icon is never read: neither button, key present or not") {
    for (bool present : {false, true}) {
        Program p;
        if (present) p.store.Put(HKLM, kDeskIcon, "", regtype::kSz, {});
        // Start-up clears both, whatever showed before.
        p.window.Select(CatalogueEntry(TweakId::deskicon), present ? Side::On : Side::Off);
        p.Start();
        CHECK_FALSE(p.window.IsSelected("Option12"));
        CHECK_FALSE(p.window.IsSelected("Option11"));
    }
}

TEST_CASE("each of the fourteen buttons writes exactly its data, and only that") {
    struct Write {
        const char* button;
        const std::string* path;
        const char* name;
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
    };
    // Text is stored without its terminator; the registry adds one (see the
    // conformance cases), so the list lands as 170 bytes.
    std::vector<std::uint8_t> list = Bytes(kList);
    list.push_back(0);
    const std::vector<Write> writes = {
        {"Option3", &kSecurity, "Level1Remove", regtype::kSz, {}},
        {"Option6", &kSecurity, "Level1Remove", regtype::kSz, list},
        {"Option4", &kPreferences, "ShowBcc", regtype::kDword, Dword(1)},
        {"Option5", &kPreferences, "ShowBcc", regtype::kDword, Dword(0)},
        {"Option1", &kPreferences, "MinToTray", regtype::kDword, Dword(1)},
        {"Option2", &kPreferences, "MinToTray", regtype::kDword, Dword(0)},
        {"Option7", &kIm, "Enabled", regtype::kDword, Dword(1)},
        {"Option8", &kIm, "Enabled", regtype::kDword, Dword(0)},
        {"Option10", &kMail, "ReadAsPlain", regtype::kDword, Dword(1)},
        {"Option9", &kMail, "ReadAsPlain", regtype::kDword, Dword(0)},
        {"Option14", &kMail, "EnableLogging", regtype::kDword, Dword(1)},
        {"Option13", &kMail, "EnableLogging", regtype::kDword, Dword(0)},
    };
    for (const Write& write : writes) {
        CAPTURE(write.button);
        Program p;
        p.Start();
        // Select the other side first when this one is already selected.
        if (p.window.IsSelected(write.button)) {
            p.window.Click(test::PartnerOf(write.button));
            p.store = RegistryStore();
        }
        p.window.Click(write.button);
        RegistryStore expected;
        expected.Put(HKCU, *write.path, write.name, write.type, write.bytes);
        CHECK(p.store.Dump() == expected.Dump());
        CHECK(p.window.IsSelected(write.button));
        CHECK(p.registry.OpenHandles() == 0);
    }
}

TEST_CASE("the attachment data passes through Text2") {
    Program p;
    p.Start();
    p.window.Click("Option6");
    CHECK(p.window.HolderText("Text2") == kList);
    p.window.Click("Option3");
    CHECK(p.window.HolderText("Text2") == "");
    const auto stored = p.store.Value(HKCU, kSecurity, "Level1Remove");
    REQUIRE(stored);
    CHECK(stored->type == regtype::kSz);
    CHECK(stored->bytes.empty());
}

TEST_CASE("Show creates the desktop icon key and Hide deletes it") {
    Program p;
    p.Start();
    p.window.Click("Option11");  // hiding what is not there is fine
    CHECK(p.window.failures.empty());
    CHECK(p.window.IsSelected("Option11"));
    p.window.Click("Option12");
    CHECK(p.store.HasKey(HKLM, kDeskIcon));
    CHECK_FALSE(p.window.IsSelected("Option11"));
    p.window.Click("Option11");
    CHECK_FALSE(p.store.HasKey(HKLM, kDeskIcon));
    CHECK(p.store.HasKey(HKLM, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer"));
}

TEST_CASE("a write that fails puts the frame back and tells the window why") {
    Program p;

    SUBCASE("Show without the right to write below HKEY_LOCAL_MACHINE") {
        p.store.Refuse(HKLM, "Software", kRefuseCreate | kRefuseSet | kRefuseDelete);
        p.Start();
        const std::string before = p.store.Dump();
        p.window.Click("Option12");
        CHECK_FALSE(p.window.IsSelected("Option12"));
        CHECK_FALSE(p.window.IsSelected("Option11"));
        REQUIRE(p.window.failures.size() == 1);
        CHECK(p.window.failures[0].id == TweakId::deskicon);
        CHECK(p.window.failures[0].side == Side::On);
        CHECK(p.window.failures[0].cause == ChangeFailure::Cause::AccessDenied);
        CHECK(p.store.Dump() == before);
    }
    SUBCASE("Hide refused after a Show that worked: Show stays selected") {
        p.Start();
        p.window.Click("Option12");
        p.store.Refuse(HKLM, kDeskIcon, kRefuseDelete);
        p.window.Click("Option11");
        CHECK(p.window.IsSelected("Option12"));
        CHECK_FALSE(p.window.IsSelected("Option11"));
        CHECK(p.store.HasKey(HKLM, kDeskIcon));
        REQUIRE(p.window.failures.size() == 1);
        CHECK(p.window.failures[0].side == Side::Off);
    }
    SUBCASE("the attachment list under a read-only key: Text2 and the frame as before") {
        p.store.Put(HKCU, kSecurity, "Level1Remove", regtype::kSz, Bytes("exe"));
        p.store.Refuse(HKCU, kSecurity, kRefuseSet);
        p.Start();
        p.window.Click("Option3");
        CHECK(p.window.IsSelected("Option6"));
        CHECK_FALSE(p.window.IsSelected("Option3"));
        CHECK(p.window.HolderText("Text2") == "exe");
        CHECK(p.store.Value(HKCU, kSecurity, "Level1Remove")->bytes == Utf16("exe"));
        REQUIRE(p.window.failures.size() == 1);
        CHECK(p.window.failures[0].id == TweakId::attach);
    }
    SUBCASE("a value refused in keys the write had to make: they go again") {
        // An account that may make subkeys of Outlook's key but not set values.
        p.store.Put(HKCU, "Software\\Microsoft\\Office\\10.0\\Outlook", "kept", regtype::kDword,
                    Dword(1));
        p.store.Refuse(HKCU, "Software\\Microsoft\\Office\\10.0\\Outlook", kRefuseSet);
        p.Start();
        const std::string before = p.store.Dump();
        p.window.Click("Option6");
        REQUIRE(p.window.failures.size() == 1);
        CHECK(p.window.failures[0].cause == ChangeFailure::Cause::AccessDenied);
        CHECK(p.window.IsSelected("Option3"));
        CHECK(p.window.HolderText("Text2") == "");
        CHECK(p.store.Dump() == before);
        CHECK_FALSE(p.store.HasKey(HKCU, kSecurity));
    }
    SUBCASE("Hide over a key that holds subkeys: told it is the subkeys, not rights") {
        p.store.Put(HKLM, kDeskIcon + "\\DefaultIcon", "", regtype::kSz, Bytes("x"));
        p.Start();
        p.window.Click("Option12");  // the key is there: Show stores again
        p.window.Click("Option11");
        CHECK(p.window.IsSelected("Option12"));
        CHECK(p.store.HasKey(HKLM, kDeskIcon + "\\DefaultIcon"));
        REQUIRE(p.window.failures.size() == 1);
        CHECK(p.window.failures[0].cause == ChangeFailure::Cause::ForeignSubkeys);
    }
    SUBCASE("a number whose key may not be created") {
        p.store.Refuse(HKCU, kPreferences, kRefuseCreate);
        p.Start();
        p.window.Click("Option4");
        CHECK(p.window.IsSelected("Option5"));
        CHECK_FALSE(p.store.HasKey(HKCU, kPreferences));
        REQUIRE(p.window.failures.size() == 1);
        CHECK(p.window.failures[0].id == TweakId::bcc);
        CHECK(p.window.failures[0].cause == ChangeFailure::Cause::AccessDenied);
        // Other settings still work.
        p.window.Click("Option7");
        CHECK(p.store.Value(HKCU, kIm, "Enabled")->bytes == Dword(1));
        CHECK(p.window.failures.size() == 1);
    }
    CHECK(p.registry.OpenHandles() == 0);
}

TEST_CASE("start-up writes nothing; the user's click writes, and touches no other frame") {
    Program p;
    p.Start();
    CHECK(p.store.Dump() == "HKCU\nHKLM\n");
    p.window.Click("Option4");
    CHECK(p.store.Value(HKCU, kPreferences, "ShowBcc")->bytes == Dword(1));
    CHECK(p.window.Selection() == "Option3,Option4,Option2,Option8,Option9,Option13");
}

TEST_CASE("a click on the selected button stores its side again") {
    // What the window shows may not be what is stored, in the very form the
    // button writes: the click writes it, so window and registry agree.
    struct Case {
        const char* what;
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
        const char* button;  // selected at start-up, and clicked
        std::uint32_t stored_type;
        std::vector<std::uint8_t> stored;
    };
    const std::vector<std::uint8_t> list = Utf16(kList + '\0');
    const std::vector<Case> cases = {
        {"ShowBcc 2", regtype::kDword, Dword(2), "Option5", regtype::kDword, Dword(0)},
        {"ShowBcc as the text 1", regtype::kSz, Bytes("1"), "Option5", regtype::kDword, Dword(0)},
        {"ShowBcc 1", regtype::kDword, Dword(1), "Option4", regtype::kDword, Dword(1)},
        {"a custom list", regtype::kSz, Bytes("exe;zip"), "Option6", regtype::kSz, list},
        {"a list of another type", regtype::kExpandSz, Bytes("exe"), "Option3", regtype::kSz, {}},
    };
    for (const Case& c : cases) {
        CAPTURE(c.what);
        Program p;
        const bool attach = std::string_view(c.button) == "Option6" ||
                            std::string_view(c.button) == "Option3";
        const std::string& path = attach ? kSecurity : kPreferences;
        const char* name = attach ? "Level1Remove" : "ShowBcc";
        p.store.Put(HKCU, path, name, c.type, c.bytes);
        p.Start();
        REQUIRE(p.window.IsSelected(c.button));
        p.window.Click(c.button);
        CHECK(p.window.IsSelected(c.button));
        REQUIRE(p.store.Value(HKCU, path, name));
        CHECK(p.store.Value(HKCU, path, name)->type == c.stored_type);
        CHECK(p.store.Value(HKCU, path, name)->bytes == c.stored);
        CHECK(p.window.failures.empty());
    }
}

TEST_CASE(
    "a stored list longer than a holder holds is cut in the holder, and still reads as Disabled") {
    Program p;
    const std::string huge(100000, 'x');
    p.store.Put(HKCU, kSecurity, "Level1Remove", regtype::kSz, Bytes(huge));
    p.Start();
    CHECK(p.window.HolderText("Text2") == std::string(32767, 'x'));
    CHECK(p.window.IsSelected("Option6"));
    // Stored as it was, 2 bytes a character: start-up writes nothing.
    CHECK(p.store.Value(HKCU, kSecurity, "Level1Remove")->bytes.size() == 200000);
}

TEST_CASE("the plain words for a refused write name the setting and the true reason") {
    using Cause = ChangeFailure::Cause;
    // Each reason in full: the setting and the side, why, and that nothing changed.
    struct Row {
        TweakId id;
        Side side;
        ChangeFailure failure;
        std::string reason;
    };
    const std::vector<Row> rows = {
        {TweakId::deskicon,
         Side::On,
         {Cause::AccessDenied, 5},
         "Windows refused access: this setting applies to every user of the computer, so "
         "changing it needs administrator rights. Start Brevlin as an administrator and try "
         "again."},
        {TweakId::bcc,
         Side::Off,
         {Cause::AccessDenied, 5},
         "Windows refused access to the registry key where Outlook keeps this setting. Your "
         "account may not be allowed to change it."},
        // Hide over a key that holds subkeys: rights would not help.
        {TweakId::deskicon,
         Side::Off,
         {Cause::ForeignSubkeys, 5},
         "Windows would not delete the registry key HKEY_LOCAL_MACHINE\\" + kDeskIcon +
             " because another program has made subkeys in it. Brevlin deletes only the key "
             "itself: remove its subkeys with the Registry Editor, then try again."},
        {TweakId::plaintext,
         Side::On,
         {Cause::KeyVanished, 1018},
         "The registry key disappeared while Brevlin was changing it. Please try again."},
        {TweakId::msn, Side::On, {Cause::WindowsError, 1359}, "Windows reported error 1359."},
    };
    for (const Row& row : rows) {
        const Tweak& tweak = CatalogueEntry(row.id);
        CHECK(WriteFailureMessage(tweak, row.side, row.failure) ==
              "The setting \"" + std::string(tweak.frame_caption) +
                  "\" could not be changed to \"" + std::string(tweak.choice(row.side).caption) +
                  "\".\n\n" + row.reason + "\n\nThe setting is as it was before.");
    }

    // Refused twice: the value in the key the write made, then that key's
    // removal (an account that may make subkeys, and neither set values nor
    // delete keys). The key is named; only a clean registry is "as before".
    RegistryStore store;
    const std::string outlook = "Software\\Microsoft\\Office\\10.0\\Outlook";
    store.Put(HKCU, outlook, "kept", regtype::kDword, Dword(1));
    store.Refuse(HKCU, outlook, kRefuseSet | kRefuseDelete);
    const Tweak& attach = CatalogueEntry(TweakId::attach);
    const ChangeResult refused = WriteSide(store, attach, Side::Off, attach.off.text);
    REQUIRE(refused);
    CHECK(refused->left_behind == kSecurity);
    CHECK(WriteFailureMessage(attach, Side::Off, *refused) ==
          "The setting \"Attachment Security\" could not be changed to \"Disabled\".\n\n"
          "Windows refused access to the registry key where Outlook keeps this setting. Your "
          "account may not be allowed to change it.\n\n"
          "The setting itself is unchanged, but Brevlin made the registry key "
          "HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\10.0\\Outlook\\Security on the way, "
          "and Windows would not let it remove that key again. No setting is stored in it.");
    CHECK(
        store.Dump() ==
        "HKCU\nHKCU\\Software\nHKCU\\Software\\Microsoft\nHKCU\\Software\\Microsoft\\Office\n"
        "HKCU\\Software\\Microsoft\\Office\\10.0\nHKCU\\Software\\Microsoft\\Office\\10.0\\Outlook\n"
        "HKCU\\Software\\Microsoft\\Office\\10.0\\Outlook : kept = 4 [ 1 0 0 0 ]\n"
        "HKCU\\Software\\Microsoft\\Office\\10.0\\Outlook\\Security\nHKLM\n");
}
