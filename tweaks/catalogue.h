// The seven Outlook settings that Brevlin switches: which frame and buttons
// show each, where it lives in the registry, and what each button writes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "registry/platform.h"

namespace brevlin {

// In the order the window reads them at start-up.
enum class TweakId { attach, bcc, systray, msn, plaintext, logging, deskicon };

// On is the left button, which switches the frame's feature on.
enum class Side { On, Off };

enum class ValueKind {
    StringValue,  // REG_SZ, through WriteString / ReadString
    DwordValue,   // REG_DWORD, through WriteDword / ReadDword
    KeyPresence,  // the key itself, through CreateKey / DeleteKey; never read
};

// One of an entry's two option buttons and what selecting it stores.
struct Choice {
    std::string_view button;   // control name
    std::string_view caption;
    std::string_view text;     // StringValue data
    std::int32_t number = 0;   // DwordValue data
};

struct Tweak {
    TweakId id;
    std::string_view frame;
    std::string_view frame_caption;
    Choice on;
    Choice off;
    RegRoot root;
    std::string_view key_path;
    std::string_view value_name;  // empty for KeyPresence
    ValueKind kind;
    std::string_view holder;      // hidden control the read value goes into; empty if none
    // The holder text that means On; any other text means Off.
    std::string_view on_when_holder_is;

    const Choice& choice(Side side) const { return side == Side::On ? on : off; }
    bool IsRead() const { return kind != ValueKind::KeyPresence; }
};

// Writing this list as Level1Remove lets Outlook open these 43 attachment
// types; the empty list keeps them blocked.
inline constexpr std::string_view kUnblockedExtensions =
    "adp;mdb;asx;mda;mdz;exe;com;reg;bat;scr;ade;bas;vb;vbs;chm;cmd;cpl;crt;hlp;hta;inf;ins;"
    "isp;js;jse;lnk;mde;msi;msp;msc;mst;pcd;pif;prf;scf;sct;shb;shs;url;vbe;wsc;wsf;wsh";

std::span<const Tweak> Catalogue();
const Tweak& TweakFor(TweakId id);

struct ButtonRef {
    const Tweak* tweak;
    Side side;
};
// The entry and side of an option button, by its control name.
std::optional<ButtonRef> FindButton(std::string_view control);

}  // namespace brevlin
