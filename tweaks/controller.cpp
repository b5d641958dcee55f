#include "tweaks/controller.h"

#include <string>

#include "tweaks/settings.h"

namespace brevlin {
namespace {

std::size_t IndexOf(TweakId id) { return static_cast<std::size_t>(id); }

// Clicks raised while the flag is set come from the controller, not the user.
class SelectingByCode {
public:
    explicit SelectingByCode(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
    ~SelectingByCode() { flag_ = before_; }
    SelectingByCode(const SelectingByCode&) = delete;
    SelectingByCode& operator=(const SelectingByCode&) = delete;

private:
    bool& flag_;
    bool before_;
};

}  // namespace

SettingsController::SettingsController(RegistryPlatform& registry, WindowOperations& window)
    : registry_(registry), window_(window) {}

std::optional<Side> SettingsController::Shown(TweakId id) const { return shown_[IndexOf(id)]; }

void SettingsController::LoadSettings() {
    SelectingByCode by_code(selecting_);
    for (const Tweak& tweak : Catalogue()) {
        if (tweak.IsRead()) {
            ShowStored(tweak);
        } else {
            Show(tweak, std::nullopt);  // never read: neither button
        }
    }
}

void SettingsController::ShowStored(const Tweak& tweak) {
    // The decision is made on what the holder shows, not on the value itself.
    window_.SetHolderText(tweak.holder, ReadStoredText(registry_, tweak));
    Show(tweak, SideOf(tweak, window_.HolderText(tweak.holder)));
}

void SettingsController::OnOptionClick(std::string_view button) {
    if (selecting_) return;
    const std::optional<ButtonRef> clicked = FindButton(button);
    if (!clicked) return;
    const Tweak& tweak = *clicked->tweak;

    const std::string holder_before = tweak.holder.empty() ? "" : window_.HolderText(tweak.holder);
    const mdlreg::WriteResult result = Store(tweak, clicked->side);
    if (result.ok()) {
        shown_[IndexOf(tweak.id)] = clicked->side;
        return;
    }
    if (!tweak.holder.empty()) window_.SetHolderText(tweak.holder, holder_before);
    Show(tweak, shown_[IndexOf(tweak.id)]);
    window_.ReportWriteFailure(tweak, clicked->side, result);
}

mdlreg::WriteResult SettingsController::Store(const Tweak& tweak, Side side) {
    if (tweak.kind != ValueKind::StringValue) return WriteSide(registry_, tweak, side, {});
    // The text passes through its holder, and what the holder then shows is
    // what gets stored.
    window_.SetHolderText(tweak.holder, tweak.choice(side).text);
    return WriteSide(registry_, tweak, side, window_.HolderText(tweak.holder));
}

void SettingsController::Show(const Tweak& tweak, std::optional<Side> side) {
    SelectingByCode by_code(selecting_);
    if (side) {
        window_.SetSelected(tweak.choice(*side).button, true);
    } else {
        window_.SetSelected(tweak.on.button, false);
        window_.SetSelected(tweak.off.button, false);
    }
    shown_[IndexOf(tweak.id)] = side;
}

}  // namespace brevlin
