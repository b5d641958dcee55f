// The window's fixed texts: the default tip, link targets, the farewell, and
// the title of the warning for a setting that could not be changed (its words
// are the settings' own, in tweaks/settings.h). Portable.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace brevlin::ui {

inline constexpr std::string_view kDefaultTip =
    "Watch this area for tips and assistance... Your changes are applied as you select them.";

extern const std::string_view kWebSite;
// The pop-up tooltip of the copyright label, which links to the web site.
std::string WebSiteTooltip();
extern const std::string_view kDonationUrl;

// The farewell box: text, title and style (information icon, one OK button).
extern const std::string_view kFarewellText;
extern const std::string_view kFarewellTitle;
constexpr unsigned kFarewellStyle = 64;

// A shell argument is a text or a number. A number becomes its digits,
// except 0, which means "none": passing the text "0" as a working directory
// would send the shell looking for a folder of that name.
using ShellArgument = std::variant<std::string, long>;
std::optional<std::string> ShellText(const ShellArgument& argument);

// The title of the warning that a selection did not change its setting.
extern const std::string_view kWarningTitle;

}  // namespace brevlin::ui
