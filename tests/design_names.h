// The names the design gives the window's option buttons, holders and focus
// order, and the list "Disabled" stores, written out here from the design itself, so that the tests
// speak them without asking the code under test.
#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <string_view>

#include "tweaks/catalogue.h"

namespace brevlin::test {

struct ButtonName {
    std::string_view name;
    std::string_view frame;
    TweakId id;
    Side side;
};

inline constexpr std::array<ButtonName, 14> kButtonNames{{
    {"Option3", "Frame1", TweakId::attach, Side::On},
    {"Option6", "Frame1", TweakId::attach, Side::Off},
    {"Option4", "Frame3", TweakId::bcc, Side::On},
    {"Option5", "Frame3", TweakId::bcc, Side::Off},
    {"Option1", "Frame2", TweakId::systray, Side::On},
    {"Option2", "Frame2", TweakId::systray, Side::Off},
    {"Option7", "Frame4", TweakId::msn, Side::On},
    {"Option8", "Frame4", TweakId::msn, Side::Off},
    {"Option10", "Frame5", TweakId::plaintext, Side::On},
    {"Option9", "Frame5", TweakId::plaintext, Side::Off},
    {"Option14", "Frame7", TweakId::logging, Side::On},
    {"Option13", "Frame7", TweakId::logging, Side::Off},
    {"Option12", "Frame6", TweakId::deskicon, Side::On},
    {"Option11", "Frame6", TweakId::deskicon, Side::Off},
}};

// The list "Disabled" stores in Level1Remove: 43 extensions, 169 characters.
inline constexpr std::string_view kExtensionList =
    "adp;mdb;asx;mda;mdz;exe;com;reg;bat;scr;ade;bas;vb;vbs;chm;cmd;cpl;crt;hlp;hta;inf;ins;"
    "isp;js;jse;lnk;mde;msi;msp;msc;mst;pcd;pif;prf;scf;sct;shb;shs;url;vbe;wsc;wsf;wsh";

// The holders of the six settings that are read, in catalogue order.
inline constexpr std::array<std::string_view, 6> kHolderNames{"Text2",  "Label6", "Label5",
                                                              "Label7", "Label9", "lbl50"};

// The controls that take the focus, in ascending tab index.
inline constexpr std::array<std::string_view, 23> kTabOrder{
    "Option6",  "Option3",  "Option1",  "Option2",  "Option4",  "Option5",  "Option7",  "Option8",
    "pattach",  "pbcc",     "psystray", "pmsn",     "Text2",    "ppaypal",  "Picture1", "Option9",
    "Option10", "Picture2", "Option11", "Option12", "Picture3", "Option13", "Option14"};

// The button of this name; throws for a name that is none of the fourteen.
inline const ButtonName& ButtonNamed(std::string_view name) {
    for (const ButtonName& button : kButtonNames)
        if (button.name == name) return button;
    throw std::invalid_argument("no button is called " + std::string(name));
}

// The other button of the same frame.
inline std::string_view PartnerOf(std::string_view name) {
    const ButtonName& button = ButtonNamed(name);
    for (const ButtonName& other : kButtonNames)
        if (other.id == button.id && other.side != button.side) return other.name;
    throw std::invalid_argument("no partner for " + std::string(name));
}

}  // namespace brevlin::test
