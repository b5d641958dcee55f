#include "tweaks/controller.h"

#include "tweaks/settings.h"

namespace brevlin {
SettingsController::SettingsController(RegistryPlatform& registry, WindowOperations& window)
    : registry_(registry), window_(window) {}

void SettingsController::LoadSettings() {
    for (const Tweak& tweak : Catalogue()) {
        if (!tweak.IsRead()) {
            Show(tweak, std::nullopt);  // never read: neither button
            continue;
        }
        std::string stored = ReadStoredText(registry_, tweak);
        if (stored.size() > kHolderLimit) stored.resize(kHolderLimit);
        // The decision is made on what the holder shows, not on the value itself.
        window_.SetHolderText(tweak, stored);
        Show(tweak, SideOf(tweak, window_.HolderText(tweak)));
    }
}

void SettingsController::OnUserChoice(const Tweak& tweak, Side side) {
    const std::string holder_before = tweak.IsRead() ? window_.HolderText(tweak) : "";
    const ChangeResult refused = Store(tweak, side);
    if (!refused) {
        Show(tweak, side);
        return;
    }
    if (tweak.IsRead()) window_.SetHolderText(tweak, holder_before);
    Show(tweak, shown_[IndexOf(tweak.id)]);
    window_.ReportWriteFailure(tweak, side, *refused);
}

ChangeResult SettingsController::Store(const Tweak& tweak, Side side) {
    if (tweak.kind != ValueKind::StringValue) return WriteSide(registry_, tweak, side, {});
    // The text passes through its holder, and what the holder then shows is
    // what gets stored.
    window_.SetHolderText(tweak, tweak.choice(side).text);
    return WriteSide(registry_, tweak, side, window_.HolderText(tweak));
}

void SettingsController::Show(const Tweak& tweak, std::optional<Side> side) {
    if (side) {
        window_.Select(tweak, *side);
    } else {
        window_.ClearBoth(tweak);
    }
    shown_[IndexOf(tweak.id)] = side;
}

}  // namespace brevlin
