// The settings controller: reads the stored settings into the window at
// start-up, and stores a setting when the user chooses one of its buttons.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "registry/platform.h"
#include "tweaks/catalogue.h"
#include "tweaks/settings.h"

namespace brevlin {

// What the controller needs of a window, in settings and sides: the window
// alone knows which of its controls shows which. Selecting a side clears the
// other side of the setting and touches no other setting.
class WindowOperations {
public:
    virtual ~WindowOperations() = default;
    virtual void Select(const Tweak& tweak, Side side) = 0;
    virtual void ClearBoth(const Tweak& tweak) = 0;
    // The text of a setting's holder; only the settings that are read have one.
    virtual void SetHolderText(const Tweak& tweak, std::string_view text) = 0;
    virtual std::string HolderText(const Tweak& tweak) const = 0;
    // A choice could not be stored; the frame already shows its old state.
    virtual void ReportWriteFailure(const Tweak& tweak, Side side,
                                    const ChangeFailure& failure) = 0;
};

// A holder keeps at most this many characters of what start-up read: all a
// text box holds, and more than the window ever shows (it shows none). The
// side is decided before the text is cut, and cutting never turns a text
// that is not empty into an empty one.
inline constexpr std::size_t kHolderLimit = 32767;

class SettingsController {
public:
    SettingsController(RegistryPlatform& registry, WindowOperations& window);

    // Shows the stored state of the six readable settings. Writes nothing:
    // merely opening the program must never change a setting.
    void LoadSettings();

    // The user chose a button of a setting (a click or Space on it, or an
    // arrow key within its frame), selected or not: its data is stored
    // again, and the window shows the choice, or the old state and why not.
    void OnUserChoice(const Tweak& tweak, Side side);

private:
    ChangeResult Store(const Tweak& tweak, Side side);
    void Show(const Tweak& tweak, std::optional<Side> side);

    RegistryPlatform& registry_;
    WindowOperations& window_;
    // The side last shown as stored, or none (the desktop icon until chosen).
    std::array<std::optional<Side>, kTweakCount> shown_{};
};

}  // namespace brevlin
