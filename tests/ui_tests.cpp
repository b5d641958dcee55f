// The window's table and texts, checked without a window.
#include <doctest/doctest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/design_names.h"
#include "tests/design_texts.h"
#include "tweaks/catalogue.h"
#include "ui/gif.h"
#include "ui/layout.h"
#include "ui/texts.h"

using namespace brevlin;
using namespace brevlin::ui;

namespace {

std::vector<std::uint8_t> FromHex(std::string_view hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(
            static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

// The pixels DrawGif draws, or nothing if it fails.
std::optional<std::vector<std::uint32_t>> Drawn(const std::vector<std::uint8_t>& file) {
    std::vector<std::uint32_t> pixels;
    const auto allocate = [](void* into, ImageSize size) {
        auto& memory = *static_cast<std::vector<std::uint32_t>*>(into);
        memory.assign(std::size_t(size.width) * std::size_t(size.height), 0xDEADBEEF);
        return std::span<std::uint32_t>(memory);
    };
    if (!DrawGif(file, allocate, &pixels)) return std::nullopt;
    return pixels;
}

}  // namespace

TEST_CASE(
    "the control table: whole pixels, three children to a frame, the hidden ones out of sight") {
    const auto children = [](const Control* container) {
        std::vector<const Control*> found;
        for (const Control& control : Controls())
            if (ContainerOf(control) == container) found.push_back(&control);
        return found;
    };
    CHECK(children(nullptr).size() == 21);
    for (const Control& control : Controls()) {
        CAPTURE(control.name);
        // Every place is a whole number of pixels at 96 DPI.
        CHECK(control.place.left % 15 == 0);
        CHECK(control.place.top % 15 == 0);
        CHECK(control.place.width % 15 == 0);
        CHECK(control.place.height % 15 == 0);
        if (control.kind != Kind::Frame) continue;
        const auto inside = children(&control);
        REQUIRE(inside.size() == 3);
        int buttons = 0;
        for (const Control* child : inside) {
            if (child->kind == Kind::OptionButton) ++buttons;
            // The help pictures lie beyond the frame's right edge, never seen.
            if (child->kind == Kind::PictureBox) CHECK(child->place.left >= control.place.width);
        }
        CHECK(buttons == 2);
    }
    // What lies out of sight: the holders, the text box and the line below
    // the client area, the help pictures beyond their frames. Of it, the
    // labels and the line are no windows at all.
    const std::set<std::string_view> out_of_sight = {
        "Text2",   "Label4", "Label5",   "Label6", "Label7",   "Label9",   "lbl50",   "Line1",
        "pattach", "pbcc",   "psystray", "pmsn",   "Picture1", "Picture2", "Picture3"};
    const std::set<std::string_view> no_window = {"Label4", "Label5", "Label6", "Label7",
                                                  "Label9", "lbl50",  "Line1"};
    for (const Control& control : Controls()) {
        CAPTURE(control.name);
        CHECK(IsInSight(control) == !out_of_sight.contains(control.name));
        CHECK(HasWindow(control) == !no_window.contains(control.name));
        if (out_of_sight.contains(control.name) && !ContainerOf(control))
            CHECK(control.place.top >= MainWindow().client_height);
    }
    CHECK(FirstFrame().name == "Frame1");
    CHECK(TipArea().name == "lbltip");

    // Each setting and side has its button in its frame, and each setting
    // that is read its holder.
    for (const test::ButtonName& button : test::kButtonNames) {
        CAPTURE(button.name);
        CHECK(ButtonFor(button.id, button.side).name == button.name);
        CHECK(ContainerOf(ButtonFor(button.id, button.side))->name == button.frame);
    }
    for (std::size_t i = 0; i < test::kHolderNames.size(); ++i)
        CHECK(HolderFor(Catalogue()[i].id)->name == test::kHolderNames[i]);
    CHECK(HolderFor(TweakId::deskicon) == nullptr);
}

TEST_CASE("twips become pixels at the real DPI") {
    const WindowLook& window = MainWindow();
    CHECK(ToPixels(window.client_width, 96) == 410);
    CHECK(ToPixels(window.client_height, 96) == 271);
    CHECK(ToPixels(window.client_width, 120) == 513);  // 125 %
    CHECK(ToPixels(window.client_width, 144) == 615);  // 150 %
    CHECK(ToPixels(2895, 144) == 290);
    CHECK(ToPixels(0, 144) == 0);
}

TEST_CASE("the window is centred on the screen, and never with its title bar off the work area") {
    const Rect screen{0, 0, 1024, 768};
    // 410 x 271 with its frame at 96 DPI: 416 x 296, centred on the whole
    // screen wherever a 40-pixel taskbar stands.
    for (const Rect& work : {screen, Rect{0, 0, 1024, 728}, Rect{0, 40, 1024, 768},
                             Rect{40, 0, 1024, 768}, Rect{0, 0, 984, 768}}) {
        CHECK(PlaceOnMonitor(screen, work, 416, 296) == Rect{304, 236, 720, 532});
    }
    // Centred, a 900 x 720 window would reach under the taskbar: it moves
    // off it, and no further.
    CHECK(PlaceOnMonitor(screen, {0, 0, 1024, 728}, 900, 720) == Rect{62, 8, 962, 728});
    CHECK(PlaceOnMonitor(screen, {0, 40, 1024, 768}, 900, 720) == Rect{62, 40, 962, 760});
    CHECK(PlaceOnMonitor(screen, {100, 0, 1024, 768}, 900, 720) == Rect{100, 24, 1000, 744});
    CHECK(PlaceOnMonitor(screen, {0, 0, 924, 768}, 900, 720) == Rect{24, 24, 924, 744});
    // At 288 DPI it is larger than the work area: its top-left corner at the
    // work area's, so the title bar can be grabbed.
    CHECK(PlaceOnMonitor(screen, screen, 1040, 784) == Rect{0, 0, 1040, 784});
    CHECK(PlaceOnMonitor(screen, {0, 40, 1024, 768}, 1040, 784) == Rect{0, 40, 1040, 824});
    CHECK(PlaceOnMonitor(screen, {40, 0, 1024, 728}, 800, 760) == Rect{112, 0, 912, 760});
    // A second monitor to the right of the first.
    const Rect second{1024, 0, 2304, 1024};
    CHECK(PlaceOnMonitor(second, second, 416, 296) == Rect{1456, 364, 1872, 660});
    // A place the system suggests on a DPI change is kept where it fits,
    // else moved onto the work area.
    const MonitorArea alone[] = {{screen, screen}};
    CHECK(PlaceAfterDpiChange(alone, 100, 50, 416, 296) == Rect{100, 50, 516, 346});
    CHECK(PlaceAfterDpiChange(alone, -50, 700, 416, 296) == Rect{0, 472, 416, 768});
    CHECK(PlaceAfterDpiChange(alone, 900, -20, 416, 296) == Rect{608, 0, 1024, 296});
    CHECK(PlaceAfterDpiChange(alone, -106, -53, 1040, 784) == Rect{0, 0, 1040, 784});

    // The DPIs a change may bring; anything else is ignored.
    CHECK_FALSE(IsUsableDpi(0));
    CHECK_FALSE(IsUsableDpi(47));
    CHECK(IsUsableDpi(48));
    CHECK(IsUsableDpi(288));
    CHECK(IsUsableDpi(960));
    CHECK_FALSE(IsUsableDpi(961));

    // A DPI change: only the system's own counts, sent within the window's
    // thread, at the DPI the system gives the window; the message's own
    // only where Windows cannot tell (0).
    struct Change {
        Sender sender;
        int window_dpi, message_dpi;
        std::optional<int> applied;
    };
    const Change changes[] = {
        {Sender::ThisThread, 144, 144, 144}, {Sender::ThisThread, 120, 144, 120},
        {Sender::ThisThread, 144, 0, 144},   {Sender::ThisThread, 0, 120, 120},
        {Sender::ThisThread, 0, 5000, {}},   {Sender::ThisThread, 0, 0, {}},
        {Sender::OtherThread, 144, 144, {}}, {Sender::OtherThread, 0, 120, {}},
        {Sender::OtherThread, 96, 96, {}},
    };
    for (const Change& change : changes) {
        CAPTURE(change.window_dpi);
        CAPTURE(change.message_dpi);
        CHECK(DpiChangeToApply(change.sender, change.window_dpi, change.message_dpi) ==
              change.applied);
    }
}

TEST_CASE(
    "dragged onto a monitor of another DPI, the window changes DPI once and never moves back") {
    // 1024 x 768 at 96 DPI and, to its right, 1920 x 1080 at 144 DPI, each
    // with a taskbar 40 pixels high.
    const MonitorArea monitors[] = {{{0, 0, 1024, 768}, {0, 0, 1024, 728}},
                                    {{1024, 0, 2944, 1080}, {1024, 0, 2944, 1040}}};
    // Windows gives the window the DPI of the monitor that holds most of it,
    // here the one its centre is on; on a change it suggests the window's
    // size at the new DPI (416 x 296 at 96), its top-left corner kept.
    int dpi = 96;
    int changes = 0;
    for (Rect window{500, 200, 916, 496}; window.left < 1024;) {  // dragged 8 pixels a step
        Rect moved{window.left + 8, window.top, window.right + 8, window.bottom};
        if (const int now = (moved.left + moved.right) / 2 > 1024 ? 144 : 96; now != dpi) {
            ++changes;
            dpi = now;
            moved = PlaceAfterDpiChange(monitors, moved.left, moved.top, 624, 444);
            CHECK(moved == Rect{820, 200, 1444, 644});  // its corner still on the first monitor
        }
        REQUIRE(moved.left > window.left);
        window = moved;
    }
    CHECK(changes == 1);
    // A place off the work areas goes onto the monitor that holds most of it.
    CHECK(PlaceAfterDpiChange(monitors, 700, 500, 624, 444) == Rect{1024, 500, 1648, 944});
}

TEST_CASE("Tab visits the focusable controls by tab index, wrapping both ways") {
    std::vector<std::string_view> order;
    for (const Control* at = nullptr; order.size() < test::kTabOrder.size();)
        order.push_back((at = NextInTabOrder(at, false))->name);
    CHECK(order == std::vector<std::string_view>(test::kTabOrder.begin(), test::kTabOrder.end()));
    CHECK(NextInTabOrder(FindControl("Option6"), false)->name == "Option3");
    CHECK(NextInTabOrder(FindControl("Option14"), false)->name == "Option6");
    CHECK(NextInTabOrder(FindControl("Option6"), true)->name == "Option14");
    // From nowhere (the window itself), forwards starts at the first control.
    CHECK(NextInTabOrder(nullptr, false)->name == "Option6");
    CHECK(NextInTabOrder(nullptr, true)->name == "Option14");
}

TEST_CASE("transparent labels show what lies beneath them") {
    CHECK(BackgroundBeneath(*FindControl("Label2")) == sys::kWindow);  // the white panel
    CHECK(BackgroundBeneath(*FindControl("Label3")) == sys::kWindow);
    CHECK(BackgroundBeneath(*FindControl("Label8")) == sys::kBtnFace);  // the window
    // The panel is drawn over the bottom five pixels of the tip area.
    const Twips tip = FindControl("lbltip")->place;
    const Twips panel = FindControl("Label1")->place;
    CHECK(tip.top + tip.height - panel.top == 75);
}

TEST_CASE("every text the window shows or hands to the shell, as the design writes it") {
    // An element without a tip has an empty one in the table.
    const auto designed_tip = [](std::string_view element) {
        return test::DesignedTip(element).value_or("");
    };
    CHECK(MainWindow().caption == test::kWindowCaption);
    CHECK(MainWindow().tip == designed_tip("frmmain"));
    for (const Control& control : Controls()) {
        CAPTURE(control.name);
        CHECK(control.text == test::DesignedText(control.name));
        CHECK(control.tip == designed_tip(control.name));
    }
    CHECK(kWebSite == test::kWebSite);
    CHECK(WebSiteTooltip() == test::kWebSiteTooltip);
    CHECK(kDonationUrl == test::kDonationUrl);
    CHECK(kFarewellText == test::kFarewellText);
    CHECK(kFarewellTitle == test::kFarewellTitle);
}

TEST_CASE("shell arguments: a text as it is, a number as digits, 0 as none") {
    CHECK(ShellText(std::string("Open")) == "Open");
    CHECK(ShellText(std::string()) == "");
    CHECK_FALSE(ShellText(0L).has_value());
    CHECK(ShellText(7L) == "7");
    CHECK(ShellText(-12L) == "-12");
}

TEST_CASE("the donation picture's GIF: drawn in its own colours, a broken file not at all") {
    // 5 x 3 pixels of four colours, an extension before the image, codes
    // 3 and 4 bits wide, one of them one past the table (the string before
    // it and that string's first colour); the same with a colour table of
    // the image's own.
    const std::string_view header =
        "47494638396105000300810000204060ff000000ff000000ff21f9040000000000";
    const std::string_view codes = "0206448ca023c305003b";
    const std::string_view indices = "010101000032332";
    const auto colours = [&](std::array<std::uint32_t, 4> table) {
        std::vector<std::uint32_t> pixels;
        for (char index : indices) pixels.push_back(table[index - '0']);
        return pixels;
    };
    const std::string image = "2c0000000005000300";
    const std::vector<std::uint8_t> whole =
        FromHex(std::string(header) + image + "00" + std::string(codes));
    CHECK(Drawn(whole) == colours({0x204060, 0xFF0000, 0x00FF00, 0x0000FF}));
    CHECK(Drawn(FromHex(std::string(header) + image + "81112233445566778899aabbcc" +
                        std::string(codes))) == colours({0x112233, 0x445566, 0x778899, 0xAABBCC}));
    // Cut short anywhere before its last pixel's code (the last byte of
    // codes holds only the end code), it draws nothing.
    for (std::size_t length = 0; length + 3 < whole.size(); ++length) {
        CAPTURE(length);
        CHECK_FALSE(Drawn({whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)}));
    }
    struct Broken {
        const char* what;
        std::string_view hex;
    };
    const Broken broken[] = {
        {"not a GIF", "89504e470d0a1a0a0000000d49484452"},
        {"no image", "47494638396105000300810000204060ff000000ff000000ff3b"},
        {"colours it has no table entry for",
         "47494638396105000300800000204060ff000021f90400000000002c0000000005000300000207841121"
         "1b33360a003b"},
        {"an interlaced image",
         "47494638396105000300810000204060ff000000ff000000ff21f90400000000002c000000000500030040"
         "02078411211b33360a003b"},
        {"no pixels",
         "47494638396100000300810000204060ff000000ff000000ff21f90400000000002c000000000000030000"
         "02078411211b33360a003b"},
        {"codes that start 10 bits wide",
         "47494638396105000300810000204060ff000000ff000000ff21f90400000000002c000000000500030000"
         "0906448ca023c305003b"},
        {"a code the table does not hold yet",
         "47494638396105000300810000204060ff000000ff000000ff21f90400000000002c000000000500030000"
         "02023c00003b"},
    };
    for (const Broken& file : broken) {
        INFO(file.what);
        CHECK_FALSE(Drawn(FromHex(file.hex)));
    }
}
