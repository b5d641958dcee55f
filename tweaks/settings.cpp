#include "tweaks/settings.h"

#include "tweaks/decimal.h"

namespace brevlin {
namespace {

std::string KeyName(const Tweak& tweak, std::string_view path) {
    return std::string(RootName(tweak.root)) + "\\" + std::string(path);
}

std::string Reason(const Tweak& tweak, const mdlreg::WriteResult& result) {
    if (result.key_has_subkeys)
        return "Windows would not delete the registry key " + KeyName(tweak, tweak.key_path) +
               " because another program has made subkeys in it. Brevlin deletes only the key "
               "itself: remove its subkeys with the Registry Editor, then try again.";
    switch (result.status) {
        case status::kAccessDenied:
            if (tweak.root == RegRoot::LocalMachine)
                return "Windows refused access: this setting applies to every user of the "
                       "computer, so changing it needs administrator rights. Start Brevlin as "
                       "an administrator and try again.";
            return "Windows refused access to the registry key where Outlook keeps this "
                   "setting. Your account may not be allowed to change it.";
        case status::kFileNotFound:
        case status::kKeyDeleted:
            return "The registry key disappeared while Brevlin was changing it. Please try "
                   "again.";
        default: return "Windows reported error " + Decimal(result.status) + ".";
    }
}

// Only a registry left exactly as it was may be called that.
std::string WhatIsLeft(const Tweak& tweak, const mdlreg::WriteResult& result) {
    if (!result.left_behind) return "The setting is as it was before.";
    return "The setting itself is unchanged, but Brevlin made the registry key " +
           KeyName(tweak, result.LeftBehindIn(tweak.key_path)) +
           " on the way, and Windows would not let it remove that key again. No setting is "
           "stored in it.";
}

}  // namespace

std::string ReadStoredText(RegistryPlatform& registry, const Tweak& tweak) {
    if (tweak.kind == ValueKind::StringValue)
        return mdlreg::ReadString(registry, tweak.root, tweak.key_path, tweak.value_name);
    return Decimal(mdlreg::ReadDword(registry, tweak.root, tweak.key_path, tweak.value_name));
}

Side SideOf(const Tweak& tweak, std::string_view holder_text) {
    return holder_text == tweak.on_when_holder_is ? Side::On : Side::Off;
}

mdlreg::WriteResult WriteSide(RegistryPlatform& registry, const Tweak& tweak, Side side,
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

std::string WriteFailureMessage(const Tweak& tweak, Side side, const mdlreg::WriteResult& result) {
    return "The setting \"" + std::string(tweak.frame_caption) + "\" could not be changed to \"" +
           std::string(tweak.choice(side).caption) + "\".\n\n" + Reason(tweak, result) + "\n\n" +
           WhatIsLeft(tweak, result);
}

}  // namespace brevlin
