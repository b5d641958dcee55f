// The real brevlin.exe, started under Wine on a virtual display and driven
// with real pointer and keyboard input; the window is checked through its
// child windows and the settings through the registry itself.
#include <doctest/doctest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/driver.h"
#include "tweaks/catalogue.h"
#include "tweaks/settings.h"
#include "ui/layout.h"
#include "ui/texts.h"

using namespace brevlin;
using namespace brevlin::e2e;

namespace {

constexpr int kDpi = 96;

constexpr std::string_view kSecurity = "Software\\Microsoft\\Office\\10.0\\Outlook\\Security";
constexpr std::string_view kPreferences = "Software\\Microsoft\\Office\\10.0\\Outlook\\Preferences";
constexpr std::string_view kIm = "Software\\Microsoft\\Office\\10.0\\Outlook\\IM";
constexpr std::string_view kMail = "Software\\Microsoft\\Office\\10.0\\Outlook\\Options\\Mail";

int Px(int twips) { return ui::ToPixels(twips, kDpi); }

std::unique_ptr<Program> StartBrevlin() {
    auto program = std::make_unique<Program>();
    REQUIRE_MESSAGE(program->window() != nullptr, "brevlin.exe did not show its main window");
    return program;
}

HWND ControlOf(const Program& program, std::string_view name) {
    HWND window = program.Find(name);
    REQUIRE_MESSAGE(window != nullptr, "no child window for " << name);
    return window;
}

// The selected option buttons, in the window's table order.
std::string Selection(const Program& program) {
    std::string list;
    for (const ui::Control& control : ui::Controls()) {
        if (control.kind != ui::Kind::OptionButton) continue;
        HWND button = program.Find(control.name);
        if (!button || !IsChecked(button)) continue;
        if (!list.empty()) list += ' ';
        list += control.name;
    }
    return list;
}

std::string SelectionOf(const std::set<std::string_view>& selected) {
    std::string list;
    for (const ui::Control& control : ui::Controls()) {
        if (!selected.contains(control.name)) continue;
        if (!list.empty()) list += ' ';
        list += control.name;
    }
    return list;
}

// Presses the keys and reports where the focus is once it has reached the
// expected control, or once it has had time to.
std::string FocusAfterPress(const Program& program, std::string_view keys,
                            std::string_view expected) {
    Press(keys);
    WaitUntil([&] { return program.FocusName() == expected; }, 2000);
    return program.FocusName();
}

// Gives the program time to store what it should; the caller then compares.
void SettledOn(const Snapshot& expected) {
    WaitUntil([&] { return Snapshot::Take() == expected; }, 3000);
}

// What one button stores, spelled out rather than taken from the catalogue,
// so that a wrong entry there cannot hide.
struct Stores {
    std::string_view button;
    RegRoot root;
    std::string_view key;
    std::string_view value;  // empty: the button creates or deletes the key
    RegData data;
    bool creates_key = false;
};

const std::vector<Stores>& EveryButton() {
    static const std::vector<Stores> buttons = {
        {"Option6", RegRoot::CurrentUser, kSecurity, "Level1Remove",
         Sz("adp;mdb;asx;mda;mdz;exe;com;reg;bat;scr;ade;bas;vb;vbs;chm;cmd;cpl;crt;hlp;hta;inf;"
            "ins;isp;js;jse;lnk;mde;msi;msp;msc;mst;pcd;pif;prf;scf;sct;shb;shs;url;vbe;wsc;wsf;"
            "wsh")},
        {"Option3", RegRoot::CurrentUser, kSecurity, "Level1Remove", RawString(REG_SZ, "")},
        {"Option4", RegRoot::CurrentUser, kPreferences, "ShowBcc", Dword(1)},
        {"Option5", RegRoot::CurrentUser, kPreferences, "ShowBcc", Dword(0)},
        {"Option1", RegRoot::CurrentUser, kPreferences, "MinToTray", Dword(1)},
        {"Option2", RegRoot::CurrentUser, kPreferences, "MinToTray", Dword(0)},
        {"Option7", RegRoot::CurrentUser, kIm, "Enabled", Dword(1)},
        {"Option8", RegRoot::CurrentUser, kIm, "Enabled", Dword(0)},
        {"Option10", RegRoot::CurrentUser, kMail, "ReadAsPlain", Dword(1)},
        {"Option9", RegRoot::CurrentUser, kMail, "ReadAsPlain", Dword(0)},
        {"Option14", RegRoot::CurrentUser, kMail, "EnableLogging", Dword(1)},
        {"Option13", RegRoot::CurrentUser, kMail, "EnableLogging", Dword(0)},
        {"Option12", RegRoot::LocalMachine, kDesktopIconKey, "", {}, true},
        {"Option11", RegRoot::LocalMachine, kDesktopIconKey, "", {}, false},
    };
    return buttons;
}

const Stores& StoresOf(std::string_view button) {
    const std::vector<Stores>& all = EveryButton();
    const auto found = std::find_if(all.begin(), all.end(),
                                    [&](const Stores& stores) { return stores.button == button; });
    REQUIRE_MESSAGE(found != all.end(), "no such button: " << button);
    return *found;
}

Snapshot After(const Snapshot& before, const Stores& stores) {
    if (stores.value.empty())
        return stores.creates_key ? before.WithKey(stores.root, stores.key)
                                  : before.WithoutKey(stores.root, stores.key);
    return before.WithValue(stores.root, stores.key, stores.value, stores.data);
}

std::string_view PartnerOf(std::string_view button) {
    const auto ref = FindButton(button);
    REQUIRE(ref.has_value());
    return ref->tweak->choice(ref->side == Side::On ? Side::Off : Side::On).button;
}

}  // namespace

TEST_CASE("the main window: caption, fixed 410x271 client area, centred, cannot be resized") {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    REQUIRE_MESSAGE(dpi == kDpi, "the prefix must run at 96 DPI");

    ClearSettings();
    const auto app = StartBrevlin();
    HWND window = app->window();
    CHECK(ClassOf(window) == "BrevlinMain");
    CHECK(TextOf(window) == "Brevlin - Quenbrook");
    const SIZE client = ClientSize(window);
    CHECK(client.cx == 410);
    CHECK(client.cy == 271);

    const LONG style = StyleOf(window);
    CHECK((style & WS_CAPTION) == WS_CAPTION);
    CHECK((style & WS_SYSMENU) != 0);
    CHECK((style & WS_THICKFRAME) == 0);
    CHECK((style & WS_MAXIMIZEBOX) == 0);
    CHECK((style & WS_MINIMIZEBOX) == 0);

    const RECT frame = ScreenRect(window);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INFO("window at " << frame.left << "," << frame.top << " to " << frame.right << ","
                      << frame.bottom << " on a " << width << "x" << height << " screen");
    CHECK(std::abs(frame.left - (width - frame.right)) <= 1);
    CHECK(std::abs(frame.top - (height - frame.bottom)) <= 1);

    // A user's attempts: drag the bottom-right corner outwards, double-click
    // the caption. Either would change the size of a resizable window.
    const POINT corner{frame.right - 2, frame.bottom - 2};
    Drag(corner, {corner.x + 60, corner.y + 40});
    const POINT caption{(frame.left + frame.right) / 2, frame.top + 8};
    DoubleClickAt(caption);
    const auto resized = [&] {
        const SIZE now = ClientSize(window);
        return now.cx != 410 || now.cy != 271 || IsZoomed(window);
    };
    CHECK_FALSE(WaitUntil(resized, 700));
    CHECK(ClientSize(window).cx == 410);
    CHECK(ClientSize(window).cy == 271);
}

TEST_CASE("every control is a child window of its container, at its place, with its text") {
    ClearSettings();
    const auto app = StartBrevlin();

    std::set<std::string_view> holders;
    for (const Tweak& tweak : Catalogue())
        if (!tweak.holder.empty()) holders.insert(tweak.holder);

    int windows = 0;
    for (const ui::Control& control : ui::Controls()) {
        if (control.kind == ui::Kind::Line) continue;
        CAPTURE(control.name);
        HWND child = app->Find(control.name);
        CHECK_MESSAGE(child != nullptr, "no child window with id " << ui::ControlId(control));
        if (!child) continue;
        ++windows;

        HWND container = control.container.empty() ? app->window() : app->Find(control.container);
        CHECK(GetAncestor(child, GA_PARENT) == container);

        const LONG style = StyleOf(child);
        switch (control.kind) {
            case ui::Kind::Frame: CHECK(ClassOf(child) == "BrevlinFrame"); break;
            case ui::Kind::OptionButton:
                CHECK(ClassOf(child) == "Button");
                CHECK((style & BS_TYPEMASK) == BS_RADIOBUTTON);
                break;
            case ui::Kind::Label:
                CHECK(ClassOf(child) == "Static");
                CHECK((style & SS_NOTIFY) != 0);
                break;
            case ui::Kind::PictureBox: CHECK(ClassOf(child) == "BrevlinPicture"); break;
            case ui::Kind::TextBox: CHECK(ClassOf(child) == "Edit"); break;
            case ui::Kind::Line: break;
        }

        const RECT at = RectInParent(child);
        CHECK(at.left == Px(control.place.left));
        CHECK(at.top == Px(control.place.top));
        if (control.sizing != ui::Sizing::FitText) CHECK(at.right - at.left == Px(control.place.width));
        if (control.sizing == ui::Sizing::Fixed) CHECK(at.bottom - at.top == Px(control.place.height));

        // A holder shows what start-up read, not its caption.
        const bool shows_caption = control.kind == ui::Kind::Frame ||
                                   control.kind == ui::Kind::OptionButton ||
                                   control.kind == ui::Kind::Label;
        if (shows_caption && !holders.contains(control.name)) CHECK(TextOf(child) == control.text);
    }
    CHECK(windows == static_cast<int>(ui::Controls().size()) - 1);
}

TEST_CASE("start-up shows each stored setting, neither desktop-icon button, and writes nothing") {
    struct Stored {
        TweakId id;
        RegData data;
    };
    struct State {
        const char* what;
        std::vector<Stored> values;
        bool desktop_icon;
        std::set<std::string_view> selected;
    };
    const std::vector<State> states = {
        {"nothing stored", {}, false,
         {"Option3", "Option5", "Option2", "Option8", "Option9", "Option13"}},
        {"a list of extensions and every number 1",
         {{TweakId::attach, Sz("exe;zip")},
          {TweakId::bcc, Dword(1)},
          {TweakId::systray, Dword(1)},
          {TweakId::msn, Dword(1)},
          {TweakId::plaintext, Dword(1)},
          {TweakId::logging, Dword(1)}},
         true,
         {"Option6", "Option4", "Option1", "Option7", "Option10", "Option14"}},
        {"an empty list, the text \"1\", and ones that are not 4-byte REG_DWORD",
         {{TweakId::attach, RawString(REG_SZ, "")},
          {TweakId::bcc, Sz("1")},
          {TweakId::systray, Dword(0)},
          {TweakId::msn, Dword(0xFFFFFFFF)},
          {TweakId::plaintext, Binary(std::string("\x01\0\0\0", 4))},
          {TweakId::logging, Qword(1)}},
         false,
         {"Option3", "Option5", "Option2", "Option8", "Option9", "Option13"}},
        {"a list that is not REG_SZ, a 2, and ones",
         {{TweakId::attach, RawString(REG_EXPAND_SZ, std::string("exe;zip\0", 8))},
          {TweakId::bcc, Dword(2)},
          {TweakId::systray, Dword(1)},
          {TweakId::msn, Dword(1)},
          {TweakId::plaintext, Sz("1")},
          {TweakId::logging, Dword(1)}},
         false,
         {"Option3", "Option5", "Option1", "Option7", "Option9", "Option14"}},
    };

    for (const State& state : states) {
        INFO("stored: " << state.what);
        ClearSettings();
        for (const Stored& stored : state.values) {
            const Tweak& tweak = TweakFor(stored.id);
            PutValue(tweak.root, tweak.key_path, tweak.value_name, stored.data);
        }
        if (state.desktop_icon) PutKey(RegRoot::LocalMachine, kDesktopIconKey);
        const Snapshot before = Snapshot::Take();

        const auto app = StartBrevlin();
        const std::string expected = SelectionOf(state.selected);
        WaitUntil([&] { return Selection(*app) == expected; }, 2000);
        CHECK(Selection(*app) == expected);

        // The keyboard starts on Frame1's selected button.
        const std::string_view focus = state.selected.contains("Option3") ? "Option3" : "Option6";
        WaitUntil([&] { return app->FocusName() == focus; }, 2000);
        CHECK(app->FocusName() == focus);

        CHECK(Snapshot::Take().Text() == before.Text());
    }
}

TEST_CASE("a click on each of the fourteen buttons stores exactly its choice and nothing else") {
    ClearSettings();
    const auto app = StartBrevlin();

    // Nothing stored: each frame's other button is clicked first, so that
    // every click changes the selection.
    std::set<std::string_view> selected = {"Option3", "Option5", "Option2",
                                           "Option8", "Option9", "Option13"};
    REQUIRE(Selection(*app) == SelectionOf(selected));

    for (const Stores& stores : EveryButton()) {
        CAPTURE(stores.button);
        const Snapshot before = Snapshot::Take();
        HWND button = ControlOf(*app, stores.button);
        CHECK_FALSE(IsChecked(button));

        Click(button);
        selected.erase(PartnerOf(stores.button));
        selected.insert(stores.button);
        const Snapshot expected = After(before, stores);
        SettledOn(expected);
        CHECK(Snapshot::Take().Text() == expected.Text());
        CHECK(Selection(*app) == SelectionOf(selected));
    }
}

TEST_CASE("Tab and Shift+Tab take the focus round the tab order, hidden controls too, storing nothing") {
    ClearSettings();
    const Snapshot before = Snapshot::Take();
    const auto app = StartBrevlin();
    const std::string selection = Selection(*app);
    REQUIRE(WaitUntil([&] { return app->FocusName() == "Option3"; }, 2000));
    // Keys reach the window only once the display has given it the keyboard.
    REQUIRE(WaitForKeyboard(app->window()));

    const std::vector<const ui::Control*> order = ui::TabOrder();
    const std::size_t n = order.size();
    std::size_t start = 0;
    while (order[start]->name != "Option3") ++start;

    for (std::size_t step = 1; step <= n; ++step) {
        const std::string_view expected = order[(start + step) % n]->name;
        CAPTURE(step);
        CHECK(FocusAfterPress(*app, "Tab", expected) == expected);
    }
    for (std::size_t step = 1; step <= n; ++step) {
        const std::string_view expected = order[(start + n - step % n) % n]->name;
        CAPTURE(step);
        CHECK(FocusAfterPress(*app, "shift+Tab", expected) == expected);
    }

    CHECK(Selection(*app) == selection);
    CHECK(Snapshot::Take().Text() == before.Text());
}

TEST_CASE("inside a frame an arrow key selects the other button and Space the focused one, storing it") {
    ClearSettings();
    const auto app = StartBrevlin();
    REQUIRE(WaitUntil([&] { return app->FocusName() == "Option3"; }, 2000));
    // Keys reach the window only once the display has given it the keyboard.
    REQUIRE(WaitForKeyboard(app->window()));

    struct Step {
        const char* keys;
        std::string_view selects;  // and then has the focus
    };
    const Step steps[] = {
        {"Right", "Option6"}, {"Left", "Option3"},                          // Frame1
        {"Tab", ""}, {"Tab", ""}, {"Tab", ""},                               // to Option4
        {"space", "Option4"}, {"Down", "Option5"}, {"Up", "Option4"},        // Frame3
    };
    std::set<std::string_view> selected = {"Option3", "Option5", "Option2",
                                           "Option8", "Option9", "Option13"};
    for (const Step& step : steps) {
        CAPTURE(step.keys);
        const Snapshot before = Snapshot::Take();
        if (step.selects.empty()) {
            const std::string from = app->FocusName();
            const std::string_view to = ui::NextInTabOrder(from, false)->name;
            CHECK(FocusAfterPress(*app, step.keys, to) == to);
            CHECK(Snapshot::Take().Text() == before.Text());
            continue;
        }
        Press(step.keys);
        selected.erase(PartnerOf(step.selects));
        selected.insert(step.selects);
        const Snapshot expected = After(before, StoresOf(step.selects));
        SettledOn(expected);
        CHECK(Snapshot::Take().Text() == expected.Text());
        CHECK(Selection(*app) == SelectionOf(selected));
        CHECK(app->FocusName() == step.selects);
    }
}

TEST_CASE("a setting that cannot be stored: a warning names it and the selection stays as it was") {
    ClearSettings();
    PutValue(RegRoot::CurrentUser, kSecurity, "Level1Remove", RawString(REG_SZ, ""));
    PutValue(RegRoot::CurrentUser, kPreferences, "ShowBcc", Dword(0));
    const auto app = StartBrevlin();
    const Snapshot before = Snapshot::Take();
    const std::string selection = Selection(*app);
    REQUIRE(selection == SelectionOf({"Option3", "Option5", "Option2", "Option8", "Option9", "Option13"}));

    struct Attempt {
        TweakId id;
        std::string_view button;
    };
    for (const Attempt attempt : {Attempt{TweakId::attach, "Option6"}, Attempt{TweakId::bcc, "Option4"}}) {
        const Tweak& tweak = TweakFor(attempt.id);
        CAPTURE(attempt.button);
        ReadOnlyKey lock(tweak.root, tweak.key_path);
        Click(ControlOf(*app, attempt.button));

        const std::optional<MessageBoxView> box = WaitForMessageBox(app->process_id());
        REQUIRE_MESSAGE(box.has_value(), "no warning appeared");
        CHECK(box->title == "Brevlin");
        CHECK(box->text.find(tweak.frame_caption) != std::string::npos);
        CHECK(box->text.find("could not be changed") != std::string::npos);
        CHECK(box->text == WriteFailureMessage(tweak, FindButton(attempt.button)->side,
                                               {status::kAccessDenied}));
        CHECK(std::string(NameOf(box->icon)) == NameOf(BoxIcon::Warning));
        CHECK(box->buttons == std::vector<int>{IDOK});
        CHECK(GetWindow(box->box, GW_OWNER) == app->window());

        // When the warning closes, Windows gives the focus back to the button,
        // which reports a click for it: that is no second attempt.
        HWND button = ControlOf(*app, attempt.button);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(GetParent(button), WM_COMMAND,
                            MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                            reinterpret_cast<LPARAM>(button), SMTO_ABORTIFHUNG, 2000, &ignored);
        CHECK(FindMessageBoxes(app->process_id()).size() == 1);

        PressButton(box->box, IDOK);
        CHECK(WaitUntil([&] { return FindMessageBox(app->process_id()) == nullptr; }, 3000));
        CHECK(app->Running());
        CHECK(IsWindowVisible(app->window()));
        WaitUntil([&] { return Selection(*app) == selection; }, 1000);
        CHECK(Selection(*app) == selection);
        CHECK(Snapshot::Take().Text() == before.Text());
    }

    // Unlocked again, the same click goes through.
    Click(ControlOf(*app, "Option4"));
    const Snapshot expected = After(before, StoresOf("Option4"));
    SettledOn(expected);
    CHECK(Snapshot::Take().Text() == expected.Text());
    CHECK(FindMessageBox(app->process_id()) == nullptr);
}

TEST_CASE("the click Windows reports when a radio button merely gets the focus stores nothing") {
    // Windows sends BN_CLICKED to an unselected radio button's parent when
    // the button receives the focus; Wine does not, so the test sends it.
    ClearSettings();
    const Snapshot before = Snapshot::Take();
    const auto app = StartBrevlin();
    const std::string selection = Selection(*app);
    for (const Tweak& tweak : Catalogue()) {
        for (const Choice* choice : {&tweak.on, &tweak.off}) {
            HWND button = app->Find(choice->button);
            REQUIRE(button);
            if (IsChecked(button)) continue;
            CAPTURE(choice->button);
            const WPARAM command = MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED);
            DWORD_PTR ignored = 0;
            CHECK(SendMessageTimeoutA(GetParent(button), WM_COMMAND, command,
                                      reinterpret_cast<LPARAM>(button), SMTO_ABORTIFHUNG, 2000,
                                      &ignored));
            CHECK_FALSE(IsChecked(button));
        }
    }
    CHECK(Selection(*app) == selection);
    CHECK(FindMessageBox(app->process_id()) == nullptr);
    CHECK(Snapshot::Take().Text() == before.Text());
}
