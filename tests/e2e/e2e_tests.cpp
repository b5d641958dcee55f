// The real brevlin.exe, started under Wine on a virtual display and driven
// with real pointer and keyboard input; the window is checked through its
// child windows and the settings through the registry itself.
#include <doctest/doctest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/design_names.h"
#include "tests/design_texts.h"
#include "tests/e2e/driver.h"
#include "tweaks/catalogue.h"
#include "ui/layout.h"

using namespace brevlin;
using namespace brevlin::e2e;

namespace {

constexpr int kDpi = 96;

constexpr std::string_view kSecurity = "Software\\Microsoft\\Office\\10.0\\Outlook\\Security";
constexpr std::string_view kPreferences = "Software\\Microsoft\\Office\\10.0\\Outlook\\Preferences";
constexpr std::string_view kIm = "Software\\Microsoft\\Office\\10.0\\Outlook\\IM";
constexpr std::string_view kMail = "Software\\Microsoft\\Office\\10.0\\Outlook\\Options\\Mail";

std::unique_ptr<Program> StartBrevlin() {
    auto program = std::make_unique<Program>();
    REQUIRE_MESSAGE(program->window() != nullptr,
                    "brevlin.exe did not show its main window: " << program->Outcome());
    // The controls out of sight are made just after the window shows.
    REQUIRE(program->Settle());
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

// The client area as a user sees it, and whether anything grew it.
std::string ClientArea(HWND window) {
    const SIZE client = ClientSize(window);
    return std::to_string(client.cx) + "x" + std::to_string(client.cy) +
           (IsZoomed(window) ? " maximised" : "");
}

bool CentredOnScreen(HWND window) {
    const RECT frame = ScreenRect(window);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INFO("window at " << frame.left << "," << frame.top << " to " << frame.right << ","
                      << frame.bottom << " on a " << width << "x" << height << " screen");
    return std::abs(frame.left - (width - frame.right)) <= 1 &&
           std::abs(frame.top - (height - frame.bottom)) <= 1;
}

// Sets the system DPI that programs started from now on see, until it ends.
class SystemDpi {
public:
    explicit SystemDpi(DWORD dpi) { Set(dpi); }
    ~SystemDpi() { Set(kDpi); }
    SystemDpi(const SystemDpi&) = delete;
    SystemDpi& operator=(const SystemDpi&) = delete;

private:
    static void Set(DWORD dpi) {
        PutValue(RegRoot::CurrentUser, "Control Panel\\Desktop", "LogPixels", Dword(dpi));
    }
};

}  // namespace

TEST_CASE(
    "the main window: caption, fixed 410x271 client area, centred, never resized or maximised") {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    REQUIRE_MESSAGE(dpi == kDpi, "the prefix must run at 96 DPI");

    ClearSettings();
    const auto app = StartBrevlin();
    HWND window = app->window();
    CHECK(ClassOf(window) == "BrevlinMain");
    CHECK(TextOf(window) == test::kWindowCaption);
    CHECK(ClientArea(window) == "410x271");

    const LONG style = StyleOf(window);
    CHECK((style & WS_CAPTION) == WS_CAPTION);
    CHECK((style & WS_SYSMENU) != 0);
    CHECK((style & WS_THICKFRAME) == 0);
    CHECK((style & WS_MAXIMIZEBOX) == 0);
    CHECK((style & WS_MINIMIZEBOX) == 0);
    CHECK(CentredOnScreen(window));
    const RECT frame = ScreenRect(window);

    // A user's attempts: drag the bottom-right corner outwards, double-click
    // the caption. Another program's: the system menu's Maximize, ShowWindow,
    // a new size. None may show more of the window than its 410 x 271.
    const POINT corner{frame.right - 2, frame.bottom - 2};
    Drag(corner, {corner.x + 60, corner.y + 40});
    const POINT caption{(frame.left + frame.right) / 2, frame.top + 8};
    DoubleClickAt(caption);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
    ShowWindowAsync(window, SW_MAXIMIZE);
    ShowWindowAsync(window, SW_SHOWMAXIMIZED);
    SetWindowPos(window, nullptr, 0, 0, 1000, 700, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    CHECK(RoundTrip(window));
    CHECK_FALSE(WaitUntil([&] { return ClientArea(window) != "410x271"; }, 700));
    CHECK(ClientArea(window) == "410x271");
    CHECK(app->Running());
}

TEST_CASE(
    "a maximised start, as from a shortcut set to Run: Maximized, opens the window normal and centred") {
    ClearSettings();
    Program app(ProgramPath(), "BrevlinMain", SW_SHOWMAXIMIZED);
    REQUIRE(app.window() != nullptr);
    CHECK(RoundTrip(app.window()));
    CHECK(ClientArea(app.window()) == "410x271");
    CHECK(CentredOnScreen(app.window()));
}

TEST_CASE(
    "messages any program may post or send, the window's own and DPI changes full of garbage, "
    "change nothing") {
    ClearSettings();
    const auto app = StartBrevlin();
    HWND window = app->window();
    const RECT before = ScreenRect(window);
    const auto descendants = [&] {
        int count = 0;
        EnumChildWindows(
            window, [](HWND, LPARAM counted) { return ++*reinterpret_cast<int*>(counted), TRUE; },
            reinterpret_cast<LPARAM>(&count));
        return count;
    };
    // Every control but the line and the six empty labels, each made once,
    // however often the message that makes those out of sight comes again.
    CHECK(descendants() == 35);
    for (UINT message = WM_APP; message < WM_APP + 16; ++message)
        PostMessageA(window, message, 0, 0);
    REQUIRE(app->Settle());
    CHECK(descendants() == 35);

    // A DPI change comes from the system alone: whatever another program
    // posts or sends, a DPI of no screen or of one, any address (even one
    // every process can read), moves and resizes nothing.
    struct Change {
        const char* what;
        WPARAM dpi;
        LPARAM rectangle;
    };
    const Change changes[] = {
        {"no rectangle", MAKEWPARAM(144, 144), 0},
        {"a DPI of 0", MAKEWPARAM(0, 0), 0x10000},
        {"a DPI of 5000", MAKEWPARAM(5000, 5000), 0x10000},
        {"an address that is not there", MAKEWPARAM(144, 144), 0x10},
        {"an address far away", MAKEWPARAM(120, 120), static_cast<LPARAM>(0x7FF000000000LL)},
        {"the shared user-data page at 144 DPI", MAKEWPARAM(144, 144), 0x7FFE0000},
        {"the shared user-data page at 120 DPI", MAKEWPARAM(120, 120), 0x7FFE0000},
    };
    for (const Change& change : changes) {
        INFO(change.what);
        PostMessageA(window, WM_DPICHANGED, change.dpi, change.rectangle);
        CHECK(app->Settle());
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(window, WM_DPICHANGED, change.dpi, change.rectangle, SMTO_ABORTIFHUNG,
                            2000, &ignored);
        CHECK(app->Running());
        CHECK(ClientArea(window) == "410x271");
        const RECT now = ScreenRect(window);
        CHECK(now.left == before.left);
        CHECK(now.top == before.top);
    }
}

TEST_CASE("at 288 DPI the window is laid out three times larger, its title bar on the screen") {
    ClearSettings();
    const SystemDpi dpi(288);
    const auto app = StartBrevlin();
    CHECK(ClientArea(app->window()) == "1230x813");  // 6150 x 4065 twips at 288 DPI
    // Larger than the 1024 x 768 screen: its top-left corner at the screen's.
    const RECT frame = ScreenRect(app->window());
    CHECK(frame.left == 0);
    CHECK(frame.top == 0);
    CHECK(TitleBarSpot(app->window(), HTCAPTION).has_value());
}

TEST_CASE("every control is a child window of its container, at its place, with its text") {
    ClearSettings();
    const auto app = StartBrevlin();

    // Pixels at 96 DPI, from the twips of the window's design divided by 15.
    // A control inside a frame is measured from the frame's outer corner; a
    // width or height of -1 is the text's own. Each shows its designed text.
    struct Expected {
        const char* name;
        const char* container;  // "" for the window
        const char* window_class;
        int left, top, width, height;
    };
    const Expected expected[] = {
        {"Frame7", "", "BrevlinFrame", 213, 102, 193, 37},
        {"Frame6", "", "BrevlinFrame", 213, 53, 193, 37},
        {"Frame5", "", "BrevlinFrame", 213, 4, 193, 37},
        {"ppaypal", "", "BrevlinPicture", 336, 235, 62, 31},
        {"Text2", "", "Edit", 64, 400, 185, 19},
        {"Frame4", "", "BrevlinFrame", 5, 146, 193, 37},
        {"Frame3", "", "BrevlinFrame", 5, 53, 193, 37},
        {"Frame2", "", "BrevlinFrame", 5, 102, 193, 37},
        {"Frame1", "", "BrevlinFrame", 5, 4, 193, 37},
        {"Label2", "", "Static", 48, 236, -1, -1},
        {"Label3", "", "Static", 68, 252, -1, -1},
        {"Label8", "", "Static", 248, 160, 128, -1},
        {"Label1", "", "Static", 4, 232, 401, 37},
        {"lbltip", "", "Static", 4, 196, 401, 41},
        {"pattach", "Frame1", "BrevlinPicture", 224, 40, 16, 16},
        {"Option3", "Frame1", "Button", 16, 16, 89, 17},
        {"Option6", "Frame1", "Button", 104, 16, 81, 17},
        {"pbcc", "Frame3", "BrevlinPicture", 216, 32, 16, 16},
        {"Option5", "Frame3", "Button", 104, 16, 81, 17},
        {"Option4", "Frame3", "Button", 16, 16, 89, 17},
        {"psystray", "Frame2", "BrevlinPicture", 224, 32, 16, 16},
        {"Option2", "Frame2", "Button", 104, 16, 57, 17},
        {"Option1", "Frame2", "Button", 16, 16, 89, 17},
        {"pmsn", "Frame4", "BrevlinPicture", 216, 32, 16, 16},
        {"Option8", "Frame4", "Button", 104, 16, 81, 17},
        {"Option7", "Frame4", "Button", 16, 16, 89, 17},
        {"Option10", "Frame5", "Button", 16, 16, 89, 17},
        {"Option9", "Frame5", "Button", 104, 16, 81, 17},
        {"Picture1", "Frame5", "BrevlinPicture", 216, 32, 16, 16},
        {"Option12", "Frame6", "Button", 16, 16, 89, 17},
        {"Option11", "Frame6", "Button", 104, 16, 81, 17},
        {"Picture2", "Frame6", "BrevlinPicture", 216, 32, 16, 16},
        {"Option14", "Frame7", "Button", 16, 16, 89, 17},
        {"Option13", "Frame7", "Button", 104, 16, 81, 17},
        {"Picture3", "Frame7", "BrevlinPicture", 216, 32, 16, 16},
    };
    // Every control is a window but the line, drawn on the window, and the
    // six empty labels out of sight below it, which are plain data.
    CHECK(std::size(expected) == 35);
    for (const char* data : {"Line1", "Label4", "Label5", "Label6", "Label7", "Label9", "lbl50"})
        CHECK_MESSAGE(app->Find(data) == nullptr, data << " should be no window");
    for (const Expected& want : expected) {
        CAPTURE(want.name);
        HWND child = app->Find(want.name);
        REQUIRE_MESSAGE(child != nullptr, "no child window for " << want.name);
        const bool top_level = *want.container == '\0';
        HWND container = top_level ? app->window() : app->Find(want.container);
        CHECK(GetAncestor(child, GA_PARENT) == container);
        CHECK(ClassOf(child) == want.window_class);

        // From the window's client area, or from the frame's outer corner.
        POINT origin{0, 0};
        if (top_level) {
            ClientToScreen(container, &origin);
        } else {
            const RECT outer = ScreenRect(container);
            origin = {outer.left, outer.top};
        }
        const RECT at = ScreenRect(child);
        CHECK(at.left - origin.x == want.left);
        CHECK(at.top - origin.y == want.top);
        if (want.width >= 0) CHECK(at.right - at.left == want.width);
        if (want.height >= 0) CHECK(at.bottom - at.top == want.height);
        // The text box holds what start-up read instead.
        if (want.name != std::string_view("Text2"))
            CHECK(TextOf(child) == test::DesignedText(want.name));
    }

    // Front to back as the design lists them, the top level and in each
    // frame, those made after the window showed included.
    std::vector<std::string_view> containers;
    for (const Expected& want : expected)
        if (std::find(containers.begin(), containers.end(), want.container) == containers.end())
            containers.push_back(want.container);
    for (const std::string_view container : containers) {
        CAPTURE(container);
        std::string designed, stacked;
        for (const Expected& want : expected)
            if (want.container == container) designed += std::string(want.name) + " ";
        HWND parent = container.empty() ? app->window() : app->Find(container);
        for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            stacked += app->NameOf(child) + " ";
        CHECK(stacked == designed);
    }

    // The option buttons are plain radio buttons, the labels take the mouse.
    CHECK((StyleOf(app->Find("Option3")) & BS_TYPEMASK) == BS_RADIOBUTTON);
    CHECK((StyleOf(app->Find("Label8")) & SS_NOTIFY) != 0);

    // One flat border to a frame: a column of pixels three in from a frame's
    // left edge, left of its caption, crosses the border twice (its top
    // through the caption line, its bottom), and nothing else of its colour.
    const COLORREF border = GetSysColor(COLOR_WINDOWFRAME);
    RedrawWindow(app->window(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC screen_dc = GetDC(nullptr);
    for (const char* frame : {"Frame1", "Frame3", "Frame5", "Frame7"}) {
        CAPTURE(frame);
        const RECT outer = ScreenRect(app->Find(frame));
        int crossings = 0;
        for (LONG y = outer.top; y < outer.bottom; ++y)
            crossings += GetPixel(screen_dc, outer.left + 3, y) == border;
        CHECK(crossings == 2);
    }
    ReleaseDC(nullptr, screen_dc);
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
        {"nothing stored",
         {},
         false,
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
            const Tweak& tweak = CatalogueEntry(stored.id);
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
        selected.erase(test::PartnerOf(stores.button));
        selected.insert(stores.button);
        const Snapshot expected = After(before, stores);
        SettledOn(expected);
        CHECK(Snapshot::Take().Text() == expected.Text());
        CHECK(Selection(*app) == SelectionOf(selected));
    }
}

TEST_CASE(
    "Tab and Shift+Tab take the focus round the tab order, hidden controls too, storing nothing") {
    ClearSettings();
    const Snapshot before = Snapshot::Take();
    const auto app = StartBrevlin();
    const std::string selection = Selection(*app);
    REQUIRE(WaitUntil([&] { return app->FocusName() == "Option3"; }, 2000));
    // Keys reach the window only once the display has given it the keyboard.
    REQUIRE(WaitForKeyboard(app->window()));

    const auto& order = test::kTabOrder;
    const std::size_t n = order.size();
    std::size_t start = 0;
    while (order[start] != "Option3") ++start;

    for (std::size_t step = 1; step <= n; ++step) {
        const std::string_view expected = order[(start + step) % n];
        CAPTURE(step);
        CHECK(FocusAfterPress(*app, "Tab", expected) == expected);
    }
    for (std::size_t step = 1; step <= n; ++step) {
        const std::string_view expected = order[(start + n - step % n) % n];
        CAPTURE(step);
        CHECK(FocusAfterPress(*app, "shift+Tab", expected) == expected);
    }

    CHECK(Selection(*app) == selection);
    CHECK(Snapshot::Take().Text() == before.Text());
}

TEST_CASE(
    "inside a frame an arrow key selects the other button and Space the focused one, storing it") {
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
        {"Right", "Option6"}, {"Left", "Option3"},                     // Frame1
        {"Tab", ""},          {"Tab", ""},         {"Tab", ""},        // to Option4
        {"space", "Option4"}, {"Down", "Option5"}, {"Up", "Option4"},  // Frame3
    };
    std::set<std::string_view> selected = {"Option3", "Option5", "Option2",
                                           "Option8", "Option9", "Option13"};
    for (const Step& step : steps) {
        CAPTURE(step.keys);
        const Snapshot before = Snapshot::Take();
        if (step.selects.empty()) {
            const std::string from = app->FocusName();
            const std::string_view to = ui::NextInTabOrder(ui::FindControl(from), false)->name;
            CHECK(FocusAfterPress(*app, step.keys, to) == to);
            CHECK(Snapshot::Take().Text() == before.Text());
            continue;
        }
        Press(step.keys);
        selected.erase(test::PartnerOf(step.selects));
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
    REQUIRE(selection ==
            SelectionOf({"Option3", "Option5", "Option2", "Option8", "Option9", "Option13"}));

    struct Attempt {
        TweakId id;
        std::string_view button;
        std::string_view words;
    };
    const std::string_view kRefused =
        "Windows refused access to the registry key where Outlook keeps this setting. Your "
        "account may not be allowed to change it.";
    const Attempt attempts[] = {
        {TweakId::attach, "Option6",
         "The setting \"Attachment Security\" could not be changed to \"Disabled\"."},
        {TweakId::bcc, "Option4",
         "The setting \"Show BCC Field\" could not be changed to \"Enabled\"."},
    };
    for (const Attempt& attempt : attempts) {
        const Tweak& tweak = CatalogueEntry(attempt.id);
        CAPTURE(attempt.button);
        ReadOnlyKey lock(tweak.root, tweak.key_path);
        Click(ControlOf(*app, attempt.button));

        const std::optional<MessageBoxView> box = WaitForMessageBox(app->process_id());
        REQUIRE_MESSAGE(box.has_value(), "no warning appeared");
        CHECK(box->title == "Brevlin");
        CHECK(box->text == std::string(attempt.words) + "\n\n" + std::string(kRefused) +
                               "\n\nThe setting is as it was before.");
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
        // Nor are presses from another program (BM_CLICK, an automation
        // tool's) while it shows: not of this button, not of the others.
        for (int press = 0; press < 600; ++press) PostMessageA(button, BM_CLICK, 0, 0);
        for (const test::ButtonName& other : test::kButtonNames)
            PostMessageA(app->Find(other.name), BM_CLICK, 0, 0);
        REQUIRE(app->Settle());
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
    for (const test::ButtonName& named : test::kButtonNames) {
        HWND button = app->Find(named.name);
        REQUIRE(button);
        if (IsChecked(button)) continue;
        CAPTURE(named.name);
        const WPARAM command = MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED);
        DWORD_PTR ignored = 0;
        CHECK(SendMessageTimeoutA(GetParent(button), WM_COMMAND, command,
                                  reinterpret_cast<LPARAM>(button), SMTO_ABORTIFHUNG, 2000,
                                  &ignored));
        CHECK_FALSE(IsChecked(button));
    }
    CHECK(Selection(*app) == selection);
    CHECK(FindMessageBox(app->process_id()) == nullptr);
    CHECK(Snapshot::Take().Text() == before.Text());
}

TEST_CASE("Hide over a desktop-icon key that holds subkeys says so and names the key") {
    ClearSettings();
    PutKey(RegRoot::LocalMachine, std::string(kDesktopIconKey) + "\\DefaultIcon");
    const auto app = StartBrevlin();
    const Snapshot before = Snapshot::Take();
    Click(ControlOf(*app, "Option11"));

    const std::optional<MessageBoxView> box = WaitForMessageBox(app->process_id());
    REQUIRE_MESSAGE(box.has_value(), "no warning appeared");
    CHECK(box->title == "Brevlin");
    CHECK(box->text ==
          "The setting \"Icon on Desktop\" could not be changed to \"Hide\".\n\n"
          "Windows would not delete the registry key HKEY_LOCAL_MACHINE\\Software\\Microsoft\\"
          "Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace\\"
          "{00020D75-0000-0000-C000-000000000046} because another program has made subkeys in "
          "it. Brevlin deletes only the key itself: remove its subkeys with the Registry Editor, "
          "then try again.\n\nThe setting is as it was before.");
    PressButton(box->box, IDOK);
    CHECK(WaitUntil([&] { return FindMessageBox(app->process_id()) == nullptr; }, 3000));
    CHECK(Selection(*app) ==
          SelectionOf({"Option3", "Option5", "Option2", "Option8", "Option9", "Option13"}));
    CHECK(Snapshot::Take().Text() == before.Text());
}

TEST_CASE(
    "a click or Space on the selected button stores its side again; the focus alone stores nothing") {
    ClearSettings();
    const Tweak& bcc = CatalogueEntry(TweakId::bcc);
    // What the window shows as Disabled, but not in the form Disabled stores.
    PutValue(bcc.root, bcc.key_path, bcc.value_name, Dword(2));
    const auto app = StartBrevlin();
    REQUIRE(IsChecked(ControlOf(*app, "Option5")));
    const Snapshot shown = Snapshot::Take();

    Click(ControlOf(*app, "Option5"));
    const Snapshot stored = shown.WithValue(bcc.root, bcc.key_path, bcc.value_name, Dword(0));
    SettledOn(stored);
    CHECK(Snapshot::Take().Text() == stored.Text());
    CHECK(IsChecked(ControlOf(*app, "Option5")));
    CHECK(FindMessageBox(app->process_id()) == nullptr);

    // Space on the focused, selected button: stored again (as it is now).
    PutValue(bcc.root, bcc.key_path, bcc.value_name, Dword(2));
    REQUIRE(WaitForKeyboard(app->window()));
    CHECK(app->FocusName() == "Option5");
    Press("space");
    SettledOn(stored);
    CHECK(Snapshot::Take().Text() == stored.Text());
}
