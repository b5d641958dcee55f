#include "tweaks/catalogue.h"

namespace brevlin {

std::span<const Tweak> Catalogue() { return kCatalogue; }

const Tweak* TweakNamed(std::string_view name) {
    for (const Tweak& tweak : kCatalogue)
        if (tweak.name == name) return &tweak;
    return nullptr;
}

}  // namespace brevlin
