// The main window as data: every control with its kind, container, place in
// twips, text, font, colours, pointer, tab index and stacking order. The
// window is built by walking this table; nothing about a control is repeated
// in code. Portable, so the geometry and the keyboard order are tested anywhere.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace brevlin::ui {

enum class Kind { Frame, OptionButton, Label, PictureBox, TextBox, Line };
enum class Font { Default, Regular, Heading, Title };
enum class Pointer { Arrow, Hand, Help };
enum class Align { Left, Centre };
enum class Picture { None, HelpIcon, Donation };
enum class Sizing {
    Fixed,
    FitText,    // takes the width and height of its one-line text
    FitHeight,  // keeps its width, takes the height of its wrapped text
};

// A system colour by its index (COLOR_BTNFACE is 15), or a fixed RGB value.
struct Colour {
    int system = -1;
    std::uint32_t rgb = 0;  // 0x00BBGGRR, as COLORREF
    static constexpr Colour System(int index) { return {index, 0}; }
    static constexpr Colour Rgb(int r, int g, int b) {
        return {-1, std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16};
    }
    bool operator==(const Colour&) const = default;
};

namespace sys {
constexpr Colour kWindow = Colour::System(5);
constexpr Colour kWindowText = Colour::System(8);
constexpr Colour kBtnFace = Colour::System(15);
constexpr Colour kBtnText = Colour::System(18);
constexpr Colour k3dDkShadow = Colour::System(21);
constexpr Colour kInfoText = Colour::System(23);
}  // namespace sys

struct Twips {
    int left = 0, top = 0, width = 0, height = 0;
};

struct Control {
    std::string_view name;
    Kind kind;
    std::string_view container;  // a frame's name, or empty for the window
    Twips place;                  // for the line: from (left, top) to (left+width, top+height)
    std::string_view text;        // caption, or the text box's text
    Font font = Font::Default;
    Colour fore = sys::kBtnText;
    Colour back = sys::kBtnFace;
    bool transparent = false;  // shows what lies beneath instead of `back`
    bool border = false;       // a flat one-pixel border
    Align align = Align::Left;
    Sizing sizing = Sizing::Fixed;
    Pointer pointer = Pointer::Arrow;
    Picture picture = Picture::None;
    int tab_index = -1;  // -1: none (the line)
};

struct WindowSpec {
    std::string_view caption;
    int client_width;   // twips
    int client_height;  // twips
    Colour back;
};

const WindowSpec& MainWindow();

// All 42 controls: the top level front to back, then each frame's children
// front to back (a control's position here is its stacking order).
std::span<const Control> Controls();
const Control* FindControl(std::string_view name);
const Control* FindControl(int id);
// The child window's control id, fixed by the control's place in the table.
int ControlId(const Control& control);
bool TakesFocus(const Control& control);
std::vector<const Control*> ChildrenOf(std::string_view container);

// Twips to pixels at a given DPI, rounding to nearest: 15 twips a pixel at 96.
int ToPixels(int twips, int dpi);

// The controls that take the keyboard focus, in ascending tab index.
std::vector<const Control*> TabOrder();
// The next (or previous) control in the tab order, wrapping around.
const Control* NextInTabOrder(std::string_view from, bool backwards);

// What lies beneath a transparent control: the back colour of the opaque
// control behind it that covers it, or of its container.
Colour BackgroundBeneath(const Control& control);

}  // namespace brevlin::ui
