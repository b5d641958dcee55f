#include "ui/frmmain.h"

#include <commctrl.h>
#include <objidl.h>
#include <ocidl.h>
#include <olectl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "resources/resource.h"
#include "tweaks/settings.h"

namespace brevlin::ui {
namespace {

constexpr wchar_t kMainClass[] = L"BrevlinMain";
// Posted once the window shows: the work that the first sight need not wait for.
constexpr UINT kAfterShown = WM_APP + 1;
constexpr wchar_t kFrameClass[] = L"BrevlinFrame";
constexpr wchar_t kPictureClass[] = L"BrevlinPicture";

constexpr DWORD kMainStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kMainExStyle = WS_EX_APPWINDOW;

// Where Verdana is missing, the nearest sans-serif faces that are present.
constexpr std::array<const wchar_t*, 5> kFaces = {L"Verdana", L"DejaVu Sans",
                                                   L"Bitstream Vera Sans", L"Tahoma",
                                                   L"MS Sans Serif"};

// The first face of the list that the system really has: asked for a face it
// lacks, GDI quietly gives another, and says which.
const wchar_t* PickFace() {
    HDC screen = GetDC(nullptr);
    const wchar_t* chosen = kFaces.back();
    for (const wchar_t* face : kFaces) {
        LOGFONTW wanted{};
        wanted.lfCharSet = ANSI_CHARSET;
        wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
        ScopedFont font(CreateFontIndirectW(&wanted));
        Selected selected(screen, font.get());
        wchar_t given[LF_FACESIZE] = {};
        GetTextFaceW(screen, LF_FACESIZE, given);
        if (_wcsicmp(given, face) == 0) {
            chosen = face;
            break;
        }
    }
    ReleaseDC(nullptr, screen);
    return chosen;
}

// Sizes are in hundredths of a point: 8.25 pt is 11 pixels at 96 DPI.
HFONT MakeFont(const wchar_t* face, int hundredths, int dpi, bool bold, bool underline) {
    return CreateFontW(-MulDiv(hundredths, dpi, 7200), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                       underline, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
}

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// The frame's client size for a client area, at a DPI where the system can
// tell us (Windows 10 and later), else at the system DPI.
RECT FrameFor(RECT client, int dpi) {
    using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    const auto adjust = reinterpret_cast<AdjustForDpi>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    if (adjust) {
        adjust(&client, kMainStyle, FALSE, kMainExStyle, static_cast<UINT>(dpi));
    } else {
        AdjustWindowRectEx(&client, kMainStyle, FALSE, kMainExStyle);
    }
    return client;
}

RECT CentredOnScreen(int width, int height) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int left = work.left + (work.right - work.left - width) / 2;
    const int top = work.top + (work.bottom - work.top - height) / 2;
    return RECT{left, top, left + width, top + height};
}

// A function of a system DLL that only some moments need: loading OLE and the
// shell at start would delay the window's first appearance by a third.
template <typename Function>
Function SystemFunction(const wchar_t* dll, const char* name) {
    HMODULE module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER)  // before Windows 8
        module = LoadLibraryW(dll);
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

// Decodes the donation GIF from the resources into a bitmap we own.
HBITMAP LoadGif(HINSTANCE instance) {
    const auto create_stream = SystemFunction<decltype(&CreateStreamOnHGlobal)>(
        L"ole32.dll", "CreateStreamOnHGlobal");
    const auto load_picture =
        SystemFunction<decltype(&OleLoadPicture)>(L"oleaut32.dll", "OleLoadPicture");
    if (!create_stream || !load_picture) return nullptr;
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDR_DONATE_GIF), L"GIF");
    if (!found) return nullptr;
    const DWORD size = SizeofResource(instance, found);
    const void* bytes = LockResource(LoadResource(instance, found));
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!bytes || !copy) return nullptr;
    std::memcpy(GlobalLock(copy), bytes, size);
    GlobalUnlock(copy);

    HBITMAP owned = nullptr;
    IStream* stream = nullptr;
    if (SUCCEEDED(create_stream(copy, TRUE, &stream))) {
        IPicture* picture = nullptr;
        if (SUCCEEDED(load_picture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                                   reinterpret_cast<void**>(&picture)))) {
            OLE_HANDLE handle = 0;
            if (SUCCEEDED(picture->get_Handle(&handle)))
                owned = static_cast<HBITMAP>(CopyImage(
                    reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), IMAGE_BITMAP, 0, 0,
                    LR_CREATEDIBSECTION));
            picture->Release();
        }
        stream->Release();
    } else {
        GlobalFree(copy);
    }
    return owned;
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

}  // namespace

FrmMain::FrmMain(HINSTANCE instance)
    : instance_(instance), windows_(Controls().size(), nullptr) {
    // The holders start with their designed texts.
    for (const Tweak& tweak : Catalogue())
        if (!tweak.holder.empty())
            holders_[std::string(tweak.holder)] = std::string(FindControl(tweak.holder)->text);
}

FrmMain::~FrmMain() {
    if (help_icon_) DestroyIcon(help_icon_);
    if (com_ready_)
        if (const auto uninitialize =
                SystemFunction<decltype(&CoUninitialize)>(L"ole32.dll", "CoUninitialize"))
            uninitialize();
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
    main.hIcon = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_BREVLIN),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                               GetSystemMetrics(SM_CYICON), 0));
    main.hIconSm = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_BREVLIN),
                                                 IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                 GetSystemMetrics(SM_CYSMICON), 0));
    RegisterClassExW(&main);

    WNDCLASSEXW frame{};
    frame.cbSize = sizeof frame;
    frame.lpfnWndProc = ChildProc;
    frame.hInstance = instance_;
    frame.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    frame.lpszClassName = kFrameClass;
    RegisterClassExW(&frame);

    WNDCLASSEXW picture = frame;
    picture.lpfnWndProc = ChildProc;
    // As with the labels, the second press of a double click is no click.
    picture.style = CS_DBLCLKS;
    picture.lpszClassName = kPictureClass;
    RegisterClassExW(&picture);
}

bool FrmMain::Create(int show_command) {
    RegisterClasses();
    hand_ = LoadCursorW(instance_, MAKEINTRESOURCEW(IDC_HAND_POINTER));
    dpi_ = SystemDpi();

    const WindowSpec& window = MainWindow();
    main_ = CreateWindowExW(kMainExStyle, kMainClass, Widen(window.caption).c_str(), kMainStyle,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                            nullptr, instance_, this);
    if (!main_) return false;
    MakeFonts(dpi_);
    CreateControls();
    PlaceWindow();

    // The load event: show what is stored, before the window is first seen.
    controller_.LoadSettings();

    // The focus starts on the selected button of the first frame in tab order.
    const Control* first_frame = FindControl("Frame1");
    for (const Tweak& tweak : Catalogue())
        if (tweak.frame == first_frame->name)
            if (const Control* selected = SelectedButtonOf(tweak)) focus_ = Window(selected->name);

    ShowWindow(main_, show_command);
    UpdateWindow(main_);
    if (focus_) SetFocus(focus_);
    PostMessageW(main_, kAfterShown, 0, 0);
    return true;
}

void FrmMain::OnAfterShown() {
    // The shell and the picture decoder expect COM on this thread.
    if (const auto initialize =
            SystemFunction<decltype(&CoInitializeEx)>(L"ole32.dll", "CoInitializeEx"))
        com_ready_ = SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED |
                                                       COINIT_DISABLE_OLE1DDE));
    if (const auto init_controls = SystemFunction<decltype(&InitCommonControlsEx)>(
            L"comctl32.dll", "InitCommonControlsEx")) {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        init_controls(&controls);
        CreateTooltip();
    }
    // The pictures: the donation button, and the help icon that the frames
    // keep out of sight.
    LoadPictures(dpi_);
    donation_.Reset(LoadGif(instance_));
    InvalidateRect(Window("ppaypal"), nullptr, FALSE);
}

void FrmMain::CreateControls() {
    const auto controls = Controls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const Control& control = controls[i];
        if (control.kind == Kind::Line) continue;  // drawn on the window itself
        HWND parent = control.container.empty() ? main_ : Window(control.container);
        const std::wstring text = Widen(control.text);
        DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
        DWORD ex_style = 0;
        const wchar_t* window_class = nullptr;
        bool subclass = true;
        switch (control.kind) {
            case Kind::Frame:
                window_class = kFrameClass;
                style |= WS_CLIPCHILDREN;
                ex_style |= WS_EX_CONTROLPARENT;
                subclass = false;
                break;
            case Kind::OptionButton: {
                window_class = L"Button";
                // Plain radio buttons: the window decides what a selection is.
                style |= BS_RADIOBUTTON | BS_FLAT;
                const auto ref = FindButton(control.name);
                if (ref && ref->side == Side::On) style |= WS_GROUP;
                break;
            }
            case Kind::Label:
                // SS_NOTIFY: a label takes the mouse over its whole rectangle.
                window_class = L"Static";
                style |= SS_NOTIFY | SS_NOPREFIX |
                         (control.align == Align::Centre ? SS_CENTER : SS_LEFT);
                break;
            case Kind::PictureBox:
                window_class = kPictureClass;
                subclass = false;
                break;
            case Kind::TextBox:
                window_class = L"Edit";
                style |= ES_AUTOHSCROLL;
                break;
            case Kind::Line:
                break;
        }
        if (control.border) style |= WS_BORDER;
        // Children are stacked in the order they are made, the first in front,
        // which is the table's order.
        const RECT rect = PixelRect(control);
        HWND window = CreateWindowExW(
            ex_style, window_class, text.c_str(), style, rect.left, rect.top,
            rect.right - rect.left, rect.bottom - rect.top, parent,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(control))), instance_, nullptr);
        windows_[i] = window;
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control)), FALSE);
        if (subclass) {
            // The original procedure lives in the control's user data.
            SetWindowLongPtrW(window, GWLP_USERDATA, GetWindowLongPtrW(window, GWLP_WNDPROC));
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProc));
        }
    }

}

void FrmMain::CreateTooltip() {
    const Control* label = FindControl("Label3");
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, main_, nullptr,
                               instance_, nullptr);
    if (!tooltip_) return;
    std::wstring text = Widen(WebSiteTooltip());
    TOOLINFOW tool{};
    // The size every version of the common controls accepts.
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = main_;
    tool.uId = reinterpret_cast<UINT_PTR>(Window(label->name));
    tool.lpszText = text.data();
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void FrmMain::MakeFonts(int dpi) {
    const wchar_t* face = PickFace();
    regular_.Reset(MakeFont(face, 825, dpi, false, false));
    heading_.Reset(MakeFont(face, 825, dpi, true, true));
    title_.Reset(MakeFont(face, 975, dpi, true, false));
}

void FrmMain::LoadPictures(int dpi) {
    if (help_icon_) DestroyIcon(help_icon_);
    const int side = ToPixels(240, dpi);
    help_icon_ = static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(IDI_HELPBOOK), IMAGE_ICON, side, side, 0));
}

HFONT FrmMain::FontFor(const Control& control) const {
    switch (control.font) {
        case Font::Regular: return regular_.get();
        case Font::Heading: return heading_.get();
        case Font::Title: return title_.get();
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
        HDC dc = GetDC(nullptr);
        Selected font(dc, FontFor(control));
        const std::wstring text = Widen(control.text);
        RECT measured{0, 0, width, 0};
        const UINT wrap = control.sizing == Sizing::FitHeight ? DT_WORDBREAK : DT_SINGLELINE;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured,
                  DT_CALCRECT | DT_NOPREFIX | wrap);
        if (control.sizing == Sizing::FitText) width = measured.right;
        height = measured.bottom;
        ReleaseDC(nullptr, dc);
    }
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
    return rect;
}

void FrmMain::ApplyLayout(int dpi) {
    dpi_ = dpi;
    MakeFonts(dpi);
    LoadPictures(dpi);
    const auto controls = Controls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        HWND window = windows_[i];
        if (!window) continue;
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(controls[i])), FALSE);
        const RECT rect = PixelRect(controls[i]);
        SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    PlaceWindow();
    InvalidateRect(main_, nullptr, TRUE);
}

void FrmMain::PlaceWindow() {
    const WindowSpec& window = MainWindow();
    RECT client{0, 0, ToPixels(window.client_width, dpi_), ToPixels(window.client_height, dpi_)};
    const RECT frame = FrameFor(client, dpi_);
    const RECT placed = CentredOnScreen(frame.right - frame.left, frame.bottom - frame.top);
    SetWindowPos(main_, nullptr, placed.left, placed.top, placed.right - placed.left,
                 placed.bottom - placed.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- Window operations -----------------------------------------------------

HWND FrmMain::Window(std::string_view name) const {
    const Control* control = FindControl(name);
    return control ? windows_[static_cast<std::size_t>(control - Controls().data())] : nullptr;
}

const Control* FrmMain::ControlOf(HWND window) const {
    if (!window || window == main_) return nullptr;
    const auto found = std::find(windows_.begin(), windows_.end(), window);
    if (found == windows_.end()) return nullptr;
    return &Controls()[static_cast<std::size_t>(found - windows_.begin())];
}

const Control* FrmMain::SelectedButtonOf(const Tweak& tweak) const {
    for (const Choice* choice : {&tweak.on, &tweak.off})
        if (SendMessageW(Window(choice->button), BM_GETCHECK, 0, 0) == BST_CHECKED)
            return FindControl(choice->button);
    return nullptr;
}

void FrmMain::SetSelected(std::string_view button, bool selected) {
    HWND window = Window(button);
    const auto ref = FindButton(button);
    if (!window || !ref) return;
    const bool was_selected = SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (!selected || was_selected) {
        SendMessageW(window, BM_SETCHECK, selected ? BST_CHECKED : BST_UNCHECKED, 0);
        return;
    }
    const Side other = ref->side == Side::On ? Side::Off : Side::On;
    SendMessageW(Window(ref->tweak->choice(other).button), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(window, BM_SETCHECK, BST_CHECKED, 0);
    // A button that became selected raises its click at once.
    controller_.OnOptionClick(button);
}

void FrmMain::SetHolderText(std::string_view holder, std::string_view text) {
    // The holder's own record is what is read back: a single-line edit would
    // cut a text at its first line break.
    const auto found = holders_.find(holder);
    if (found == holders_.end()) return;
    found->second = std::string(text);
    SetWindowTextW(Window(holder), Widen(text).c_str());
}

std::string FrmMain::HolderText(std::string_view holder) const {
    const auto found = holders_.find(holder);
    return found == holders_.end() ? std::string() : found->second;
}

void FrmMain::ReportWriteFailure(const Tweak& tweak, Side side,
                                 const mdlreg::WriteResult& result) {
    MessageBoxW(main_, Widen(WriteFailureMessage(tweak, side, result)).c_str(),
                Widen(kWarningTitle).c_str(), MB_OK | MB_ICONWARNING);
}

// --- Events ------------------------------------------------------------------

void FrmMain::OnOptionCommand(HWND button, const Control& control) {
    // Windows also reports a click when an unselected radio button merely
    // gets the focus; only a real click or Space selects, and so writes. The
    // user's click is taken once: a warning shown while handling it gives the
    // focus back to the button when it closes, and that focus click must not
    // count as the user's again.
    if (button != user_button_) return;
    user_button_ = nullptr;
    OnUserSelects(control);
}

void FrmMain::OnUserSelects(const Control& button) {
    SetSelected(button.name, true);
}

void FrmMain::OnClick(const Control& control) {
    if (control.name == "Label3") {
        RunShellExecute("Open", std::string(kWebSite), 0L, 0L, SW_SHOWNORMAL);
    } else if (control.name == "ppaypal") {
        RunShellExecute("Open", std::string(kDonationUrl), 0L, 0L, SW_SHOWNORMAL);
    } else if (control.name == "Label8") {
        Unload();
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

void FrmMain::OnMouseOver(std::string_view element) {
    const auto tip = TipFor(element);
    if (!tip) return;  // no tip of its own: the tip area keeps its text
    const std::wstring text = Widen(*tip);
    HWND area = Window("lbltip");
    std::array<wchar_t, 512> shown{};
    GetWindowTextW(area, shown.data(), static_cast<int>(shown.size()));
    // Setting the same text again would only make the tip area flicker.
    if (text != shown.data()) SetWindowTextW(area, text.c_str());
}

void FrmMain::RunShellExecute(std::string_view topic, const ShellArgument& file,
                              const ShellArgument& parameters, const ShellArgument& directory,
                              int show_command) {
    HWND desktop = GetDesktopWindow();
    const auto shell_execute =
        SystemFunction<decltype(&ShellExecuteA)>(L"shell32.dll", "ShellExecuteA");
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
    MessageBoxW(main_, Widen(kFarewellText).c_str(), Widen(kFarewellTitle).c_str(),
                kFarewellStyle);
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
    if (colour.system >= 0) return GetSysColorBrush(colour.system);
    ScopedBrush& brush = rgb_brushes_[colour.rgb];
    if (!brush.get()) brush.Reset(CreateSolidBrush(colour.rgb));
    return brush.get();
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
    const Control* current = ControlOf(GetFocus());
    const Control* next = NextInTabOrder(current ? current->name : "", backwards);
    SetFocus(Window(next->name));
}

bool FrmMain::PreTranslateMessage(const MSG& message) {
    if (message.message != WM_KEYDOWN || unloading_) return false;
    if (message.hwnd != main_ && !IsChild(main_, message.hwnd)) return false;
    if (message.wParam == VK_TAB) {
        MoveFocus(GetKeyState(VK_SHIFT) < 0);
        return true;
    }
    const Control* focused = ControlOf(GetFocus());
    if (IsArrowKey(message.wParam) && focused && focused->kind == Kind::OptionButton) {
        // Two buttons to a frame: every arrow key moves to the other one.
        const auto ref = FindButton(focused->name);
        const Side other = ref->side == Side::On ? Side::Off : Side::On;
        const Control* partner = FindControl(ref->tweak->choice(other).button);
        SetFocus(Window(partner->name));
        OnUserSelects(*partner);
        return true;
    }
    return false;
}

// --- Painting ------------------------------------------------------------------

void FrmMain::PaintMain() {
    Painting paint(main_);
    for (const Control& control : Controls()) {
        if (control.kind != Kind::Line) continue;
        ScopedPen pen(CreatePen(PS_SOLID, 1, ToColorRef(control.fore)));
        Selected selected(paint.dc(), pen.get());
        const int left = ToPixels(control.place.left, dpi_);
        const int top = ToPixels(control.place.top, dpi_);
        MoveToEx(paint.dc(), left, top, nullptr);
        LineTo(paint.dc(), ToPixels(control.place.left + control.place.width, dpi_),
               ToPixels(control.place.top + control.place.height, dpi_));
    }
}

void FrmMain::PaintFrame(HDC dc, const RECT& client, const Control& control) {
    Selected font(dc, FontFor(control));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    // A flat one-pixel border through the middle of the caption line.
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
        DrawIconEx(dc, 0, 0, help_icon_, client.right, client.bottom, 0, nullptr, DI_NORMAL);
    } else if (control.picture == Picture::Donation && donation_.get()) {
        HDC memory = CreateCompatibleDC(dc);
        {
            Selected bitmap(memory, donation_.get());
            BITMAP info{};
            GetObjectW(donation_.get(), sizeof info, &info);
            // The picture box is sized to the picture at the window's DPI.
            SetStretchBltMode(dc, HALFTONE);
            StretchBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, info.bmWidth,
                       info.bmHeight, SRCCOPY);
        }
        DeleteDC(memory);
    }
}

// --- Window procedures ---------------------------------------------------------

bool FrmMain::OnContainerMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
    switch (message) {
        case WM_COMMAND: {
            HWND from = reinterpret_cast<HWND>(lparam);
            const Control* control = ControlOf(from);
            if (control && control->kind == Kind::OptionButton && HIWORD(wparam) == BN_CLICKED)
                OnOptionCommand(from, *control);
            *result = 0;
            return true;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
            *result = OnControlColour(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
            return *result != 0;
        case WM_SETCURSOR:
            *result = TRUE;
            return OnSetCursor(reinterpret_cast<HWND>(wparam), LOWORD(lparam));
        default:
            return false;
    }
}

LRESULT CALLBACK FrmMain::MainProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<FrmMain*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
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
        case WM_PAINT:
            PaintMain();
            return 0;
        case WM_MOUSEMOVE:
            OnMouseOver("frmmain");
            return 0;
        case WM_ACTIVATE:
            // Like a dialog: the focus leaves with the window and comes back.
            if (LOWORD(wparam) == WA_INACTIVE) {
                if (HWND focused = GetFocus(); focused && IsChild(main_, focused)) focus_ = focused;
            } else if (focus_) {
                SetFocus(focus_);
            }
            return 0;
        case WM_SETFOCUS:
            if (focus_) SetFocus(focus_);
            return 0;
        case WM_DPICHANGED: {
            ApplyLayout(HIWORD(wparam));
            const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
            SetWindowPos(main_, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case kAfterShown:
            OnAfterShown();
            return 0;
        case WM_CLOSE:
            Unload();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(main_, message, wparam, lparam);
    }
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
    const bool frame = control.kind == Kind::Frame;
    LRESULT result = 0;
    if (frame && OnContainerMessage(message, wparam, lparam, &result)) return result;
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // painted whole in WM_PAINT
        case WM_PAINT: {
            Painting paint(window);
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
        case WM_MOUSEMOVE:
            OnMouseOver(control.name);
            return 0;
        case WM_LBUTTONDOWN:
            if (frame) break;
            SetFocus(window);  // a picture box takes the focus when clicked
            Press(window);
            return 0;
        case WM_LBUTTONUP:
            if (frame) break;
            Release(window, lparam, control);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK FrmMain::ControlProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_USERDATA));
    FrmMain* self = From(window);
    const Control* control = self ? self->ControlOf(window) : nullptr;
    if (!control) return CallWindowProcW(original, window, message, wparam, lparam);

    switch (message) {
        case WM_MOUSEMOVE:
            self->OnMouseOver(control->name);
            break;
        case WM_LBUTTONUP:
        case WM_KEYUP:
            if (control->kind == Kind::OptionButton &&
                (message == WM_LBUTTONUP || wparam == VK_SPACE)) {
                // The click the button reports while handling this is the user's.
                self->user_button_ = window;
                const LRESULT result = CallWindowProcW(original, window, message, wparam, lparam);
                self->user_button_ = nullptr;
                return result;
            }
            if (message == WM_LBUTTONUP && control->kind == Kind::Label) {
                self->Release(window, lparam, *control);
                return 0;
            }
            break;
        case WM_LBUTTONDOWN:
            if (control->kind == Kind::Label) {
                self->Press(window);
                return 0;
            }
            break;
        default:
            break;
    }
    return CallWindowProcW(original, window, message, wparam, lparam);
}

}  // namespace brevlin::ui
