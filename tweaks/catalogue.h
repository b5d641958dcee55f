// The seven Outlook settings that Brevlin switches: what each is called,
// where it lives in the registry, and what each of its two sides stores.
// Nothing here knows the window: it shows a setting and its sides by its own
// table, and takes the captions from here, as the command line does.
#pragma once

#include <array>
#include <cstdint>
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

// One of an entry's two sides: its caption and what choosing it stores.
struct Choice {
    std::string_view caption;
    std::string_view text = {};  // StringValue data
    std::int32_t number = 0;     // DwordValue data
};

struct Tweak {
    TweakId id;
    std::string_view name;  // the id as text, as the command line takes it
    std::string_view frame_caption;
    Choice on;
    Choice off;
    RegRoot root;
    std::string_view key_path;
    std::string_view value_name;  // empty for KeyPresence
    ValueKind kind;
    // The text read into the setting's holder that means On; any other text
    // means Off. Only the settings that are read have a holder.
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
    {.id = TweakId::attach, .name = "attach", .frame_caption = "Attachment Security",
     .on = {.caption = "Enabled", .text = ""},
     .off = {.caption = "Disabled", .text = kUnblockedExtensions},
     .root = RegRoot::CurrentUser, .key_path = catalogue_keys::kSecurity,
     .value_name = "Level1Remove", .kind = ValueKind::StringValue, .on_when_holder_is = ""},
    {.id = TweakId::bcc, .name = "bcc", .frame_caption = "Show BCC Field",
     .on = {.caption = "Enabled", .number = 1},
     .off = {.caption = "Disabled", .number = 0},
     .root = RegRoot::CurrentUser, .key_path = catalogue_keys::kPreferences,
     .value_name = "ShowBcc", .kind = ValueKind::DwordValue, .on_when_holder_is = "1"},
    {.id = TweakId::systray, .name = "systray", .frame_caption = "Minimize to system tray",
     .on = {.caption = "Yes", .number = 1},
     .off = {.caption = "No", .number = 0},
     .root = RegRoot::CurrentUser, .key_path = catalogue_keys::kPreferences,
     .value_name = "MinToTray", .kind = ValueKind::DwordValue, .on_when_holder_is = "1"},
    {.id = TweakId::msn, .name = "msn", .frame_caption = "MSN Integration",
     .on = {.caption = "Enable", .number = 1},
     .off = {.caption = "Disable", .number = 0},
     .root = RegRoot::CurrentUser, .key_path = catalogue_keys::kIm,
     .value_name = "Enabled", .kind = ValueKind::DwordValue, .on_when_holder_is = "1"},
    {.id = TweakId::plaintext, .name = "plaintext", .frame_caption = "View PlainText only",
     .on = {.caption = "Enable", .number = 1},
     .off = {.caption = "Disable", .number = 0},
     .root = RegRoot::CurrentUser, .key_path = catalogue_keys::kMail,
     .value_name = "ReadAsPlain", .kind = ValueKind::DwordValue, .on_when_holder_is = "1"},
    {.id = TweakId::logging, .name = "logging", .frame_caption = "Log activity",
     .on = {.caption = "Enable", .number = 1},
     .off = {.caption = "Disable", .number = 0},
     .root = RegRoot::CurrentUser, .key_path = catalogue_keys::kMail,
     .value_name = "EnableLogging", .kind = ValueKind::DwordValue, .on_when_holder_is = "1"},
    {.id = TweakId::deskicon, .name = "deskicon", .frame_caption = "Icon on Desktop",
     .on = {.caption = "Show"},
     .off = {.caption = "Hide"},
     .root = RegRoot::LocalMachine, .key_path = catalogue_keys::kDesktopIcon,
     .value_name = "", .kind = ValueKind::KeyPresence, .on_when_holder_is = ""},
}};
// clang-format on

// A setting's place in the table, and in every array kept per setting.
constexpr std::size_t IndexOf(TweakId id) { return static_cast<std::size_t>(id); }

// Each entry stands at its id's place, so an id indexes the table.
static_assert([] {
    for (std::size_t i = 0; i < kCatalogue.size(); ++i)
        if (IndexOf(kCatalogue[i].id) != i) return false;
    return true;
}());

inline constexpr std::size_t kTweakCount = kCatalogue.size();

// The table when compiling (the window's layout points its frames, buttons
// and holders at its entries); at run time everything goes through the
// functions below, so that the program holds one copy of the table and its
// texts rather than one in every file that reads it.
constexpr const Tweak& CatalogueEntry(TweakId id) { return kCatalogue[IndexOf(id)]; }
std::span<const Tweak> Catalogue();

}  // namespace brevlin
