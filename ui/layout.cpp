#include "ui/layout.h"

#include <algorithm>
#include <array>

#include "resources/version.h"
#include "ui/texts.h"

namespace brevlin::ui {
namespace {

constexpr int kFirstId = 1000;

constexpr Colour kHelpBlue = Colour::Rgb(131, 143, 197);
constexpr Colour kWhite = Colour::Rgb(255, 255, 255);

// A row as the design writes it: the control, and the frame that holds it by
// the frame's name (none for the window). The table the window walks holds
// the frame's place instead, found when compiling (kControls below).
struct Row {
    Control control;
    std::string_view frame = {};
};

// The rows say what they set, several fields to a line.
// clang-format off

// A setting's frame: all seven share size, font and colours.
constexpr Row FrameOf(std::string_view name, TweakId id, std::int16_t left, std::int16_t top,
                      std::int8_t tab, std::string_view tip) {
    const Tweak& tweak = CatalogueEntry(id);
    return {.control = {.name = name, .kind = Kind::Frame, .place = {left, top, 2895, 555},
                        .text = tweak.frame_caption, .font = Font::Heading,
                        .fore = sys::kWindowText, .border = true, .tip = tip, .tweak = &tweak,
                        .tab_index = tab}};
}

// One of a setting's buttons: the on side stands at 240, the off side at 1560.
constexpr Row ButtonOf(std::string_view name, std::string_view frame, TweakId id, Side side,
                       std::int16_t width, std::int8_t tab, Colour fore = sys::kBtnText) {
    const Tweak& tweak = CatalogueEntry(id);
    return {.control = {.name = name, .kind = Kind::OptionButton,
                        .place = {side == Side::On ? std::int16_t{240} : std::int16_t{1560}, 240,
                                  width, 255},
                        .text = tweak.choice(side).caption, .font = Font::Regular, .fore = fore,
                        .tweak = &tweak, .side = side, .tab_index = tab},
            .frame = frame};
}

// A help picture: beyond its frame's right edge, so never seen.
constexpr Row HelpAt(std::string_view name, std::string_view frame, std::int16_t left,
                     std::int16_t top, std::int8_t tab) {
    return {.control = {.name = name, .kind = Kind::PictureBox, .place = {left, top, 240, 240},
                        .back = kHelpBlue, .pointer = Pointer::Help,
                        .picture = Picture::HelpIcon, .tab_index = tab},
            .frame = frame};
}

// An empty label below the visible area, the holder of a setting or of none.
constexpr Row HolderAt(std::string_view name, std::int16_t left, std::int8_t tab,
                       const Tweak* held = nullptr) {
    return {.control = {.name = name, .kind = Kind::Label, .place = {left, 6480, 615, 615},
                        .tweak = held, .tab_index = tab}};
}

constexpr WindowLook kWindow{.caption = "Brevlin - Quenbrook", .tip = kDefaultTip,
                             .client_width = 6150, .client_height = 4065,
                             .back = sys::kBtnFace};

constexpr Row kRows[] = {
    // The top level, front to back.
    FrameOf("Frame7", TweakId::logging, 3195, 1530, 32,
            "This option allows you to log all Outlook activity to a text file in your Temp directory."),
    FrameOf("Frame6", TweakId::deskicon, 3195, 795, 28,
            "Show the Outlook icon on your Desktop (this icon contains special functionality; it is not just a shortcut)."),
    FrameOf("Frame5", TweakId::plaintext, 3195, 60, 24,
            "Disables HTML in incoming messages, thus removing possibly offensive or dangerous scripts and images."),
    {.control = {.name = "ppaypal", .kind = Kind::PictureBox, .place = {5040, 3525, 930, 465},
     .back = kWhite, .border = true, .pointer = Pointer::Hand, .picture = Picture::Donation,
     .action = Action::Donate,
     .tip = "Click here to make a donation through PayPal. Your support keeps this software free.",
     .tab_index = 18}},
    {.control = {.name = "Text2", .kind = Kind::TextBox, .place = {960, 6000, 2775, 285},
     .text = "Text1", .fore = sys::kWindowText, .back = sys::kWindow, .border = true,
     .tweak = &CatalogueEntry(TweakId::attach), .tab_index = 17}},
    FrameOf("Frame4", TweakId::msn, 75, 2190, 9,
            "This option will turn off MSN integration of Microsoft Outlook. This will cause it to not start when Outlook is opened."),
    FrameOf("Frame3", TweakId::bcc, 75, 795, 6,
            "This option will allow you to enable the BCC field of Microsoft Outlook making it visible in all new messages."),
    FrameOf("Frame2", TweakId::systray, 75, 1530, 3,
            "This option will allow Microsoft Outlook to minimize to the Windows system tray (iconized beside the clock)."),
    FrameOf("Frame1", TweakId::attach, 75, 60, 0,
            "This option will allow you to disable the Attachment Security feature of Microsoft Outlook."),
    {.control = {.name = "Label2", .kind = Kind::Label, .place = {720, 3540, 3705, 240},
     .text = "Brevlin 3.0 for Microsoft Outlook", .font = Font::Title, .fore = sys::k3dDkShadow,
     .transparent = true, .sizing = Sizing::FitText, .tip = kDefaultTip, .tab_index = 40}},
    {.control = {.name = "Label3", .kind = Kind::Label, .place = {1020, 3780, 3105, 195},
     .text = BREVLIN_COPYRIGHT, .font = Font::Regular, .fore = sys::k3dDkShadow,
     .transparent = true, .sizing = Sizing::FitText, .pointer = Pointer::Hand,
     .action = Action::OpenWebSite, .tip = "Click here to visit our website, www.quenbrook.com",
     .tab_index = 39}},
    HolderAt("lbl50", 4080, 38, &CatalogueEntry(TweakId::logging)),
    HolderAt("Label9", 2070, 37, &CatalogueEntry(TweakId::plaintext)),
    {.control = {.name = "Label8", .kind = Kind::Label, .place = {3720, 2400, 1920, 195},
     .text = "Exit Brevlin", .font = Font::Heading, .transparent = true, .align = Align::Centre,
     .sizing = Sizing::FitHeight, .pointer = Pointer::Hand, .action = Action::Exit,
     .tab_index = 36}},
    {.control = {.name = "Line1", .kind = Kind::Line, .place = {480, 5520, 5640, 0},
     .fore = sys::kWindowText}},
    HolderAt("Label7", 3300, 22, &CatalogueEntry(TweakId::msn)),
    HolderAt("Label6", 2685, 21, &CatalogueEntry(TweakId::bcc)),
    HolderAt("Label5", 1455, 20, &CatalogueEntry(TweakId::systray)),
    HolderAt("Label4", 840, 19),
    {.control = {.name = "Label1", .kind = Kind::Label, .place = {60, 3480, 6015, 555},
     .fore = sys::kWindowText, .back = sys::kWindow, .border = true, .tab_index = 12}},
    {.control = {.name = "lbltip", .kind = Kind::Label, .place = {60, 2940, 6015, 615},
     .text = kDefaultTip, .font = Font::Regular, .fore = sys::kInfoText, .align = Align::Centre,
     .role = Role::TipArea, .tip = kDefaultTip, .tab_index = 23}},

    // Each frame's children, front to back.
    HelpAt("pattach", "Frame1", 3360, 600, 13),
    ButtonOf("Option3", "Frame1", TweakId::attach, Side::On, 1335, 2),
    ButtonOf("Option6", "Frame1", TweakId::attach, Side::Off, 1215, 1),
    HelpAt("pbcc", "Frame3", 3240, 480, 14),
    ButtonOf("Option5", "Frame3", TweakId::bcc, Side::Off, 1215, 8),
    ButtonOf("Option4", "Frame3", TweakId::bcc, Side::On, 1335, 7),
    HelpAt("psystray", "Frame2", 3360, 480, 15),
    ButtonOf("Option2", "Frame2", TweakId::systray, Side::Off, 855, 5),
    ButtonOf("Option1", "Frame2", TweakId::systray, Side::On, 1335, 4),
    HelpAt("pmsn", "Frame4", 3240, 480, 16),
    ButtonOf("Option8", "Frame4", TweakId::msn, Side::Off, 1215, 11),
    ButtonOf("Option7", "Frame4", TweakId::msn, Side::On, 1335, 10),
    ButtonOf("Option10", "Frame5", TweakId::plaintext, Side::On, 1335, 27, sys::kWindowText),
    ButtonOf("Option9", "Frame5", TweakId::plaintext, Side::Off, 1215, 26),
    HelpAt("Picture1", "Frame5", 3240, 480, 25),
    ButtonOf("Option12", "Frame6", TweakId::deskicon, Side::On, 1335, 31),
    ButtonOf("Option11", "Frame6", TweakId::deskicon, Side::Off, 1215, 30),
    HelpAt("Picture2", "Frame6", 3240, 480, 29),
    ButtonOf("Option14", "Frame7", TweakId::logging, Side::On, 1335, 35),
    ButtonOf("Option13", "Frame7", TweakId::logging, Side::Off, 1215, 34),
    HelpAt("Picture3", "Frame7", 3240, 480, 33),
};
// clang-format on

// The place of the frame of this name among the rows; kInWindow for none.
constexpr std::int8_t PlaceOfFrame(std::string_view frame) {
    for (std::size_t i = 0; i < std::size(kRows); ++i)
        if (kRows[i].control.kind == Kind::Frame && kRows[i].control.name == frame)
            return static_cast<std::int8_t>(i);
    return kInWindow;
}

static_assert(std::size(kRows) <= 127, "a control's container holds a place of the table");
static_assert(
    [] {
        for (const Row& row : kRows)
            if (row.frame.empty() != (PlaceOfFrame(row.frame) == kInWindow)) return false;
        return true;
    }(),
    "every container a row names is a frame of the table");

// The table the window walks: each control holds its frame by place.
constexpr auto kControls = [] {
    std::array<Control, std::size(kRows)> controls{};
    for (std::size_t i = 0; i < controls.size(); ++i) {
        controls[i] = kRows[i].control;
        controls[i].container = PlaceOfFrame(kRows[i].frame);
    }
    return controls;
}();

// --- What must hold of the table, checked when it is compiled. -------------

constexpr const Control* Named(std::string_view name) {
    for (const Control& control : kControls)
        if (control.name == name) return &control;
    return nullptr;
}

static_assert(std::size(kControls) == 42, "42 controls: 21 at the top level, 21 in frames");

static_assert(
    [] {
        for (std::size_t i = 0; i < std::size(kControls); ++i)
            for (std::size_t j = i + 1; j < std::size(kControls); ++j)
                if (kControls[i].name == kControls[j].name) return false;
        return true;
    }(),
    "every control has a name of its own");

constexpr bool IsHolder(const Control& control) {
    return control.tweak && (control.kind == Kind::Label || control.kind == Kind::TextBox);
}

// Each setting's two buttons and its holder, by setting and side, found when
// compiling: the window reaches them without a search.
constexpr auto kButtons = [] {
    std::array<std::array<const Control*, 2>, kTweakCount> buttons{};
    for (const Control& control : kControls)
        if (control.kind == Kind::OptionButton)
            buttons[static_cast<std::size_t>(control.tweak->id)]
                   [static_cast<std::size_t>(control.side)] = &control;
    return buttons;
}();
constexpr auto kHolders = [] {
    std::array<const Control*, kTweakCount> holders{};
    for (const Control& control : kControls)
        if (IsHolder(control)) holders[static_cast<std::size_t>(control.tweak->id)] = &control;
    return holders;
}();

// Every setting of the catalogue has one frame, a button for each side in
// that frame, and a holder exactly when it is read.
static_assert(
    [] {
        for (const Tweak& tweak : kCatalogue) {
            const Control* frame = nullptr;
            int frames = 0, buttons = 0, holders = 0;
            for (const Control& control : kControls) {
                if (control.tweak != &tweak) continue;
                if (control.kind == Kind::Frame) frame = &control, ++frames;
                buttons += control.kind == Kind::OptionButton;
                holders += IsHolder(control);
            }
            if (frames != 1 || buttons != 2 || holders != (tweak.IsRead() ? 1 : 0)) return false;
            for (Side side : {Side::On, Side::Off}) {
                const Control* button = kButtons[IndexOf(tweak.id)][static_cast<std::size_t>(side)];
                if (!button || button->side != side ||
                    button->container != frame - kControls.data())
                    return false;
            }
        }
        return true;
    }(),
    "the window shows every setting of the catalogue");

static_assert(
    [] {
        int tip_areas = 0;
        for (const Control& control : kControls) tip_areas += control.role == Role::TipArea;
        return tip_areas == 1;
    }(),
    "one tip area");
// Found when compiling: a move of the pointer reaches it without a search.
constexpr const Control* kTipArea = [] {
    for (const Control& control : kControls)
        if (control.role == Role::TipArea) return &control;
    return static_cast<const Control*>(nullptr);
}();

constexpr bool Focusable(const Control& control) {
    return control.kind == Kind::OptionButton || control.kind == Kind::PictureBox ||
           control.kind == Kind::TextBox;
}

// The controls that take the focus, sorted by tab index when compiled.
constexpr auto kTabOrder = [] {
    constexpr std::size_t kCount = [] {
        std::size_t count = 0;
        for (const Control& control : kControls) count += Focusable(control);
        return count;
    }();
    std::array<const Control*, kCount> order{};
    std::size_t next = 0;
    for (const Control& control : kControls)
        if (Focusable(control)) order[next++] = &control;
    std::sort(order.begin(), order.end(),
              [](const Control* a, const Control* b) { return a->tab_index < b->tab_index; });
    return order;
}();

static_assert(
    [] {
        for (std::size_t i = 1; i < kTabOrder.size(); ++i)
            if (kTabOrder[i - 1]->tab_index == kTabOrder[i]->tab_index) return false;
        return true;
    }(),
    "no two controls share a tab index");

// Where a window of this size goes on a work area: wanted at (left, top),
// moved the least that keeps it inside; along an axis where it is larger
// than the work area, it starts at the work area's edge, so that its title
// bar stays on screen and can be grabbed.
Rect KeepOnWorkArea(const Rect& work, int left, int top, int width, int height) {
    const auto start = [](int wanted, int low, int high, int size) {
        return size > high - low ? low : std::clamp(wanted, low, high - size);
    };
    const int x = start(left, work.left, work.right, width);
    const int y = start(top, work.top, work.bottom, height);
    return {x, y, x + width, y + height};
}

long long Overlap(const Rect& a, const Rect& b) {
    const long long width = std::min(a.right, b.right) - std::max(a.left, b.left);
    const long long height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return width > 0 && height > 0 ? width * height : 0;
}

// How far apart two rectangles lie, squared; 0 where they touch or overlap.
long long Gap(const Rect& a, const Rect& b) {
    const long long dx = std::max({0, b.left - a.right, a.left - b.right});
    const long long dy = std::max({0, b.top - a.bottom, a.top - b.bottom});
    return dx * dx + dy * dy;
}

// Whether monitor `a` holds more of the window than `b` or, where neither
// holds any, lies nearer to it: how Windows picks a window's monitor.
bool HoldsMore(const Rect& window, const Rect& a, const Rect& b) {
    const long long in_a = Overlap(window, a);
    const long long in_b = Overlap(window, b);
    if (in_a != in_b) return in_a > in_b;
    return Gap(window, a) < Gap(window, b);
}

bool Covers(const Twips& outer, const Twips& inner) {
    return outer.left <= inner.left && outer.top <= inner.top &&
           outer.left + outer.width >= inner.left + inner.width &&
           outer.top + outer.height >= inner.top + inner.height;
}

}  // namespace

const WindowLook& MainWindow() { return kWindow; }

std::span<const Control> Controls() { return kControls; }

const Control* FindControl(std::string_view name) { return Named(name); }

std::size_t IndexOf(const Control& control) {
    return static_cast<std::size_t>(&control - kControls.data());
}

int ControlId(const Control& control) { return kFirstId + static_cast<int>(IndexOf(control)); }

bool IsInSight(const Control& control) {
    const Twips& place = control.place;
    const Control* container = ContainerOf(control);
    if (!container) return place.left < kWindow.client_width && place.top < kWindow.client_height;
    const Twips& frame = container->place;
    return place.left < frame.width && place.top < frame.height;
}

bool HasWindow(const Control& control) {
    if (control.kind == Kind::Line) return false;
    return control.kind != Kind::Label || IsInSight(control);
}

const Control& ButtonFor(TweakId id, Side side) {
    return *kButtons[IndexOf(id)][static_cast<std::size_t>(side)];
}

const Control* HolderFor(TweakId id) { return kHolders[IndexOf(id)]; }

const Control* ContainerOf(const Control& control) {
    return control.container == kInWindow ? nullptr : &kControls[std::size_t(control.container)];
}

const Control& TipArea() { return *kTipArea; }

const Control& FirstFrame() {
    const Control* first = nullptr;
    for (const Control& control : kControls)
        if (control.kind == Kind::Frame && (!first || control.tab_index < first->tab_index))
            first = &control;
    return *first;
}

int ToPixels(int twips, int dpi) { return (twips * dpi + 720) / 1440; }

std::optional<int> DpiChangeToApply(Sender sender, int window_dpi, int message_dpi) {
    if (sender != Sender::ThisThread) return std::nullopt;
    const int dpi = window_dpi ? window_dpi : message_dpi;
    if (!IsUsableDpi(dpi)) return std::nullopt;
    return dpi;
}

Rect PlaceOnMonitor(const Rect& monitor, const Rect& work, int width, int height) {
    return KeepOnWorkArea(work, monitor.left + (monitor.right - monitor.left - width) / 2,
                          monitor.top + (monitor.bottom - monitor.top - height) / 2, width, height);
}

Rect PlaceAfterDpiChange(std::span<const MonitorArea> monitors, int left, int top, int width,
                         int height) {
    const Rect wanted{left, top, left + width, top + height};
    long long on_work_areas = 0;
    const MonitorArea* holder = nullptr;
    for (const MonitorArea& monitor : monitors) {
        on_work_areas += Overlap(wanted, monitor.work);
        if (!holder || HoldsMore(wanted, monitor.monitor, holder->monitor)) holder = &monitor;
    }
    // Monitors do not overlap: all of the window is on their work areas
    // when the parts on each add up to the whole.
    if (!holder || on_work_areas >= static_cast<long long>(width) * height) return wanted;
    return KeepOnWorkArea(holder->work, left, top, width, height);
}

const Control* NextInTabOrder(const Control* from, bool backwards) {
    const std::size_t n = kTabOrder.size();
    for (std::size_t i = 0; i < n; ++i)
        if (kTabOrder[i] == from) return kTabOrder[backwards ? (i + n - 1) % n : (i + 1) % n];
    return backwards ? kTabOrder[n - 1] : kTabOrder[0];
}

Colour BackgroundBeneath(const Control& control) {
    for (const Control* behind = &control + 1; behind != kControls.data() + kControls.size();
         ++behind) {
        if (behind->container != control.container || behind->transparent) continue;
        if (behind->kind != Kind::Label) continue;  // only labels paint the surface
        if (Covers(behind->place, control.place)) return behind->back;
    }
    const Control* container = ContainerOf(control);
    return container ? container->back : kWindow.back;
}

}  // namespace brevlin::ui
