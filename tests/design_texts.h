// The texts the window shows or hands to the shell, written out here from
// the design, so that the tests compare what the program shows with what it
// should show, never with the program's own constants. The design leaves the
// maker's addresses open; they are the ones the program was released with.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace brevlin::test {

inline constexpr std::string_view kWindowCaption = "Brevlin - Quenbrook";
inline constexpr std::string_view kCopyright = "Copyright (c) 2002 Quenbrook";

// Three full stops, not an ellipsis.
inline constexpr std::string_view kDefaultTip =
    "Watch this area for tips and assistance... Your changes are applied as you select them.";

// The maker's home page, scheme and host only, which the copyright line opens.
inline constexpr std::string_view kWebSite = "http://www.quenbrook.com";
inline constexpr std::string_view kWebSiteTooltip = "Click to visit http://www.quenbrook.com";

// Its parameters follow the last slash directly, without a "?", in this order.
inline constexpr std::string_view kDonationUrl =
    "https://www.paypal.com/xclick/"
    "business=donate%40quenbrook.com"
    "&item_name=Quenbrook.com+-+Brevlin+Donation%21"
    "&item_number=brevlin"
    "&amount=3.00"
    "&no_shipping=1"
    "&no_note=1"
    "&tax=0"
    "&currency_code=USD";

// Six lines, the third empty, nothing after the last; the title's double n
// is the design's.
inline constexpr std::string_view kFarewellText =
    "If you made changes, they have been applied.\r\n"
    "You should restart Outlook in order to see the changes.\r\n"
    "\r\n"
    "Thank you for using Brevlin.\r\n"
    "Please remember that free software such as this can only exist through the support of "
    "its users.\r\n"
    "Your comments and donations are welcomed and appreciated!";
inline constexpr std::string_view kFarewellTitle = "Thannks for using Brevlin!";

struct NamedText {
    std::string_view name;
    std::string_view text;
};

// Each control's designed caption, or the text box's initial text; the
// controls not named here have none.
// clang-format off
inline constexpr std::array<NamedText, 26> kControlTexts{{
    {"Frame1", "Attachment Security"}, {"Option3", "Enabled"}, {"Option6", "Disabled"},
    {"Frame3", "Show BCC Field"}, {"Option4", "Enabled"}, {"Option5", "Disabled"},
    {"Frame2", "Minimize to system tray"}, {"Option1", "Yes"}, {"Option2", "No"},
    {"Frame4", "MSN Integration"}, {"Option7", "Enable"}, {"Option8", "Disable"},
    {"Frame5", "View PlainText only"}, {"Option10", "Enable"}, {"Option9", "Disable"},
    {"Frame6", "Icon on Desktop"}, {"Option12", "Show"}, {"Option11", "Hide"},
    {"Frame7", "Log activity"}, {"Option14", "Enable"}, {"Option13", "Disable"},
    {"Label2", "Brevlin 3.0 for Microsoft Outlook"}, {"Label3", kCopyright},
    {"Label8", "Exit Brevlin"}, {"lbltip", kDefaultTip}, {"Text2", "Text1"},
}};

// The tip each element puts in the tip area; the elements not named here
// leave it alone. The design's table leaves out the donation picture's row
// (it counts twelve): that one tip is copied from the program as released.
inline constexpr std::array<NamedText, 12> kTips{{
    {"frmmain", kDefaultTip},
    {"Label2", kDefaultTip},
    {"lbltip", kDefaultTip},
    {"Frame1", "This option will allow you to disable the Attachment Security feature of Microsoft Outlook."},
    {"Frame2", "This option will allow Microsoft Outlook to minimize to the Windows system tray (iconized beside the clock)."},
    {"Frame3", "This option will allow you to enable the BCC field of Microsoft Outlook making it visible in all new messages."},
    {"Frame4", "This option will turn off MSN integration of Microsoft Outlook. This will cause it to not start when Outlook is opened."},
    {"Frame5", "Disables HTML in incoming messages, thus removing possibly offensive or dangerous scripts and images."},
    {"Frame6", "Show the Outlook icon on your Desktop (this icon contains special functionality; it is not just a shortcut)."},
    {"Frame7", "This option allows you to log all Outlook activity to a text file in your Temp directory."},
    {"Label3", "Click here to visit our website, www.quenbrook.com"},
    {"ppaypal", "Click here to make a donation through PayPal. Your support keeps this software free."},
}};
// clang-format on

template <std::size_t N>
constexpr std::optional<std::string_view> TextNamed(const std::array<NamedText, N>& table,
                                                    std::string_view name) {
    for (const NamedText& entry : table)
        if (entry.name == name) return entry.text;
    return std::nullopt;
}

// The tip of an element, or nothing for one without.
constexpr std::optional<std::string_view> DesignedTip(std::string_view element) {
    return TextNamed(kTips, element);
}

// A control's designed text; empty for one without.
constexpr std::string_view DesignedText(std::string_view control) {
    return TextNamed(kControlTexts, control).value_or("");
}

}  // namespace brevlin::test
