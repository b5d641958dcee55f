#include "ui/frmmain.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <cwchar>

#include "resources/resource.h"
#include "tweaks/settings.h"
#include "ui/gif.h"

namespace brevlin::ui {

// The portable table copies these from windows.h; here they are checked.
static_assert(sys::kWindow == Colour::System(COLOR_WINDOW) &&
              sys::kWindowText == Colour::System(COLOR_WINDOWTEXT) &&
              sys::kBtnFace == Colour::System(COLOR_BTNFACE) &&
              sys::kBtnText == Colour::System(COLOR_BTNTEXT) &&
              sys::k3dDkShadow == Colour::System(COLOR_3DDKSHADOW) &&
              sys::kInfoText == Colour::System(COLOR_INFOTEXT));
static_assert(kFarewellStyle == (MB_OK | MB_ICONINFORMATION));

namespace {

constexpr wchar_t kMainClass[] = L"BrevlinMain";
constexpr wchar_t kFrameClass[] = L"BrevlinFrame";
constexpr wchar_t kPictureClass[] = L"BrevlinPicture";
// Posted once the window shows: the work that the first sight need not wait for.
constexpr UINT kAfterShown = WM_APP + 1;

constexpr DWORD kMainStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kMainExStyle = WS_EX_APPWINDOW;

// How each kind of control is made: its window class and styles, and whether
// the window sees its messages first.
struct KindLook {
    const wchar_t* window_class;  // null: drawn on the window, not a window
    DWORD style;
    bool subclassed;
    // A frame draws its own border, through the middle of its caption; the
    // others that have one get the system's flat WS_BORDER.
    bool draws_own_border;
};
// Indexed by Kind.
constexpr KindLook kLooks[] = {
    {kFrameClass, WS_CLIPCHILDREN, false, true},
    // Plain radio buttons: the controller decides what a choice selects.
    {L"Button", BS_RADIOBUTTON | BS_FLAT, true, false},
    // SS_NOTIFY: a label takes the mouse over its whole rectangle.
    {L"Static", SS_NOTIFY | SS_NOPREFIX, true, false},
    {kPictureClass, 0, false, false},
    {L"Edit", ES_AUTOHSCROLL, false, false},
    {nullptr, 0, false, false},  // the line: drawn on the window
};
static_assert(std::size(kLooks) == static_cast<std::size_t>(Kind::Line) + 1);

const KindLook& LookOf(Kind kind) { return kLooks[static_cast<std::size_t>(kind)]; }

// Where Verdana is missing, the nearest sans-serif faces that are present.
constexpr const wchar_t* kFaces[] = {L"Verdana", L"DejaVu Sans", L"Bitstream Vera Sans", L"Tahoma",
                                     L"MS Sans Serif"};

// The first face of the list that the system really has: asked for a face it
// lacks, GDI quietly gives another, and says which.
const wchar_t* PickFace() {
    const WindowDc screen = ScreenDc();
    for (const wchar_t* face : kFaces) {
        LOGFONTW wanted{};
        wanted.lfCharSet = ANSI_CHARSET;
        wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
        const ScopedFont font(CreateFontIndirectW(&wanted));
        const Selected selected(screen.get(), font.get());
        wchar_t given[LF_FACESIZE] = {};
        GetTextFaceW(screen.get(), LF_FACESIZE, given);
        if (_wcsicmp(given, face) == 0) return face;
    }
    return std::end(kFaces)[-1];
}

// Sizes are in hundredths of a point: 8.25 pt is 11 pixels at 96 DPI.
HFONT MakeFont(const wchar_t* face, int hundredths, int dpi, bool bold, bool underline) {
    return CreateFontW(-MulDiv(hundredths, dpi, 7200), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                       underline, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
}

int SystemDpi() {
    const WindowDc screen = ScreenDc();
    const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
    return IsUsableDpi(dpi) ? dpi : 96;
}

// The DPI the system gives the window, the last one of a DPI change it
// sent, where Windows can tell (10 version 1607 and later); 0 elsewhere.
int WindowDpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto get_dpi = reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    return get_dpi ? static_cast<int>(get_dpi(window)) : 0;
}

// The DPI of the monitor the window is on, where Windows can tell; the
// system DPI elsewhere.
int DpiOf(HWND window) {
    const int dpi = WindowDpi(window);
    return IsUsableDpi(dpi) ? dpi : SystemDpi();
}

// The window's outer size for a client area, at a DPI where the system can
// tell us (Windows 10 and later), else at the system DPI.
RECT FrameFor(RECT client, int dpi) {
    using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjust = reinterpret_cast<AdjustForDpi>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    if (adjust) {
        adjust(&client, kMainStyle, FALSE, kMainExStyle, static_cast<UINT>(dpi));
    } else {
        AdjustWindowRectEx(&client, kMainStyle, FALSE, kMainExStyle);
    }
    return client;
}

Rect ToRect(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

// A system DLL that only some moments need: loading OLE and the shell at
// start would delay the window's first appearance by a third.
HMODULE LoadSystemDll(const wchar_t* dll) {
    HMODULE module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER)  // before Windows 8
        module = LoadLibraryW(dll);
    return module;
}

template <typename Function>
Function FunctionIn(HMODULE module, const char* name) {
    return module
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
               : nullptr;
}

// A function of a system DLL needed once in the window's life: the DLL
// stays loaded for as long as the process lives.
template <typename Function>
Function SystemFunction(const wchar_t* dll, const char* name) {
    return FunctionIn<Function>(LoadSystemDll(dll), name);
}

// The desktop's monitors, each whole and its work area.
std::vector<MonitorArea> Monitors() {
    std::vector<MonitorArea> monitors;
    const auto add = [](HMONITOR monitor, HDC, RECT*, LPARAM list) -> BOOL {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (GetMonitorInfoW(monitor, &info))
            reinterpret_cast<std::vector<MonitorArea>*>(list)->push_back(
                {ToRect(info.rcMonitor), ToRect(info.rcWork)});
        return TRUE;
    };
    EnumDisplayMonitors(nullptr, nullptr, add, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

// A bitmap of our own for the GIF's pixels: 32 bits each, top row first,
// as the decoder draws them.
std::span<std::uint32_t> NewBitmap(void* owner, ImageSize size) {
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = size.width;
    format.bmiHeader.biHeight = -size.height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    auto& bitmap = *static_cast<ScopedBitmap*>(owner);
    bitmap.Reset(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return {};
    return {static_cast<std::uint32_t*>(bits), std::size_t(size.width) * std::size_t(size.height)};
}

// Decodes the donation GIF from the resources into a bitmap of our own;
// none if it cannot.
ScopedBitmap LoadGif(HINSTANCE instance) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDR_DONATE_GIF), L"GIF");
    const DWORD size = found ? SizeofResource(instance, found) : 0;
    const void* bytes = found ? LockResource(LoadResource(instance, found)) : nullptr;
    ScopedBitmap bitmap;
    if (!bytes || !DrawGif({static_cast<const std::uint8_t*>(bytes), size}, NewBitmap, &bitmap))
        return {};
    return bitmap;
}

bool InsideClient(HWND window, LPARAM lparam) {
    RECT client;
    GetClientRect(window, &client);
    const POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    return PtInRect(&client, point) != FALSE;
}

bool IsArrowKey(WPARAM key) {
    return key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
}

// A button press that ends as the user's click: the button is pushed (the
// mouse went down on it and is still over it, or Space went down on it) and
// the mouse comes up over it, or Space comes up. The button's own BN_CLICKED
// cannot tell this apart: Windows also sends it when an unselected radio
// button merely gets the focus.
bool EndsClick(HWND button, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!(SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED)) return false;
    return message == WM_LBUTTONUP ? InsideClient(button, lparam)
                                   : message == WM_KEYUP && wparam == VK_SPACE;
}

// What starts or ends a press of a control, by the mouse or a key.
bool IsPress(UINT message) {
    return message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_LBUTTONUP ||
           message == WM_KEYDOWN || message == WM_KEYUP;
}

}  // namespace

FrmMain::FrmMain(HINSTANCE instance) : instance_(instance), windows_(Controls().size(), nullptr) {
    // The holders start with their designed texts.
    for (const Tweak& tweak : Catalogue())
        if (const Control* holder = HolderFor(tweak.id))
            holder_texts_[IndexOf(tweak.id)] = holder->text;
}

FrmMain* FrmMain::From(HWND window) {
    HWND root = GetAncestor(window, GA_ROOT);
    return reinterpret_cast<FrmMain*>(GetWindowLongPtrW(root ? root : window, GWLP_USERDATA));
}

// --- Creation ------------------------------------------------------------

void FrmMain::RegisterClasses() {
    WNDCLASSEXW main{};
    main.cbSize = sizeof main;
    main.lpfnWndProc = MainProc;
    main.hInstance = instance_;
    main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    main.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    main.lpszClassName = kMainClass;
    // Shared icons would be one size for both: the window owns its two.
    icon_.Reset(ProgramIcon(SM_CXICON));
    small_icon_.Reset(ProgramIcon(SM_CXSMICON));
    main.hIcon = icon_.get();
    main.hIconSm = small_icon_.get();
    RegisterClassExW(&main);

    WNDCLASSEXW frame{};
    frame.cbSize = sizeof frame;
    frame.lpfnWndProc = ChildProc;
    frame.hInstance = instance_;
    frame.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    frame.lpszClassName = kFrameClass;
    RegisterClassExW(&frame);

    WNDCLASSEXW picture = frame;
    // As with the labels, the second press of a double click is no click.
    picture.style = CS_DBLCLKS;
    picture.lpszClassName = kPictureClass;
    RegisterClassExW(&picture);
}

HICON FrmMain::ProgramIcon(int size_metric) const {
    const int size = GetSystemMetrics(size_metric);
    return static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(IDI_BREVLIN), IMAGE_ICON, size, size, 0));
}

bool FrmMain::Create(SettingsController& controller, int show_command) {
    controller_ = &controller;
    // Windows sends WM_DPICHANGED and never posts it: one that comes through
    // this thread's queue, in any of its message loops, is another program's.
    strangers_dpi_.Reset(
        SetWindowsHookExW(WH_GETMESSAGE, BeforeQueuedMessage, nullptr, GetCurrentThreadId()));
    RegisterClasses();
    hand_ = LoadCursorW(instance_, MAKEINTRESOURCEW(IDC_HAND_POINTER));
    dpi_ = SystemDpi();

    main_ = CreateWindowExW(kMainExStyle, kMainClass, Widen(MainWindow().caption).c_str(),
                            kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                            nullptr, nullptr, instance_, this);
    if (!main_) return false;
    dpi_ = DpiOf(main_);
    ChangeFonts(dpi_);
    CreateControls(true);
    PlaceWindow();

    // The load event: show what is stored, before the window is first seen.
    controller.LoadSettings();

    // The focus starts on the selected button of the frame first in tab order.
    for (Side side : {Side::On, Side::Off})
        if (HWND button = Window(ButtonFor(FirstFrame().tweak->id, side));
            SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED)
            focus_ = button;

    // The donation picture shows from the first paint on.
    donation_ = LoadGif(instance_);

    // Neither a maximised start (a shortcut set to "Maximized") nor anything
    // later may maximise the window: it would show what lies below its
    // designed area. The first ShowWindow may be made to maximise by the
    // start-up information, whatever it is asked for, so the hook comes first.
    no_maximise_.Reset(SetWindowsHookExW(WH_CBT, BeforeMinMax, nullptr, GetCurrentThreadId()));
    ShowWindow(main_, show_command);
    UpdateWindow(main_);
    if (focus_) SetFocus(focus_);
    PostMessageW(main_, kAfterShown, 0, 0);
    return true;
}

void FrmMain::OnAfterShown() {
    // Once: any program may post this message to the window.
    if (after_shown_) return;
    after_shown_ = true;
    CreateControls(false);
    // The shell expects COM on this thread.
    const auto initialize =
        SystemFunction<decltype(&CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
    if (initialize &&
        SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)))
        com_.Reset(SystemFunction<void(WINAPI*)()>(L"ole32.dll", "CoUninitialize"));
    if (const auto init_controls = SystemFunction<decltype(&InitCommonControlsEx)>(
            L"comctl32.dll", "InitCommonControlsEx")) {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        init_controls(&controls);
        CreateTooltip();
    }
    // The help icon that the frames keep out of sight.
    LoadPictures(dpi_);
}

void FrmMain::CreateControls(bool in_sight) {
    for (const Control& control : Controls()) {
        if (!HasWindow(control) || IsInSight(control) != in_sight) continue;
        const KindLook& look = LookOf(control.kind);
        DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | look.style;
        if (control.kind == Kind::Label && control.align == Align::Centre) style |= SS_CENTER;
        if (control.border && !look.draws_own_border) style |= WS_BORDER;
        const Control* container = ContainerOf(control);
        HWND parent = container ? Window(*container) : main_;
        const RECT rect = PixelRect(control);
        // A holder made now shows what start-up has put in it.
        const bool holder = control.tweak && HolderFor(control.tweak->id) == &control;
        const std::string_view text =
            holder ? std::string_view(holder_texts_[IndexOf(control.tweak->id)]) : control.text;
        HWND window = CreateWindowExW(
            0, look.window_class, Widen(text).c_str(), style, rect.left, rect.top,
            rect.right - rect.left, rect.bottom - rect.top, parent,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(control))), instance_, nullptr);
        windows_[IndexOf(control)] = window;
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control)), FALSE);
        if (look.subclassed) {
            // The original procedure lives in the control's user data.
            SetWindowLongPtrW(window, GWLP_USERDATA, GetWindowLongPtrW(window, GWLP_WNDPROC));
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProc));
        }
        if (!in_sight) Restack(control);
    }
}

// Children stack in the order they are made, each new one behind the
// others, and the table lists them front to back: one made after siblings
// that come later in the table goes just behind the nearest sibling before
// it, or in front of all.
void FrmMain::Restack(const Control& control) {
    HWND behind = HWND_TOP;
    for (std::size_t index = IndexOf(control); index-- > 0;) {
        const Control& earlier = Controls()[index];
        if (earlier.container != control.container || !Window(earlier)) continue;
        behind = Window(earlier);
        break;
    }
    SetWindowPos(Window(control), behind, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void FrmMain::CreateTooltip() {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, main_, nullptr,
                               instance_, nullptr);
    if (!tooltip_) return;
    // The control that links to the web site says where it leads.
    std::wstring text = Widen(WebSiteTooltip());
    for (const Control& control : Controls()) {
        if (control.action != Action::OpenWebSite) continue;
        TOOLINFOW tool{};
        // The size every version of the common controls accepts.
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = main_;
        tool.uId = reinterpret_cast<UINT_PTR>(Window(control));
        tool.lpszText = text.data();
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void FrmMain::ChangeFonts(int dpi) {
    // The controls hold the old fonts until they are given the new ones:
    // only then can the old ones go, or a repaint between would draw with
    // a deleted font.
    const Fonts old = std::move(fonts_);
    const wchar_t* face = PickFace();
    fonts_.regular.Reset(MakeFont(face, 825, dpi, false, false));
    fonts_.heading.Reset(MakeFont(face, 825, dpi, true, true));
    fonts_.title.Reset(MakeFont(face, 975, dpi, true, false));
    for (const Control& control : Controls())
        if (HWND window = Window(control))
            SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control)), FALSE);
}

void FrmMain::LoadPictures(int dpi) {
    // The help pictures are as wide as their control.
    for (const Control& control : Controls()) {
        if (control.picture != Picture::HelpIcon) continue;
        const int side = ToPixels(control.place.width, dpi);
        help_icon_.Reset(static_cast<HICON>(
            LoadImageW(instance_, MAKEINTRESOURCEW(IDI_HELPBOOK), IMAGE_ICON, side, side, 0)));
        return;
    }
}

HFONT FrmMain::FontFor(const Control& control) const {
    switch (control.font) {
        case Font::Regular: return fonts_.regular.get();
        case Font::Heading: return fonts_.heading.get();
        case Font::Title: return fonts_.title.get();
        case Font::Default: break;
    }
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// The control's rectangle in pixels; labels that fit their text measure it.
RECT FrmMain::PixelRect(const Control& control) const {
    RECT rect{ToPixels(control.place.left, dpi_), ToPixels(control.place.top, dpi_), 0, 0};
    int width = ToPixels(control.place.width, dpi_);
    int height = ToPixels(control.place.height, dpi_);
    if (control.sizing != Sizing::Fixed) {
        const WindowDc dc = ScreenDc();
        const Selected font(dc.get(), FontFor(control));
        const std::wstring text = Widen(control.text);
        RECT measured{0, 0, width, 0};
        const UINT wrap = control.sizing == Sizing::FitHeight ? DT_WORDBREAK : DT_SINGLELINE;
        DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &measured,
                  DT_CALCRECT | DT_NOPREFIX | wrap);
        if (control.sizing == Sizing::FitText) width = measured.right;
        height = measured.bottom;
    }
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
    return rect;
}

void FrmMain::ApplyLayout(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    ChangeFonts(dpi);
    LoadPictures(dpi);
    for (const Control& control : Controls()) {
        HWND window = Window(control);
        if (!window) continue;
        const RECT rect = PixelRect(control);
        SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // Where the system suggests: a window dragged onto another monitor
    // changes its DPI once most of it is there, while its top-left corner
    // may still be on the first one.
    const SIZE size = FrameSize();
    const Rect placed =
        PlaceAfterDpiChange(Monitors(), suggested.left, suggested.top, size.cx, size.cy);
    SetWindowPos(main_, nullptr, placed.left, placed.top, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(main_, nullptr, TRUE);
}

SIZE FrmMain::FrameSize() const {
    const WindowLook& window = MainWindow();
    const RECT client{0, 0, ToPixels(window.client_width, dpi_),
                      ToPixels(window.client_height, dpi_)};
    const RECT frame = FrameFor(client, dpi_);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

// Centred on the window's monitor, on its work area, never with its title
// bar off screen.
void FrmMain::PlaceWindow() {
    const SIZE size = FrameSize();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(main_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const Rect placed =
        PlaceOnMonitor(ToRect(monitor.rcMonitor), ToRect(monitor.rcWork), size.cx, size.cy);
    SetWindowPos(main_, nullptr, placed.left, placed.top, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- Window operations -----------------------------------------------------

// The control of one of the window's children, by the id it was made with;
// a window that merely carries such an id is none.
const Control* FrmMain::ControlOf(HWND window) const {
    if (!window) return nullptr;
    const auto index = static_cast<std::size_t>(GetDlgCtrlID(window) - ControlId(Controls()[0]));
    if (index >= windows_.size() || windows_[index] != window) return nullptr;
    return &Controls()[index];
}

void FrmMain::Select(const Tweak& tweak, Side side) {
    SendMessageW(Window(ButtonFor(tweak.id, Other(side))), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(Window(ButtonFor(tweak.id, side)), BM_SETCHECK, BST_CHECKED, 0);
}

void FrmMain::ClearBoth(const Tweak& tweak) {
    SendMessageW(Window(ButtonFor(tweak.id, Side::On)), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(Window(ButtonFor(tweak.id, Side::Off)), BM_SETCHECK, BST_UNCHECKED, 0);
}

void FrmMain::SetHolderText(const Tweak& tweak, std::string_view text) {
    // The holder's own record is what is read back: a single-line edit would
    // cut a text at its first line break.
    const Control* holder = HolderFor(tweak.id);
    if (!holder) return;
    holder_texts_[IndexOf(tweak.id)] = text;
    if (HWND window = Window(*holder)) SetWindowTextW(window, Widen(text).c_str());
}

std::string FrmMain::HolderText(const Tweak& tweak) const {
    return holder_texts_[IndexOf(tweak.id)];
}

void FrmMain::ReportWriteFailure(const Tweak& tweak, Side side, const ChangeFailure& failure) {
    MessageBoxW(main_, Widen(WriteFailureMessage(tweak, side, failure)).c_str(),
                Widen(kWarningTitle).c_str(), MB_OK | MB_ICONWARNING);
}

// --- Events ------------------------------------------------------------------

void FrmMain::OnUserChoice(const Control& button) {
    controller_->OnUserChoice(*button.tweak, button.side);
}

void FrmMain::OnClick(const Control& control) {
    switch (control.action) {
        case Action::OpenWebSite:
            RunShellExecute("Open", std::string(kWebSite), 0L, 0L, SW_SHOWNORMAL);
            break;
        case Action::Donate:
            RunShellExecute("Open", std::string(kDonationUrl), 0L, 0L, SW_SHOWNORMAL);
            break;
        case Action::Exit: Unload(); break;
        case Action::None: break;
    }
}

// A press and a release over the same label or picture make a click.
void FrmMain::Press(HWND window) {
    SetCapture(window);
    pressed_ = window;
}

void FrmMain::Release(HWND window, LPARAM lparam, const Control& control) {
    const bool click = pressed_ == window && InsideClient(window, lparam);
    pressed_ = nullptr;
    ReleaseCapture();
    if (click) OnClick(control);
}

// While a box of the window's own shows, the window is disabled and Windows
// keeps the user's hands away from it; a press another program sends
// (BM_CLICK, an accessibility tool's default action, a posted key) still
// reaches a control, and would store a setting under the farewell or open a
// warning inside another. The window takes none then.
bool FrmMain::RefusesPress(UINT message) const {
    return IsPress(message) && !IsWindowEnabled(main_);
}

// A press that lost the mouse (another window took it, or a program cancelled
// the mode) ends without a click.
void FrmMain::OnCaptureLost(HWND window) {
    if (pressed_ == window) pressed_ = nullptr;
}

void FrmMain::OnMouseOver(std::string_view tip) {
    if (tip.empty()) return;  // no tip of its own: the tip area keeps its text
    const std::wstring text = Widen(tip);
    HWND area = Window(TipArea());
    std::wstring shown(static_cast<std::size_t>(GetWindowTextLengthW(area)) + 1, L'\0');
    shown.resize(static_cast<std::size_t>(
        GetWindowTextW(area, shown.data(), static_cast<int>(shown.size()))));
    // Setting the same text again would only make the tip area flicker.
    if (text != shown) SetWindowTextW(area, text.c_str());
}

void FrmMain::RunShellExecute(std::string_view topic, const ShellArgument& file,
                              const ShellArgument& parameters, const ShellArgument& directory,
                              int show_command) {
    HWND desktop = GetDesktopWindow();
    if (!shell32_) shell32_.Reset(LoadSystemDll(L"shell32.dll"));
    const auto shell_execute =
        FunctionIn<decltype(&ShellExecuteA)>(shell32_.get(), "ShellExecuteA");
    if (!shell_execute) return;
    const std::string verb(topic);
    const auto target = ShellText(file);
    const auto arguments = ShellText(parameters);
    const auto folder = ShellText(directory);
    shell_execute(desktop, verb.c_str(), target ? target->c_str() : nullptr,
                  arguments ? arguments->c_str() : nullptr, folder ? folder->c_str() : nullptr,
                  show_command);
}

void FrmMain::Unload() {
    // One farewell, however many close requests arrive while it shows.
    if (unloading_) return;
    unloading_ = true;
    MessageBoxW(main_, Widen(kFarewellText).c_str(), Widen(kFarewellTitle).c_str(), kFarewellStyle);
    DestroyWindow(main_);
}

bool FrmMain::OnSetCursor(HWND target, UINT hit_test) {
    if (hit_test != HTCLIENT) return false;
    const Control* control = ControlOf(target);
    const Pointer pointer = control ? control->pointer : Pointer::Arrow;
    switch (pointer) {
        case Pointer::Hand: SetCursor(hand_); break;
        case Pointer::Help: SetCursor(LoadCursorW(nullptr, IDC_HELP)); break;
        case Pointer::Arrow: SetCursor(LoadCursorW(nullptr, IDC_ARROW)); break;
    }
    return true;
}

HBRUSH FrmMain::BrushFor(Colour colour) {
    if (colour.IsSystem()) return GetSysColorBrush(colour.SystemIndex());
    for (auto& [rgb, brush] : rgb_brushes_) {
        if (!brush) {
            rgb = colour.Rgb();
            brush.Reset(CreateSolidBrush(rgb));
        }
        if (rgb == colour.Rgb()) return brush.get();
    }
    return GetSysColorBrush(COLOR_BTNFACE);
}

LRESULT FrmMain::OnControlColour(HDC dc, HWND window) {
    const Control* control = ControlOf(window);
    if (!control) return 0;
    const Colour back = control->transparent ? BackgroundBeneath(*control) : control->back;
    SetTextColor(dc, ToColorRef(control->fore));
    SetBkColor(dc, ToColorRef(back));
    if (control->transparent) SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(BrushFor(back));
}

void FrmMain::MoveFocus(bool backwards) {
    const Control* next = NextInTabOrder(ControlOf(GetFocus()), backwards);
    // Passes over what is not made yet: the out-of-sight windows come just
    // after the window shows.
    while (!Window(*next)) next = NextInTabOrder(next, backwards);
    SetFocus(Window(*next));
}

// The window walks the keyboard itself rather than through IsDialogMessage:
// the tab order crosses the frames (the help pictures come between the left
// and the right column), and IsDialogMessage follows the stacking order.
bool FrmMain::PreTranslateMessage(const MSG& message) {
    if (message.message != WM_KEYDOWN || unloading_) return false;
    if (message.hwnd != main_ && !IsChild(main_, message.hwnd)) return false;
    if (message.wParam == VK_TAB) {
        MoveFocus(GetKeyState(VK_SHIFT) < 0);
        return true;
    }
    const Control* focused = ControlOf(GetFocus());
    if (IsArrowKey(message.wParam) && focused && focused->kind == Kind::OptionButton) {
        // Two buttons to a frame: every arrow key chooses the other one.
        const Control& partner = ButtonFor(focused->tweak->id, Other(focused->side));
        SetFocus(Window(partner));
        OnUserChoice(partner);
        return true;
    }
    return false;
}

void FrmMain::OnActivate(bool active) {
    // Like a dialog: the focus leaves with the window and comes back.
    if (!active) {
        if (HWND focused = GetFocus(); focused && IsChild(main_, focused)) focus_ = focused;
    } else if (focus_) {
        SetFocus(focus_);
    }
}

void FrmMain::OnDpiChanged(int message_dpi, LPARAM suggested) {
    // Only the system's own change counts: whatever another program sends,
    // from its thread, changes nothing (its posts never get here).
    const Sender sender = InSendMessageEx(nullptr) == ISMEX_NOSEND ? Sender::ThisThread
                                                                   : Sender::OtherThread;
    const std::optional<int> dpi = DpiChangeToApply(sender, WindowDpi(main_), message_dpi);
    const auto* rect = reinterpret_cast<const RECT*>(suggested);
    if (!dpi || !rect) return;
    ApplyLayout(*dpi, *rect);
}

void FrmMain::OnWindowPosChanging(WINDOWPOS& position) const {
    // The window keeps its designed size, whoever asks for another; only
    // a minimised window takes the system's size for it.
    if ((position.flags & SWP_NOSIZE) || IsIconic(main_)) return;
    const SIZE size = FrameSize();
    position.cx = size.cx;
    position.cy = size.cy;
}

// --- Painting ------------------------------------------------------------------

void FrmMain::PaintMain() {
    const Painting paint(main_);
    for (const Control& control : Controls()) {
        if (control.kind != Kind::Line) continue;
        const ScopedPen pen(CreatePen(PS_SOLID, 1, ToColorRef(control.fore)));
        const Selected selected(paint.dc(), pen.get());
        MoveToEx(paint.dc(), ToPixels(control.place.left, dpi_), ToPixels(control.place.top, dpi_),
                 nullptr);
        LineTo(paint.dc(), ToPixels(control.place.left + control.place.width, dpi_),
               ToPixels(control.place.top + control.place.height, dpi_));
    }
}

void FrmMain::PaintFrame(HDC dc, const RECT& client, const Control& control) {
    const Selected font(dc, FontFor(control));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    // One flat one-pixel border, its top edge through the middle of the
    // caption line, which the caption interrupts.
    RECT border = client;
    border.top = metrics.tmHeight / 2;
    FrameRect(dc, &border, GetSysColorBrush(COLOR_WINDOWFRAME));

    const std::wstring caption = Widen(control.text);
    SIZE extent{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    const int indent = MulDiv(6, dpi_, 96);
    const int gap = MulDiv(2, dpi_, 96);
    RECT behind{indent - gap, 0, indent + extent.cx + gap, metrics.tmHeight};
    FillRect(dc, &behind, BrushFor(control.back));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(control.fore));
    TextOutW(dc, indent, 0, caption.c_str(), static_cast<int>(caption.size()));
}

void FrmMain::PaintPicture(HDC dc, const RECT& client, const Control& control) {
    if (control.picture == Picture::HelpIcon && help_icon_) {
        DrawIconEx(dc, 0, 0, help_icon_.get(), client.right, client.bottom, 0, nullptr, DI_NORMAL);
    } else if (control.picture == Picture::Donation && donation_) {
        const MemoryDc memory(CreateCompatibleDC(dc));
        const Selected bitmap(memory.get(), donation_.get());
        BITMAP info{};
        GetObjectW(donation_.get(), sizeof info, &info);
        // The picture box is sized to the picture at the window's DPI.
        SetStretchBltMode(dc, HALFTONE);
        // HALFTONE leaves the brush origin undefined; it must be set after.
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, info.bmWidth,
                   info.bmHeight, SRCCOPY);
    }
}

// --- Window procedures ---------------------------------------------------------

bool FrmMain::OnContainerMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
    switch (message) {
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
            *result =
                OnControlColour(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
            return *result != 0;
        case WM_SETCURSOR:
            *result = TRUE;
            return OnSetCursor(reinterpret_cast<HWND>(wparam), LOWORD(lparam));
        default: return false;
    }
}

LRESULT CALLBACK FrmMain::MainProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<FrmMain*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        self->main_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<FrmMain*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wparam, lparam);
    return self->OnMainMessage(message, wparam, lparam);
}

LRESULT FrmMain::OnMainMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT result = 0;
    if (OnContainerMessage(message, wparam, lparam, &result)) return result;
    switch (message) {
        case WM_PAINT: PaintMain(); return 0;
        case WM_MOUSEMOVE: OnMouseOver(MainWindow().tip); return 0;
        case WM_ACTIVATE: OnActivate(LOWORD(wparam) != WA_INACTIVE); return 0;
        case WM_SETFOCUS:
            if (focus_) SetFocus(focus_);
            return 0;
        case WM_DPICHANGED: OnDpiChanged(HIWORD(wparam), lparam); return 0;
        case WM_WINDOWPOSCHANGING:
            OnWindowPosChanging(*reinterpret_cast<WINDOWPOS*>(lparam));
            return 0;
        case kAfterShown: OnAfterShown(); return 0;
        case WM_CLOSE: Unload(); return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(main_, message, wparam, lparam);
    }
}

LRESULT CALLBACK FrmMain::BeforeQueuedMessage(int code, WPARAM wparam, LPARAM lparam) {
    auto* message = reinterpret_cast<MSG*>(lparam);
    if (code == HC_ACTION && message->message == WM_DPICHANGED) message->message = WM_NULL;
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

LRESULT CALLBACK FrmMain::BeforeMinMax(int code, WPARAM wparam, LPARAM lparam) {
    // SW_MAXIMIZE is also SW_SHOWMAXIMIZED. Refused, the window shows as it
    // is. Known by its class, not its user data: the hook also sees message
    // boxes, whose user data is not ours.
    if (code == HCBT_MINMAX && LOWORD(lparam) == SW_MAXIMIZE) {
        wchar_t name[std::size(kMainClass)] = {};
        GetClassNameW(reinterpret_cast<HWND>(wparam), name, static_cast<int>(std::size(name)));
        if (std::wcscmp(name, kMainClass) == 0) return TRUE;
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

// Frames and picture boxes: windows of our own classes.
LRESULT CALLBACK FrmMain::ChildProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    FrmMain* self = From(window);
    const Control* control = self ? self->ControlOf(window) : nullptr;
    if (!control) return DefWindowProcW(window, message, wparam, lparam);
    return self->OnChildMessage(window, *control, message, wparam, lparam);
}

LRESULT FrmMain::OnChildMessage(HWND window, const Control& control, UINT message, WPARAM wparam,
                                LPARAM lparam) {
    if (RefusesPress(message)) return 0;
    const bool frame = control.kind == Kind::Frame;
    LRESULT result = 0;
    if (frame && OnContainerMessage(message, wparam, lparam, &result)) return result;
    switch (message) {
        case WM_ERASEBKGND: return 1;  // painted whole in WM_PAINT
        case WM_PAINT: {
            const Painting paint(window);
            RECT client;
            GetClientRect(window, &client);
            FillRect(paint.dc(), &client, BrushFor(control.back));
            if (frame) {
                PaintFrame(paint.dc(), client, control);
            } else {
                PaintPicture(paint.dc(), client, control);
            }
            return 0;
        }
        case WM_MOUSEMOVE: OnMouseOver(control.tip); return 0;
        case WM_CAPTURECHANGED: OnCaptureLost(window); break;
        case WM_LBUTTONDOWN:
            if (frame) break;
            SetFocus(window);  // a picture box takes the focus when clicked
            Press(window);
            return 0;
        case WM_LBUTTONUP:
            if (frame) break;
            Release(window, lparam, control);
            return 0;
        default: break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

// Option buttons and labels: system controls whose messages the window sees first.
LRESULT CALLBACK FrmMain::ControlProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_USERDATA));
    FrmMain* self = From(window);
    const Control* control = self ? self->ControlOf(window) : nullptr;
    if (!control) return CallWindowProcW(original, window, message, wparam, lparam);
    return self->OnControlMessage(window, *control, original, message, wparam, lparam);
}

LRESULT FrmMain::OnControlMessage(HWND window, const Control& control, WNDPROC original,
                                  UINT message, WPARAM wparam, LPARAM lparam) {
    if (RefusesPress(message)) return 0;
    switch (message) {
        case WM_MOUSEMOVE: OnMouseOver(control.tip); break;
        case WM_CAPTURECHANGED: OnCaptureLost(window); break;
        case WM_LBUTTONDOWN:
            if (control.kind != Kind::Label) break;
            Press(window);
            return 0;
        case WM_LBUTTONUP:
        case WM_KEYUP:
            if (control.kind == Kind::OptionButton) {
                // The button ends the press as it does; a click it ends is
                // the user's choice, of the selected button as of the other.
                const bool click = EndsClick(window, message, wparam, lparam);
                const LRESULT result = CallWindowProcW(original, window, message, wparam, lparam);
                if (click) OnUserChoice(control);
                return result;
            }
            if (control.kind == Kind::Label && message == WM_LBUTTONUP) {
                Release(window, lparam, control);
                return 0;
            }
            break;
        default: break;
    }
    return CallWindowProcW(original, window, message, wparam, lparam);
}

}  // namespace brevlin::ui
