// The window's answers to the pointer and to every way of closing it, with the
// real brevlin.exe under Wine: the tip area follows the pointer, the two
// links open their pages through the shell, and the farewell comes once
// before the program ends.
#include <doctest/doctest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/design_names.h"
#include "tests/design_texts.h"
#include "tests/e2e/driver.h"

using namespace brevlin;
using namespace brevlin::e2e;

namespace {

// How long a tip that should stay as it is gets to change anyway, once the
// window has handled the pointer's move.
constexpr int kStaysMs = 150;

std::unique_ptr<Program> StartBrevlin() {
    // Out of the way, so that no control shows its tip before the test asks.
    MovePointer({0, 0});
    auto program = std::make_unique<Program>();
    REQUIRE_MESSAGE(program->window() != nullptr,
                    "brevlin.exe did not show its main window: " << program->Outcome());
    // The controls out of sight are made just after the window shows.
    REQUIRE(program->Settle());
    return program;
}

std::string Tip(const Program& program) { return TextOf(program.Find("lbltip")); }

std::string_view TipOf(std::string_view element) {
    const auto tip = test::DesignedTip(element);
    REQUIRE_MESSAGE(tip.has_value(), element << " has no tip");
    return *tip;
}

// The window or control an element of the tip table names.
HWND WindowOf(const Program& program, std::string_view element) {
    HWND window = element == "frmmain" ? program.window() : program.Find(element);
    REQUIRE_MESSAGE(window != nullptr, "no window for " << element);
    return window;
}

// A point where the pointer is over the element and nothing else.
POINT SpotOf(const Program& program, std::string_view element) {
    const std::optional<POINT> spot = SpotOn(WindowOf(program, element));
    REQUIRE_MESSAGE(spot.has_value(), "no point of " << element << " is free to point at");
    return *spot;
}

// Moves the pointer onto the element and waits until the tip area shows
// `expected`. The window looks at the pointer only when it moves, so if the
// tip has not come, the pointer moves by a pixel and back.
std::string PointAt(const Program& program, std::string_view element, std::string_view expected) {
    const POINT spot = SpotOf(program, element);
    MovePointer(spot);
    if (WaitUntil([&] { return Tip(program) == expected; }, 1000)) return Tip(program);
    MovePointer({spot.x + 1, spot.y});
    MovePointer(spot);
    WaitUntil([&] { return Tip(program) == expected; }, 1000);
    return Tip(program);
}

// Moves the pointer to a point, lets the window handle the move and then
// gives the tip a moment to change; returns the tip as it is after that.
std::string PointAtAndWait(const Program& program, POINT spot) {
    const std::string before = Tip(program);
    MovePointer(spot);
    CHECK(RoundTrip(program.window()));
    WaitUntil([&] { return Tip(program) != before; }, kStaysMs);
    return Tip(program);
}

// One URL a line, to compare and print.
std::string Listed(const std::vector<std::string>& urls) {
    std::string text;
    for (const std::string& url : urls) text += url + "\n";
    return text;
}

}  // namespace

TEST_CASE("the tip area shows the tip of each of the twelve elements that have one") {
    ClearSettings();
    const auto app = StartBrevlin();
    REQUIRE(Tip(*app) == test::kDefaultTip);

    // Each element right after one whose tip differs, so that every one of
    // them has to change the text.
    const std::string_view order[] = {"Frame1", "frmmain", "Frame2", "Label2",  "Frame3", "lbltip",
                                      "Frame4", "Label3",  "Frame5", "ppaypal", "Frame6", "Frame7"};
    std::string previous(test::kDefaultTip);
    for (const std::string_view element : order) {
        CAPTURE(element);
        const std::string_view expected = TipOf(element);
        REQUIRE(expected != previous);
        CHECK(PointAt(*app, element, expected) == expected);
        previous = std::string(expected);
    }
}

TEST_CASE(
    "option buttons, the white panel and Exit Brevlin keep the tip, as does leaving the window") {
    ClearSettings();
    const auto app = StartBrevlin();

    struct Step {
        std::string_view element;   // where the pointer goes
        std::string_view tip_from;  // whose tip shows then
    };
    const Step steps[] = {
        // A frame, then its own button.
        {"Frame1", "Frame1"},
        {"Option3", "Frame1"},
        {"Option6", "Frame1"},
        // Straight from one frame onto another frame's button.
        {"Frame2", "Frame2"},
        {"Option3", "Frame2"},
        {"Frame5", "Frame5"},
        {"Option13", "Frame5"},
        {"Option9", "Frame5"},
        // The white panel and the exit label, after a frame and after the link.
        {"Label1", "Frame5"},
        {"Label8", "Frame5"},
        {"Label3", "Label3"},
        {"Label1", "Label3"},
        {"Frame6", "Frame6"},
        {"Label8", "Frame6"},
    };
    for (const Step& step : steps) {
        CAPTURE(step.element);
        const std::string_view expected = TipOf(step.tip_from);
        if (test::DesignedTip(step.element)) {
            CHECK(PointAt(*app, step.element, expected) == expected);
        } else {
            CHECK(PointAtAndWait(*app, SpotOf(*app, step.element)) == expected);
        }
    }

    // Off the window onto the bare screen, after an element with a tip and
    // after one without.
    const RECT outer = ScreenRect(app->window());
    const POINT outside{outer.left / 2, outer.top / 2};
    REQUIRE(WindowFromPoint(outside) == GetDesktopWindow());
    CHECK(PointAt(*app, "ppaypal", TipOf("ppaypal")) == TipOf("ppaypal"));
    CHECK(PointAtAndWait(*app, outside) == TipOf("ppaypal"));
    CHECK(PointAt(*app, "Frame4", TipOf("Frame4")) == TipOf("Frame4"));
    CHECK(PointAtAndWait(*app, SpotOf(*app, "Option8")) == TipOf("Frame4"));
    CHECK(PointAtAndWait(*app, outside) == TipOf("Frame4"));
}

TEST_CASE(
    "the copyright line and the donation picture open their pages, each click once, and the window stays") {
    ClearSettings();
    const UrlRecorder browser;
    const auto app = StartBrevlin();
    const Snapshot before = Snapshot::Take();

    struct Link {
        std::string_view element;
        std::string url;
    };
    const Link site{"Label3", std::string(test::kWebSite)};
    const Link donation{"ppaypal", std::string(test::kDonationUrl)};
    std::vector<std::string> expected;
    ULONGLONG last_click = 0;
    for (const Link& link : {site, site, donation, donation}) {
        CAPTURE(link.element);
        // Two presses within the double-click time are a double-click, another
        // gesture: the next click comes after it, as a user's second click would.
        const ULONGLONG separate = last_click + GetDoubleClickTime() + 50;
        if (GetTickCount64() < separate) Sleep(static_cast<DWORD>(separate - GetTickCount64()));
        ClickAt(SpotOf(*app, link.element));
        last_click = GetTickCount64();

        expected.push_back(link.url);
        CHECK(Listed(browser.WaitForUrls(expected.size())) == Listed(expected));
        CHECK(app->Running());
        CHECK(IsWindowVisible(app->window()));
        CHECK(FindMessageBox(app->process_id()) == nullptr);
        CHECK(Tip(*app) == TipOf(link.element));
    }

    // Pressed on a link and let go elsewhere: no click.
    const POINT press = SpotOf(*app, "ppaypal");
    const POINT away = SpotOf(*app, "Label1");
    Drag(press, away);
    CHECK(RoundTrip(app->window()));
    CHECK_FALSE(WaitUntil([&] { return browser.Urls().size() > expected.size(); }, 1000));
    CHECK(Listed(browser.Urls()) == Listed(expected));

    // Pressed on a link, the press ended by another program (as when a
    // window takes the mouse), and let go on the link: no click.
    for (const Link& link : {site, donation}) {
        CAPTURE(link.element);
        HWND target = app->Find(link.element);
        const POINT at = SpotOf(*app, link.element);
        Drag(at, at, [&] {
            CHECK(WaitUntil([&] { return app->Capture() == target; }, 2000));
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(target, WM_CANCELMODE, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
        });
        CHECK(RoundTrip(app->window()));
        CHECK_FALSE(WaitUntil([&] { return browser.Urls().size() > expected.size(); }, 1000));
    }

    // A double click opens each page once, on the label as on the picture.
    for (const Link& link : {site, donation}) {
        CAPTURE(link.element);
        Sleep(GetDoubleClickTime() + 50);
        const POINT at = SpotOf(*app, link.element);
        DoubleClickAt(at);
        expected.push_back(link.url);
        CHECK(Listed(browser.WaitForUrls(expected.size())) == Listed(expected));
        CHECK(RoundTrip(app->window()));
        CHECK_FALSE(WaitUntil([&] { return browser.Urls().size() > expected.size(); }, 1000));
    }

    CHECK(app->Running());
    CHECK(Snapshot::Take().Text() == before.Text());
}

TEST_CASE("every way of closing shows the farewell once, then the program ends, storing nothing") {
    // Each way does what a user does; false if it could not.
    struct Way {
        std::string_view name;
        bool (*close)(const Program& program);
    };
    const Way ways[] = {
        {"a click on Exit Brevlin",
         [](const Program& program) {
             Click(program.Find("Label8"));
             return true;
         }},
        {"a click on the close box",
         [](const Program& program) {
             const std::optional<POINT> close = TitleBarSpot(program.window(), HTCLOSE);
             CHECK_MESSAGE(close.has_value(), "the title bar has no close box");
             if (close) ClickAt(*close);
             return close.has_value();
         }},
        {"Close in the system menu",
         [](const Program& program) {
             Press("alt+space");
             const bool menu = WaitUntil(
                 [&] { return FindShownWindow(program.process_id(), "#32768") != nullptr; });
             CHECK_MESSAGE(menu, "Alt+Space did not open the system menu");
             if (menu) Press("c");
             return menu;
         }},
        {"Alt+F4",
         [](const Program&) {
             Press("alt+F4");
             return true;
         }},
        {"WM_CLOSE",
         [](const Program& program) {
             return PostMessageA(program.window(), WM_CLOSE, 0, 0) != FALSE;
         }},
    };

    for (const Way& way : ways) {
        CAPTURE(way.name);
        ClearSettings();
        const Snapshot before = Snapshot::Take();
        const auto app = StartBrevlin();
        HWND window = app->window();
        // The keys must reach the window, as the pointer does anyway.
        CHECK(WaitForKeyboard(window));

        if (!way.close(*app)) continue;
        const std::optional<MessageBoxView> box = WaitForMessageBox(app->process_id());
        CHECK_MESSAGE(box.has_value(), "no farewell appeared");
        if (!box) continue;
        CHECK(box->title == test::kFarewellTitle);
        CHECK(box->text == test::kFarewellText);
        CHECK(std::string(NameOf(box->icon)) == NameOf(BoxIcon::Information));
        CHECK(box->buttons == std::vector<int>{IDOK});
        CHECK(GetWindow(box->box, GW_OWNER) == window);
        CHECK(IsWindowVisible(window));

        // More requests to close while it shows: a sent WM_CLOSE comes back
        // at once (a second box would hold it), a posted one is handled too.
        // Presses from another program (BM_CLICK, an automation tool's)
        // store nothing, as the check after the end finds.
        DWORD_PTR ignored = 0;
        CHECK(SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored) != 0);
        PostMessageA(window, WM_CLOSE, 0, 0);
        for (const test::ButtonName& button : test::kButtonNames)
            PostMessageA(app->Find(button.name), BM_CLICK, 0, 0);
        CHECK(app->Settle());
        const std::vector<HWND> boxes = FindMessageBoxes(app->process_id());
        CHECK(boxes.size() == 1);
        CHECK(std::count(boxes.begin(), boxes.end(), box->box) == 1);
        CHECK(app->Running());

        PressButton(box->box, IDOK);
        CHECK(app->WaitForExit());
        CHECK(Snapshot::Take().Text() == before.Text());
    }
}

TEST_CASE("the pointing hand over the two links and Exit Brevlin, the arrow elsewhere") {
    ClearSettings();
    const auto app = StartBrevlin();
    const auto text = [](const std::optional<POINT>& spot) {
        return spot ? std::to_string(spot->x) + "," + std::to_string(spot->y) : "none";
    };
    const std::string hand = "5,0";
    for (std::string_view element :
         {"Label3", "Label8", "ppaypal", "Frame1", "Option3", "Label1", "lbltip", "frmmain"}) {
        CAPTURE(element);
        const bool wants_hand = element == "Label3" || element == "Label8" || element == "ppaypal";
        const POINT spot = SpotOf(*app, element);
        MovePointer(spot);
        MovePointer({spot.x + 1, spot.y});
        CHECK(RoundTrip(app->window()));
        if (wants_hand) {
            CHECK(WaitUntil([&] { return text(PointerHotSpot()) == hand; }, 1000));
        } else {
            CHECK(WaitUntil([&] { return PointerHotSpot().has_value(); }, 1000));
            CHECK(text(PointerHotSpot()) != hand);
        }
    }
}
