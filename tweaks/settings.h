// What the window and the command line both do with a setting: tell the
// side its stored value stands for, store one side, and say in plain words
// why a store did not happen. Written once, so both front ends agree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "registry/platform.h"
#include "registry/raw.h"
#include "tweaks/catalogue.h"

namespace brevlin {

// A change of a setting that did not happen, in the program's own terms:
// what went wrong, and any key the attempt left behind.
struct ChangeFailure {
    enum class Cause : std::uint8_t {
        AccessDenied,
        ForeignSubkeys,  // the key to delete holds another program's subkeys
        KeyVanished,     // the key was deleted while we changed it
        WindowsError,    // any other error: `error` says which
    };
    Cause cause = Cause::WindowsError;
    long error = 0;  // Windows' error code
    // A key that the attempt made on its way and could not remove again:
    // the leading part of the setting's key path that names it (a part of
    // the catalogue's text, which lasts as long as the program); empty when
    // the registry is as it was.
    std::string_view left_behind = {};
};

// The outcome of a change: nothing when it was made.
using ChangeResult = std::optional<ChangeFailure>;

// The setting's place as messages name it: the full name of its value, or
// of its key for the desktop icon.
std::string RegistryName(const Tweak& tweak);

// What the start-up read of a setting yields as text: the stored text, or
// a number's decimal digits ("0" when nothing can be read). Only for the
// settings that are read.
std::string ReadStoredText(RegistryPlatform& registry, const Tweak& tweak);

// The side that a holder's text stands for: On only for the one text that
// means On, Off for anything else.
Side SideOf(const Tweak& tweak, std::string_view holder_text);

// Makes exactly the write of the setting's button for this side; `text` is
// the data of a text setting (the window passes it through its holder).
ChangeResult WriteSide(RegistryPlatform& registry, const Tweak& tweak, Side side,
                       std::string_view text);

// Why a change did not happen, in one sentence or two for a person.
std::string RefusalReason(const Tweak& tweak, const ChangeFailure& failure);
// What the failed change left: that nothing changed, or the key it made
// and could not remove.
std::string WhatIsLeft(const Tweak& tweak, const ChangeFailure& failure);

// The window's warning: which setting, the reason, and what is left, as
// paragraphs separated by an empty line ("\n\n").
std::string WriteFailureMessage(const Tweak& tweak, Side side, const ChangeFailure& failure);

// ------------------------------------------------- exactly, for files

// What a setting is stored as, exactly: a value's type and bytes (a text's
// UTF-16 bytes as they are), or Absent; for the desktop icon, whether its
// key is there. Unreadable, with Windows' status, when it cannot be seen.
raw::Value ReadExactly(RegistryPlatform& registry, const Tweak& tweak);

// The same reading: both absent, or both there with the same type and
// bytes. Unreadable is the same as nothing.
bool SameStored(const raw::Value& a, const raw::Value& b);

// Brings the setting to `want`: a value stored with exactly its type and
// bytes, or deleted (making no keys); the desktop icon only the window's
// way, whose Hide never deletes another program's subkeys.
ChangeResult StoreExactly(RegistryPlatform& registry, const Tweak& tweak, const raw::Value& want);

// The side the window shows for a setting after start-up, read its way;
// for the desktop icon, which the window does not read, whether its key
// is there. No side when the setting cannot be read, and the status why.
struct SideRead {
    std::optional<Side> side = std::nullopt;
    RegStatus status = status::kSuccess;
};
SideRead ReadSide(RegistryPlatform& registry, const Tweak& tweak);

}  // namespace brevlin
