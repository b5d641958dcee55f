#include "tweaks/settings.h"

#include "registry/mdlreg.h"
#include "tweaks/decimal.h"

namespace brevlin {
namespace {

std::string KeyName(RegRoot root, std::string_view path) {
    return std::string(RootName(root)) + "\\" + std::string(path);
}

ChangeFailure::Cause CauseOf(const WriteResult& result) {
    if (result.key_has_subkeys) return ChangeFailure::Cause::ForeignSubkeys;
    switch (result.status) {
        case status::kAccessDenied: return ChangeFailure::Cause::AccessDenied;
        case status::kFileNotFound:
        case status::kKeyDeleted: return ChangeFailure::Cause::KeyVanished;
        default: return ChangeFailure::Cause::WindowsError;
    }
}

ChangeResult FailureOf(const Tweak& tweak, const WriteResult& result) {
    if (result.ok()) return std::nullopt;
    return ChangeFailure{.cause = CauseOf(result),
                         .error = result.status,
                         .left_behind = result.LeftBehindIn(tweak.key_path)};
}

bool IsPresent(const raw::Value& value) { return value.presence == raw::Presence::Present; }

}  // namespace

std::string RegistryName(const Tweak& tweak) {
    const std::string key = KeyName(tweak.root, tweak.key_path);
    return tweak.IsRead() ? key + "\\" + std::string(tweak.value_name) : key;
}

std::string ReadStoredText(RegistryPlatform& registry, const Tweak& tweak) {
    if (tweak.kind == ValueKind::StringValue)
        return mdlreg::ReadString(registry, tweak.root, tweak.key_path, tweak.value_name);
    return Decimal(mdlreg::ReadDword(registry, tweak.root, tweak.key_path, tweak.value_name));
}

Side SideOf(const Tweak& tweak, std::string_view holder_text) {
    return holder_text == tweak.on_when_holder_is ? Side::On : Side::Off;
}

namespace {

WriteResult Write(RegistryPlatform& registry, const Tweak& tweak, Side side,
                  std::string_view text) {
    switch (tweak.kind) {
        case ValueKind::StringValue:
            return mdlreg::WriteString(registry, tweak.root, tweak.key_path, tweak.value_name,
                                       text);
        case ValueKind::DwordValue:
            return mdlreg::WriteDword(registry, tweak.root, tweak.key_path, tweak.value_name,
                                      tweak.choice(side).number);
        case ValueKind::KeyPresence:
            return side == Side::On ? mdlreg::CreateKey(registry, tweak.root, tweak.key_path)
                                    : mdlreg::DeleteKey(registry, tweak.root, tweak.key_path);
    }
    return {status::kInvalidParameter};
}

}  // namespace

ChangeResult WriteSide(RegistryPlatform& registry, const Tweak& tweak, Side side,
                       std::string_view text) {
    return FailureOf(tweak, Write(registry, tweak, side, text));
}

std::string RefusalReason(const Tweak& tweak, const ChangeFailure& failure) {
    switch (failure.cause) {
        case ChangeFailure::Cause::ForeignSubkeys:
            return "Windows would not delete the registry key " +
                   KeyName(tweak.root, tweak.key_path) +
                   " because another program has made subkeys in it. Brevlin deletes only the "
                   "key itself: remove its subkeys with the Registry Editor, then try again.";
        case ChangeFailure::Cause::AccessDenied:
            if (tweak.root == RegRoot::LocalMachine)
                return "Windows refused access: this setting applies to every user of the "
                       "computer, so changing it needs administrator rights. Start Brevlin as "
                       "an administrator and try again.";
            return "Windows refused access to the registry key where Outlook keeps this "
                   "setting. Your account may not be allowed to change it.";
        case ChangeFailure::Cause::KeyVanished:
            return "The registry key disappeared while Brevlin was changing it. Please try "
                   "again.";
        case ChangeFailure::Cause::WindowsError: break;
    }
    return "Windows reported error " + Decimal(failure.error) + ".";
}

// Only a registry left exactly as it was may be called that.
std::string WhatIsLeft(const Tweak& tweak, const ChangeFailure& failure) {
    if (failure.left_behind.empty()) return "The setting is as it was before.";
    return "The setting itself is unchanged, but Brevlin made the registry key " +
           KeyName(tweak.root, failure.left_behind) +
           " on the way, and Windows would not let it remove that key again. No setting is "
           "stored in it.";
}

std::string WriteFailureMessage(const Tweak& tweak, Side side, const ChangeFailure& failure) {
    return "The setting \"" + std::string(tweak.frame_caption) + "\" could not be changed to \"" +
           std::string(tweak.choice(side).caption) + "\".\n\n" + RefusalReason(tweak, failure) +
           "\n\n" + WhatIsLeft(tweak, failure);
}

raw::Value ReadExactly(RegistryPlatform& registry, const Tweak& tweak) {
    if (tweak.IsRead())
        return raw::ReadValue(registry, tweak.root, tweak.key_path, tweak.value_name);
    const raw::Key key = raw::ProbeKey(registry, tweak.root, tweak.key_path);
    return {.presence = key.presence, .status = key.status};
}

bool SameStored(const raw::Value& a, const raw::Value& b) {
    if (IsPresent(a) != IsPresent(b)) return false;
    return !IsPresent(a) || (a.type == b.type && a.bytes == b.bytes);
}

ChangeResult StoreExactly(RegistryPlatform& registry, const Tweak& tweak, const raw::Value& want) {
    if (!tweak.IsRead())
        return WriteSide(registry, tweak, IsPresent(want) ? Side::On : Side::Off, {});
    if (!IsPresent(want))
        return FailureOf(tweak,
                         raw::DeleteValue(registry, tweak.root, tweak.key_path, tweak.value_name));
    return FailureOf(tweak, raw::WriteValue(registry, tweak.root, tweak.key_path, tweak.value_name,
                                            want.type, want.bytes));
}

SideRead ReadSide(RegistryPlatform& registry, const Tweak& tweak) {
    // Read exactly first: the window's own read takes what cannot be read
    // for the empty text or 0, which would pass for a state.
    const raw::Value stored = ReadExactly(registry, tweak);
    if (stored.presence == raw::Presence::Unreadable) return {.status = stored.status};
    if (!tweak.IsRead()) return {.side = IsPresent(stored) ? Side::On : Side::Off};
    return {.side = SideOf(tweak, ReadStoredText(registry, tweak))};
}

}  // namespace brevlin
