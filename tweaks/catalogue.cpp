#include "tweaks/catalogue.h"

namespace brevlin {

std::span<const Tweak> Catalogue() { return kCatalogue; }

}  // namespace brevlin
