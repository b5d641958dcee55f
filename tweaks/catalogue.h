// The seven Outlook settings that Brevlin switches: which frame and buttons
// show each, where it lives in the registry, and what each button writes.
// The window's frames and buttons take their names and captions from here.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "registry/platform.h"

namespace brevlin {

// In the order the window reads them at start-up.
enum class TweakId : std::uint8_t { attach, bcc, systray, msn, plaintext, logging, deskicon };

// On is the left button, which switches the frame's feature on.
enum class Side : std::uint8_t { On, Off };

constexpr Side Other(Side side) { return side == Side::On ? Side::Off : Side::On; }

enum class ValueKind : std::uint8_t {
    StringValue,  // REG_SZ, through WriteString / ReadString
    DwordValue,   // REG_DWORD, through WriteDword / ReadDword
    KeyPresence,  // the key itself, through CreateKey / DeleteKey; never read
};

// One of an entry's two option buttons and what selecting it stores.
struct Choice {
    std::string_view button;  // control name
    std::string_view caption;
    std::string_view text = {};  // StringValue data
    std::int32_t number = 0;     // DwordValue data
};

struct Tweak {
    TweakId id;
    std::string_view name;  // the id as text, as the command line takes it
    std::string_view frame;
    std::string_view frame_caption;
    Choice on;
    Choice off;
    RegRoot root;
    std::string_view key_path;
    std::string_view value_name;  // empty for KeyPresence
    ValueKind kind;
    std::string_view holder;  // hidden control the read value goes into; empty if none
    // The holder text that means On; any other text means Off.
    std::string_view on_when_holder_is;

    constexpr const Choice& choice(Side side) const { return side == Side::On ? on : off; }
    constexpr bool IsRead() const { return kind != ValueKind::KeyPresence; }
};

// Writing this list as Level1Remove lets Outlook open these 43 attachment
// types; the empty list keeps them blocked.
inline constexpr std::string_view kUnblockedExtensions =
    "adp;mdb;asx;mda;mdz;exe;com;reg;bat;scr;ade;bas;vb;vbs;chm;cmd;cpl;crt;hlp;hta;inf;ins;"
    "isp;js;jse;lnk;mde;msi;msp;msc;mst;pcd;pif;prf;scf;sct;shb;shs;url;vbe;wsc;wsf;wsh";

namespace catalogue_keys {
inline constexpr std::string_view kSecurity =
    "Software\\Microsoft\\Office\\10.0\\Outlook\\Security";
inline constexpr std::string_view kPreferences =
    "Software\\Microsoft\\Office\\10.0\\Outlook\\Preferences";
inline constexpr std::string_view kIm = "Software\\Microsoft\\Office\\10.0\\Outlook\\IM";
inline constexpr std::string_view kMail =
    "Software\\Microsoft\\Office\\10.0\\Outlook\\Options\\Mail";
inline constexpr std::string_view kDesktopIcon =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace\\"
    "{00020D75-0000-0000-C000-000000000046}";
}  // namespace catalogue_keys

// clang-format off
inline constexpr std::array<Tweak, 7> kCatalogue{{
    {.id = TweakId::attach, .name = "attach",
     .frame = "Frame1", .frame_caption = "Attachment Security",
     .on = {.button = "Option3", .caption = "Enabled", .text = ""},
     .off = {.button = "Option6", .caption = "Disabled", .text = kUnblockedExtensions},
     .root = RegRoot::CurrentUser, .key_path = catalogue_keys::kSecurity,
     .value_name = "Level1Remove", .kind = ValueKind::StringValue,
     .holder = "Text2", .on_when_holder_is = ""},
    {.id = TweakId::bcc, .name = "bcc",
     .frame = "Frame3", .frame_caption = "Show BCC Field",
     .on = {.button = "Option4", .caption = "Enabled", .number = 1},
     .off = {.button = "Option5", .caption = "Disabled", .number = 0},
     .root = RegRoot::CurrentUser, .key_path = catalogue_keys::kPreferences,
     .value_name = "ShowBcc", .kind = ValueKind::DwordValue,
     .holder = "Label6", .on_when_holder_is = "1"},
    {.id = TweakId::systray, .name = "systray",
     .frame = "Frame2", .frame_caption = "Minimize to system tray",
     .on = {.button = "Option1", .caption = "Yes", .number = 1},
     .off = {.button = "Option2", .caption = "No", .number = 0},
     .root = RegRoot::CurrentUser, .key_path = catalogue_keys::kPreferences,
     .value_name = "MinToTray", .kind = ValueKind::DwordValue,
     .holder = "Label5", .on_when_holder_is = "1"},
    {.id = TweakId::msn, .name = "msn",
     .frame = "Frame4", .frame_caption = "MSN Integration",
     .on = {.button = "Option7", .caption = "Enable", .number = 1},
     .off = {.button = "Option8", .caption = "Disable", .number = 0},
     .root = RegRoot::CurrentUser, .key_path = catalogue_keys::kIm,
     .value_name = "Enabled", .kind = ValueKind::DwordValue,
     .holder = "Label7", .on_when_holder_is = "1"},
    {.id = TweakId::plaintext, .name = "plaintext",
     .frame = "Frame5", .frame_caption = "View PlainText only",
     .on = {.button = "Option10", .caption = "Enable", .number = 1},
     .off = {.button = "Option9", .caption = "Disable", .number = 0},
     .root = RegRoot::CurrentUser, .key_path = catalogue_keys::kMail,
     .value_name = "ReadAsPlain", .kind = ValueKind::DwordValue,
     .holder = "Label9", .on_when_holder_is = "1"},
    {.id = TweakId::logging, .name = "logging",
     .frame = "Frame7", .frame_caption = "Log activity",
     .on = {.button = "Option14", .caption = "Enable", .number = 1},
     .off = {.button = "Option13", .caption = "Disable", .number = 0},
     .root = RegRoot::CurrentUser, .key_path = catalogue_keys::kMail,
     .value_name = "EnableLogging", .kind = ValueKind::DwordValue,
     .holder = "lbl50", .on_when_holder_is = "1"},
    {.id = TweakId::deskicon, .name = "deskicon",
     .frame = "Frame6", .frame_caption = "Icon on Desktop",
     .on = {.button = "Option12", .caption = "Show"},
     .off = {.button = "Option11", .caption = "Hide"},
     .root = RegRoot::LocalMachine, .key_path = catalogue_keys::kDesktopIcon,
     .value_name = "", .kind = ValueKind::KeyPresence,
     .holder = "", .on_when_holder_is = ""},
}};
// clang-format on

// Each entry stands at its id's place, so an id indexes the table.
static_assert([] {
    for (std::size_t i = 0; i < kCatalogue.size(); ++i)
        if (static_cast<std::size_t>(kCatalogue[i].id) != i) return false;
    return true;
}());

inline constexpr std::size_t kTweakCount = kCatalogue.size();

// The table when compiling (the window's layout builds its frames and
// buttons from it); at run time everything goes through the functions
// below, so that the program holds one copy of the table and its texts
// rather than one in every file that reads it.
constexpr const Tweak& CatalogueEntry(TweakId id) {
    return kCatalogue[static_cast<std::size_t>(id)];
}
std::span<const Tweak> Catalogue();
const Tweak& TweakFor(TweakId id);
// The entry whose name is this text, as the command line spells it.
const Tweak* TweakNamed(std::string_view name);

struct ButtonRef {
    const Tweak* tweak;
    Side side;
};
// The entry and side of an option button, by its control name.
std::optional<ButtonRef> FindButton(std::string_view control);

}  // namespace brevlin
