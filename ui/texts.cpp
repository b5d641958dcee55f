#include "ui/texts.h"

#include <array>
#include <utility>

#include "tweaks/decimal.h"

namespace brevlin::ui {

const std::string_view kWebSite = "http://www.quenbrook.com";
const std::string_view kDonationUrl =
    "https://www.paypal.com/xclick/business=donate%40quenbrook.com"
    "&item_name=Quenbrook.com+-+Brevlin+Donation%21&item_number=brevlin&amount=3.00"
    "&no_shipping=1&no_note=1&tax=0&currency_code=USD";

const std::string_view kFarewellText =
    "If you made changes, they have been applied.\r\n"
    "You should restart Outlook in order to see the changes.\r\n"
    "\r\n"
    "Thank you for using Brevlin.\r\n"
    "Please remember that free software such as this can only exist through the support of "
    "its users.\r\n"
    "Your comments and donations are welcomed and appreciated!";
const std::string_view kFarewellTitle = "Thannks for using Brevlin!";

const std::string_view kWarningTitle = "Brevlin";

namespace {

// clang-format off
constexpr std::array<std::pair<std::string_view, std::string_view>, 12> kTips{{
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

}  // namespace

std::optional<std::string_view> TipFor(std::string_view element) {
    for (const auto& [name, tip] : kTips)
        if (name == element) return tip;
    return std::nullopt;
}

std::string WebSiteTooltip() { return "Click to visit " + std::string(kWebSite); }

std::optional<std::string> ShellText(const ShellArgument& argument) {
    if (const auto* text = std::get_if<std::string>(&argument)) return *text;
    const long number = std::get<long>(argument);
    if (number == 0) return std::nullopt;
    return Decimal(number);
}

}  // namespace brevlin::ui
