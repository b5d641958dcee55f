#include "ui/texts.h"

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

std::string WebSiteTooltip() { return "Click to visit " + std::string(kWebSite); }

std::optional<std::string> ShellText(const ShellArgument& argument) {
    if (const auto* text = std::get_if<std::string>(&argument)) return *text;
    const long number = std::get<long>(argument);
    if (number == 0) return std::nullopt;
    return Decimal(number);
}

}  // namespace brevlin::ui
