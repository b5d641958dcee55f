#include "tweaks/controller.h"

#include "tweaks/settings.h"

namespace brevlin {
namespace {

std::size_t IndexOf(TweakId id) { return static_cast<std::size_t>(id); }

}  // namespace

SettingsController::SettingsController(RegistryPlatform& registry, WindowOperations& window)
    : registry_(registry), window_(window) {}

std::optional<Side> SettingsController::Shown(TweakId id) const { return shown_[IndexOf(id)]; }

void SettingsController::LoadSettings() {
    for (const Tweak& tweak : Catalogue()) {
        if (!tweak.IsRead()) {
            Show(tweak, std::nullopt);  // never read: neither button
            continue;
        }
        std::string stored = ReadStoredText(registry_, tweak);
        if (stored.size() > kHolderLimit) stored.resize(kHolderLimit);
        // The decision is made on what the holder shows, not on the value itself.
        window_.SetHolderText(tweak.holder, stored);
        Show(tweak, SideOf(tweak, window_.HolderText(tweak.holder)));
    }
}

void SettingsController::OnUserChoice(const Tweak& tweak, Side side) {
    const std::string holder_before = tweak.holder.empty() ? "" : window_.HolderText(tweak.holder);
    const mdlreg::WriteResult result = Store(tweak, side);
    if (result.ok()) {
        Show(tweak, side);
        return;
    }
    if (!tweak.holder.empty()) window_.SetHolderText(tweak.holder, holder_before);
    Show(tweak, shown_[IndexOf(tweak.id)]);
    window_.ReportWriteFailure(tweak, side, result);
}

mdlreg::WriteResult SettingsController::Store(const Tweak& tweak, Side side) {
    if (tweak.kind != ValueKind::StringValue) return WriteSide(registry_, tweak, side, {});
    // The text passes through its holder, and what the holder then shows is
    // what gets stored.
    window_.SetHolderText(tweak.holder, tweak.choice(side).text);
    return WriteSide(registry_, tweak, side, window_.HolderText(tweak.holder));
}

void SettingsController::Show(const Tweak& tweak, std::optional<Side> side) {
    if (side) {
        window_.SetSelected(tweak.choice(*side).button, true);
    } else {
        window_.SetSelected(tweak.on.button, false);
        window_.SetSelected(tweak.off.button, false);
    }
    shown_[IndexOf(tweak.id)] = side;
}

}  // namespace brevlin
