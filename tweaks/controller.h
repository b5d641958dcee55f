// The settings controller: reads the stored settings into the window at
// start-up, and writes a setting when the user selects one of its buttons.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "registry/mdlreg.h"
#include "tweaks/catalogue.h"

namespace brevlin {

// What the controller needs of a window. Selecting a button follows the
// selection rule: the other button of its frame is cleared, and a button that
// becomes selected raises its click at once, nested in the call, which the
// window passes to SettingsController::OnOptionClick. Clearing raises nothing.
class WindowOperations {
public:
    virtual ~WindowOperations() = default;
    virtual void SetSelected(std::string_view button, bool selected) = 0;
    virtual void SetHolderText(std::string_view holder, std::string_view text) = 0;
    virtual std::string HolderText(std::string_view holder) const = 0;
    // A selection could not be stored; the frame already shows its old state.
    virtual void ReportWriteFailure(const Tweak& tweak, Side side,
                                    const mdlreg::WriteResult& result) = 0;
};

class SettingsController {
public:
    SettingsController(RegistryPlatform& registry, WindowOperations& window);

    // Shows the stored state of the six readable settings. Writes nothing:
    // merely opening the program must never change a setting.
    void LoadSettings();

    // The click handler of all fourteen option buttons: `button` has just
    // become selected. Stores its data; if that fails, puts the frame back.
    void OnOptionClick(std::string_view button);

    // The side last shown as stored, or none (the desktop icon until chosen).
    std::optional<Side> Shown(TweakId id) const;

private:
    void ShowStored(const Tweak& tweak);
    mdlreg::WriteResult Store(const Tweak& tweak, Side side);
    void Show(const Tweak& tweak, std::optional<Side> side);

    RegistryPlatform& registry_;
    WindowOperations& window_;
    std::array<std::optional<Side>, 7> shown_{};
    // Set while the controller itself selects buttons, so that the clicks
    // this raises do not write.
    bool selecting_ = false;
};

}  // namespace brevlin
