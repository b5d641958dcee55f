// The main window as data: every control with its kind, container, place in
// twips, text, font, colours, pointer, action, tip, tab index and stacking
// order.
// The window is built by walking this table; nothing about a control is
// repeated in code. Portable, so the geometry and the keyboard order are
// tested anywhere. The table alone says which frame, buttons and holder
// show a setting of the catalogue, whose captions they take.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "tweaks/catalogue.h"

namespace brevlin::ui {

enum class Kind : std::uint8_t { Frame, OptionButton, Label, PictureBox, TextBox, Line };
enum class Font : std::uint8_t { Default, Regular, Heading, Title };
enum class Pointer : std::uint8_t { Arrow, Hand, Help };
enum class Align : std::uint8_t { Left, Centre };
enum class Picture : std::uint8_t { None, HelpIcon, Donation };
enum class Sizing : std::uint8_t {
    Fixed,
    FitText,    // takes the width and height of its one-line text
    FitHeight,  // keeps its width, takes the height of its wrapped text
};
// What a click on the control does.
enum class Action : std::uint8_t { None, OpenWebSite, Donate, Exit };
// A part the control plays for the window beyond its own look.
enum class Role : std::uint8_t { None, TipArea };

// The container of a control that stands in the window itself, not in a frame.
inline constexpr std::int8_t kInWindow = -1;

// A system colour by its index (COLOR_BTNFACE is 15), or a fixed RGB value.
class Colour {
public:
    static constexpr Colour System(int index) { return Colour(static_cast<std::uint32_t>(index)); }
    static constexpr Colour Rgb(int r, int g, int b) {
        return Colour(kRgb | std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16);
    }
    constexpr bool IsSystem() const { return !(value_ & kRgb); }
    constexpr int SystemIndex() const { return static_cast<int>(value_); }
    constexpr std::uint32_t Rgb() const { return value_ & ~kRgb; }  // 0x00BBGGRR, a COLORREF
    bool operator==(const Colour&) const = default;

private:
    static constexpr std::uint32_t kRgb = 0x80000000u;
    constexpr explicit Colour(std::uint32_t value) : value_(value) {}
    std::uint32_t value_;
};

// The system colour indices the window uses, as windows.h numbers them.
namespace sys {
constexpr Colour kWindow = Colour::System(5);
constexpr Colour kWindowText = Colour::System(8);
constexpr Colour kBtnFace = Colour::System(15);
constexpr Colour kBtnText = Colour::System(18);
constexpr Colour k3dDkShadow = Colour::System(21);
constexpr Colour kInfoText = Colour::System(23);
}  // namespace sys

// The window's design is 6150 by 4065 twips: two bytes a number are plenty.
struct Twips {
    std::int16_t left = 0, top = 0, width = 0, height = 0;
};

struct Control {
    std::string_view name;
    Kind kind;
    // The frame that holds the control, by its place in the table.
    std::int8_t container = kInWindow;
    Twips place = {};            // for the line: from (left, top) to (left+width, top+height)
    std::string_view text = {};  // caption, or the text box's text
    Font font = Font::Default;
    Colour fore = sys::kBtnText;
    Colour back = sys::kBtnFace;
    bool transparent = false;  // shows what lies beneath instead of `back`
    bool border = false;       // a flat one-pixel border
    Align align = Align::Left;
    Sizing sizing = Sizing::Fixed;
    Pointer pointer = Pointer::Arrow;
    Picture picture = Picture::None;
    Action action = Action::None;
    Role role = Role::None;
    // What the tip area shows while the pointer moves over the control;
    // empty for a control without a tip, which leaves the tip area alone.
    std::string_view tip = {};
    // The setting a frame, an option button or a holder serves, and a
    // button's side.
    const Tweak* tweak = nullptr;
    Side side = Side::On;
    std::int8_t tab_index = -1;  // -1: none (the line)
};

struct WindowLook {
    std::string_view caption;
    std::string_view tip;  // over the bare client area
    int client_width;      // twips
    int client_height;     // twips
    Colour back;
};

const WindowLook& MainWindow();

// All 42 controls: the top level front to back, then each frame's children
// front to back (a control's position here is its stacking order).
std::span<const Control> Controls();
const Control* FindControl(std::string_view name);
// The child window's control id, fixed by the control's place in the table.
int ControlId(const Control& control);
// The control's place in the table.
std::size_t IndexOf(const Control& control);
// The frame that holds the control, or null for the window.
const Control* ContainerOf(const Control& control);
// Whether any of the control lies inside its container's visible area: the
// window's client area, or a frame's rectangle.
bool IsInSight(const Control& control);
// Whether the control is a window of its own. Labels are drawn on their
// container; they are windows so that their text is a window's text and
// they take the pointer, which a label out of sight (the holders) never
// shows nor takes: it stays plain data. The line is always drawn.
bool HasWindow(const Control& control);
// The option button that shows this side of the setting.
const Control& ButtonFor(TweakId id, Side side);
// The control that holds what start-up read of the setting; none for a
// setting that is never read.
const Control* HolderFor(TweakId id);
// The control with the role of the tip area.
const Control& TipArea();
// The frame first in the tab order, whose selected button has the focus
// when the window opens.
const Control& FirstFrame();

// Twips to pixels at a given DPI, rounding to nearest: 15 twips a pixel at 96.
int ToPixels(int twips, int dpi);
// The DPIs the window lays itself out for; a DPI change outside them is
// nobody's real screen and is ignored.
constexpr int kLowestDpi = 48;
constexpr int kHighestDpi = 960;
constexpr bool IsUsableDpi(int dpi) { return dpi >= kLowestDpi && dpi <= kHighestDpi; }

// Who sent a DPI change the window is handling: the window's own thread,
// where the system sends it, or another thread or process. (Windows never
// posts it; one posted by another program never reaches the window.)
enum class Sender : std::uint8_t { ThisThread, OtherThread };
// The DPI to lay the window out at for a DPI change, or none to ignore it.
// Only the system's own change counts, and at the DPI the system gives the
// window (`window_dpi`), which no other program can change; the message's
// own DPI only where Windows cannot tell (`window_dpi` 0).
std::optional<int> DpiChangeToApply(Sender sender, int window_dpi, int message_dpi);

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect&) const = default;
};
// Centred on the whole monitor, and kept on its work area: a taskbar moves
// the window only if it would cover part of it, and no further; a window
// larger than the work area starts at its top-left corner, so that the
// title bar stays on screen and can be grabbed.
Rect PlaceOnMonitor(const Rect& monitor, const Rect& work, int width, int height);
// A monitor of the desktop: all of it, and the part that windows take
// (without its taskbar).
struct MonitorArea {
    Rect monitor;
    Rect work;
};
// Where a window of this size goes on a DPI change: where the system
// suggests, (left, top), which a window dragged onto another monitor must
// keep. Only a place that leaves the monitors' work areas (off the screen,
// under a taskbar) is moved onto the work area of the monitor that holds
// most of the window, as on start-up.
Rect PlaceAfterDpiChange(std::span<const MonitorArea> monitors, int left, int top, int width,
                         int height);

// The next (or previous) control in the tab order, wrapping around; from
// none, or from a control that takes no focus, the first (or last).
const Control* NextInTabOrder(const Control* from, bool backwards);

// What lies beneath a transparent control: the back colour of the opaque
// control behind it that covers it, or of its container.
Colour BackgroundBeneath(const Control& control);

}  // namespace brevlin::ui
