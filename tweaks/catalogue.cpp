#include "tweaks/catalogue.h"

namespace brevlin {

std::span<const Tweak> Catalogue() { return kCatalogue; }

const Tweak& TweakFor(TweakId id) { return CatalogueEntry(id); }

const Tweak* TweakNamed(std::string_view name) {
    for (const Tweak& tweak : kCatalogue)
        if (tweak.name == name) return &tweak;
    return nullptr;
}

std::optional<ButtonRef> FindButton(std::string_view control) {
    for (const Tweak& tweak : kCatalogue) {
        if (tweak.on.button == control) return ButtonRef{&tweak, Side::On};
        if (tweak.off.button == control) return ButtonRef{&tweak, Side::Off};
    }
    return std::nullopt;
}

}  // namespace brevlin
