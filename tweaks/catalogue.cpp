#include "tweaks/catalogue.h"

#include <array>

namespace brevlin {
namespace {

constexpr std::string_view kSecurity = "Software\\Microsoft\\Office\\10.0\\Outlook\\Security";
constexpr std::string_view kPreferences =
    "Software\\Microsoft\\Office\\10.0\\Outlook\\Preferences";
constexpr std::string_view kIm = "Software\\Microsoft\\Office\\10.0\\Outlook\\IM";
constexpr std::string_view kMail = "Software\\Microsoft\\Office\\10.0\\Outlook\\Options\\Mail";
constexpr std::string_view kDesktopIcon =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace\\"
    "{00020D75-0000-0000-C000-000000000046}";

constexpr auto HKCU = RegRoot::CurrentUser;
constexpr auto HKLM = RegRoot::LocalMachine;
constexpr auto Text = ValueKind::StringValue;
constexpr auto Dword = ValueKind::DwordValue;

// clang-format off
constexpr std::array<Tweak, 7> kTweaks{{
    {TweakId::attach, "Frame1", "Attachment Security",
     {"Option3", "Enabled", "", 0}, {"Option6", "Disabled", kUnblockedExtensions, 0},
     HKCU, kSecurity, "Level1Remove", Text, "Text2", ""},
    {TweakId::bcc, "Frame3", "Show BCC Field",
     {"Option4", "Enabled", "", 1}, {"Option5", "Disabled", "", 0},
     HKCU, kPreferences, "ShowBcc", Dword, "Label6", "1"},
    {TweakId::systray, "Frame2", "Minimize to system tray",
     {"Option1", "Yes", "", 1}, {"Option2", "No", "", 0},
     HKCU, kPreferences, "MinToTray", Dword, "Label5", "1"},
    {TweakId::msn, "Frame4", "MSN Integration",
     {"Option7", "Enable", "", 1}, {"Option8", "Disable", "", 0},
     HKCU, kIm, "Enabled", Dword, "Label7", "1"},
    {TweakId::plaintext, "Frame5", "View PlainText only",
     {"Option10", "Enable", "", 1}, {"Option9", "Disable", "", 0},
     HKCU, kMail, "ReadAsPlain", Dword, "Label9", "1"},
    {TweakId::logging, "Frame7", "Log activity",
     {"Option14", "Enable", "", 1}, {"Option13", "Disable", "", 0},
     HKCU, kMail, "EnableLogging", Dword, "lbl50", "1"},
    {TweakId::deskicon, "Frame6", "Icon on Desktop",
     {"Option12", "Show", "", 0}, {"Option11", "Hide", "", 0},
     HKLM, kDesktopIcon, "", ValueKind::KeyPresence, "", ""},
}};
// clang-format on

}  // namespace

std::span<const Tweak> Catalogue() { return kTweaks; }

const Tweak& TweakFor(TweakId id) { return kTweaks[static_cast<std::size_t>(id)]; }

std::optional<ButtonRef> FindButton(std::string_view control) {
    for (const Tweak& tweak : kTweaks) {
        if (tweak.on.button == control) return ButtonRef{&tweak, Side::On};
        if (tweak.off.button == control) return ButtonRef{&tweak, Side::Off};
    }
    return std::nullopt;
}

}  // namespace brevlin
