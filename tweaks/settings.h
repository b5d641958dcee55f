// What the window and the command line both do with a setting: tell the
// side its stored value stands for, store one side, and say in plain words
// why a store did not happen. Written once, so both front ends agree.
#pragma once

#include <string>
#include <string_view>

#include "registry/mdlreg.h"
#include "tweaks/catalogue.h"

namespace brevlin {

// What the start-up read of a setting yields as text: the stored text, or
// a number's decimal digits ("0" when nothing can be read). Only for the
// settings that are read.
std::string ReadStoredText(RegistryPlatform& registry, const Tweak& tweak);

// The side that a holder's text stands for: On only for the one text that
// means On, Off for anything else.
Side SideOf(const Tweak& tweak, std::string_view holder_text);

// Makes exactly the write of the setting's button for this side; `text` is
// the data of a text setting (the window passes it through its holder).
mdlreg::WriteResult WriteSide(RegistryPlatform& registry, const Tweak& tweak, Side side,
                              std::string_view text);

// Why a write did not happen, for a person: which setting, the reason in
// plain words, and what is left: that nothing changed, or which key a
// failed write made and could not remove. Paragraphs are separated by an
// empty line ("\n\n").
std::string WriteFailureMessage(const Tweak& tweak, Side side, const mdlreg::WriteResult& result);

}  // namespace brevlin
