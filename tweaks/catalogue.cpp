#include "tweaks/catalogue.h"

namespace brevlin {

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
