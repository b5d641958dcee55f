#include "ui/layout.h"

#include <algorithm>

#include "resources/version.h"
#include "ui/texts.h"

namespace brevlin::ui {
namespace {

constexpr int kFirstId = 1000;

constexpr Colour kHelpBlue = Colour::Rgb(131, 143, 197);
constexpr Colour kWhite = Colour::Rgb(255, 255, 255);

// A setting frame: all seven share size, font and colours.
constexpr Control FrameAt(std::string_view name, std::string_view caption, int left, int top,
                          int tab) {
    return {name, Kind::Frame, "", {left, top, 2895, 555}, caption, Font::Heading,
            sys::kWindowText, sys::kBtnFace, false, true, Align::Left, Sizing::Fixed,
            Pointer::Arrow, Picture::None, tab};
}

// An option button: the on side stands at 240, the off side at 1560.
constexpr Control OptionAt(std::string_view name, std::string_view frame,
                           std::string_view caption, int left, int width, int tab,
                           Colour fore = sys::kBtnText) {
    return {name, Kind::OptionButton, frame, {left, 240, width, 255}, caption, Font::Regular,
            fore, sys::kBtnFace, false, false, Align::Left, Sizing::Fixed, Pointer::Arrow,
            Picture::None, tab};
}

// A help picture: beyond its frame's right edge, so never seen.
constexpr Control HelpAt(std::string_view name, std::string_view frame, int left, int top,
                         int tab) {
    return {name, Kind::PictureBox, frame, {left, top, 240, 240}, "", Font::Default,
            sys::kBtnText, kHelpBlue, false, false, Align::Left, Sizing::Fixed, Pointer::Help,
            Picture::HelpIcon, tab};
}

// An empty label below the visible area; the settings use most as holders.
constexpr Control HolderAt(std::string_view name, int left, int tab) {
    return {name, Kind::Label, "", {left, 6480, 615, 615}, "", Font::Default, sys::kBtnText,
            sys::kBtnFace, false, false, Align::Left, Sizing::Fixed, Pointer::Arrow,
            Picture::None, tab};
}

constexpr WindowSpec kWindow{"Brevlin - Quenbrook", 6150, 4065, sys::kBtnFace};

// clang-format off
constexpr Control kControls[] = {
    // The top level, front to back.
    FrameAt("Frame7", "Log activity", 3195, 1530, 32),
    FrameAt("Frame6", "Icon on Desktop", 3195, 795, 28),
    FrameAt("Frame5", "View PlainText only", 3195, 60, 24),
    {"ppaypal", Kind::PictureBox, "", {5040, 3525, 930, 465}, "", Font::Default,
     sys::kBtnText, kWhite, false, true, Align::Left, Sizing::Fixed, Pointer::Hand,
     Picture::Donation, 18},
    {"Text2", Kind::TextBox, "", {960, 6000, 2775, 285}, "Text1", Font::Default,
     sys::kWindowText, sys::kWindow, false, true, Align::Left, Sizing::Fixed, Pointer::Arrow,
     Picture::None, 17},
    FrameAt("Frame4", "MSN Integration", 75, 2190, 9),
    FrameAt("Frame3", "Show BCC Field", 75, 795, 6),
    FrameAt("Frame2", "Minimize to system tray", 75, 1530, 3),
    FrameAt("Frame1", "Attachment Security", 75, 60, 0),
    {"Label2", Kind::Label, "", {720, 3540, 3705, 240}, "Brevlin 3.0 for Microsoft Outlook",
     Font::Title, sys::k3dDkShadow, sys::kBtnFace, true, false, Align::Left, Sizing::FitText,
     Pointer::Arrow, Picture::None, 40},
    {"Label3", Kind::Label, "", {1020, 3780, 3105, 195}, BREVLIN_COPYRIGHT, Font::Regular,
     sys::k3dDkShadow, sys::kBtnFace, true, false, Align::Left, Sizing::FitText, Pointer::Hand,
     Picture::None, 39},
    HolderAt("lbl50", 4080, 38),
    HolderAt("Label9", 2070, 37),
    {"Label8", Kind::Label, "", {3720, 2400, 1920, 195}, "Exit Brevlin", Font::Heading,
     sys::kBtnText, sys::kBtnFace, true, false, Align::Centre, Sizing::FitHeight, Pointer::Hand,
     Picture::None, 36},
    {"Line1", Kind::Line, "", {480, 5520, 5640, 0}, "", Font::Default, sys::kWindowText,
     sys::kBtnFace, false, false, Align::Left, Sizing::Fixed, Pointer::Arrow, Picture::None,
     -1},
    HolderAt("Label7", 3300, 22),
    HolderAt("Label6", 2685, 21),
    HolderAt("Label5", 1455, 20),
    HolderAt("Label4", 840, 19),
    {"Label1", Kind::Label, "", {60, 3480, 6015, 555}, "", Font::Default, sys::kWindowText,
     sys::kWindow, false, true, Align::Left, Sizing::Fixed, Pointer::Arrow, Picture::None, 12},
    {"lbltip", Kind::Label, "", {60, 2940, 6015, 615}, kDefaultTip, Font::Regular,
     sys::kInfoText, sys::kBtnFace, false, false, Align::Centre, Sizing::Fixed, Pointer::Arrow,
     Picture::None, 23},

    // Each frame's children, front to back.
    HelpAt("pattach", "Frame1", 3360, 600, 13),
    OptionAt("Option3", "Frame1", "Enabled", 240, 1335, 2),
    OptionAt("Option6", "Frame1", "Disabled", 1560, 1215, 1),
    HelpAt("pbcc", "Frame3", 3240, 480, 14),
    OptionAt("Option5", "Frame3", "Disabled", 1560, 1215, 8),
    OptionAt("Option4", "Frame3", "Enabled", 240, 1335, 7),
    HelpAt("psystray", "Frame2", 3360, 480, 15),
    OptionAt("Option2", "Frame2", "No", 1560, 855, 5),
    OptionAt("Option1", "Frame2", "Yes", 240, 1335, 4),
    HelpAt("pmsn", "Frame4", 3240, 480, 16),
    OptionAt("Option8", "Frame4", "Disable", 1560, 1215, 11),
    OptionAt("Option7", "Frame4", "Enable", 240, 1335, 10),
    OptionAt("Option10", "Frame5", "Enable", 240, 1335, 27, sys::kWindowText),
    OptionAt("Option9", "Frame5", "Disable", 1560, 1215, 26),
    HelpAt("Picture1", "Frame5", 3240, 480, 25),
    OptionAt("Option12", "Frame6", "Show", 240, 1335, 31),
    OptionAt("Option11", "Frame6", "Hide", 1560, 1215, 30),
    HelpAt("Picture2", "Frame6", 3240, 480, 29),
    OptionAt("Option14", "Frame7", "Enable", 240, 1335, 35),
    OptionAt("Option13", "Frame7", "Disable", 1560, 1215, 34),
    HelpAt("Picture3", "Frame7", 3240, 480, 33),
};
// clang-format on

bool Covers(const Twips& outer, const Twips& inner) {
    return outer.left <= inner.left && outer.top <= inner.top &&
           outer.left + outer.width >= inner.left + inner.width &&
           outer.top + outer.height >= inner.top + inner.height;
}

}  // namespace

const WindowSpec& MainWindow() { return kWindow; }

std::span<const Control> Controls() { return kControls; }

const Control* FindControl(std::string_view name) {
    for (const Control& control : kControls)
        if (control.name == name) return &control;
    return nullptr;
}

const Control* FindControl(int id) {
    const int index = id - kFirstId;
    if (index < 0 || index >= static_cast<int>(std::size(kControls))) return nullptr;
    return &kControls[index];
}

int ControlId(const Control& control) {
    return kFirstId + static_cast<int>(&control - kControls);
}

bool TakesFocus(const Control& control) {
    return control.kind == Kind::OptionButton || control.kind == Kind::PictureBox ||
           control.kind == Kind::TextBox;
}

std::vector<const Control*> ChildrenOf(std::string_view container) {
    std::vector<const Control*> children;
    for (const Control& control : kControls)
        if (control.container == container) children.push_back(&control);
    return children;
}

int ToPixels(int twips, int dpi) { return (twips * dpi + 720) / 1440; }

std::vector<const Control*> TabOrder() {
    std::vector<const Control*> order;
    for (const Control& control : kControls)
        if (TakesFocus(control)) order.push_back(&control);
    std::sort(order.begin(), order.end(),
              [](const Control* a, const Control* b) { return a->tab_index < b->tab_index; });
    return order;
}

const Control* NextInTabOrder(std::string_view from, bool backwards) {
    const std::vector<const Control*> order = TabOrder();
    const auto at = std::find_if(order.begin(), order.end(),
                                 [&](const Control* c) { return c->name == from; });
    if (at == order.end()) return backwards ? order.back() : order.front();
    const auto index = static_cast<std::size_t>(at - order.begin());
    const std::size_t n = order.size();
    return order[backwards ? (index + n - 1) % n : (index + 1) % n];
}

Colour BackgroundBeneath(const Control& control) {
    const Control* self = &control;
    for (const Control* behind = self + 1; behind != std::end(kControls); ++behind) {
        if (behind->container != control.container || behind->transparent) continue;
        if (behind->kind != Kind::Label) continue;  // only labels paint the surface
        if (Covers(behind->place, control.place)) return behind->back;
    }
    if (control.container.empty()) return kWindow.back;
    return FindControl(control.container)->back;
}

}  // namespace brevlin::ui
