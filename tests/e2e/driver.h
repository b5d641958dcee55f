// Drives the real brevlin.exe from a second Windows program in the same Wine
// prefix: puts the registry in a known state and photographs it, starts the
// program, reads its windows, and gives it real pointer and keyboard input
// through xdotool on the X display, exactly as a user's hands would.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/owner.h"
#include "registry/platform.h"

namespace brevlin::e2e {

// ---------------------------------------------------------------- registry

// Where Outlook 2002 keeps everything Brevlin touches, and the desktop icon.
inline constexpr std::string_view kOfficeTree = "Software\\Microsoft\\Office\\10.0";
inline constexpr std::string_view kDesktopIconKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace\\"
    "{00020D75-0000-0000-C000-000000000046}";

// A value's type and bytes, as RegQueryValueExA delivers them.
struct RegData {
    DWORD type = REG_NONE;
    std::string bytes;
    bool operator==(const RegData&) const = default;
};
// REG_SZ holding the text and its terminating NUL.
RegData Sz(std::string_view text);
// A string type holding exactly these bytes, no NUL added.
RegData RawString(DWORD type, std::string_view bytes);
RegData Dword(DWORD number);
RegData Qword(unsigned long long number);
RegData Binary(std::string_view bytes);
// One line: type, byte count and the data in readable form.
std::string Describe(const RegData& data);

// Closes a key handle. A key that was never opened is null, which
// RegCloseKey refuses harmlessly.
struct CloseKey {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using RegKey = Owner<HKEY, CloseKey>;

// Removes the whole Office 10.0 tree below HKCU and the desktop-icon key.
void ClearSettings();
// Stores the value, creating the keys it lives in; the empty name is the
// key's default value.
void PutValue(RegRoot root, std::string_view path, std::string_view name, const RegData& data);
void PutKey(RegRoot root, std::string_view path);
bool KeyExists(RegRoot root, std::string_view path);

// Everything below HKCU\Software\Microsoft\Office\10.0 and the desktop-icon
// key, one sorted entry per key and per value, comparable and printable.
class Snapshot {
public:
    static Snapshot Take();
    std::string Text() const;
    bool operator==(const Snapshot&) const = default;

    // The snapshot as it should read after a program stores one value
    // (creating the keys it lives in) or creates or deletes one key.
    Snapshot WithValue(RegRoot root, std::string_view path, std::string_view name,
                       const RegData& data) const;
    Snapshot WithKey(RegRoot root, std::string_view path) const;
    Snapshot WithoutKey(RegRoot root, std::string_view path) const;

private:
    std::map<std::string, std::string> entries_;
};

// Makes an existing key read-only for everyone while it lives: opening it
// still works, storing a value in it fails with ERROR_ACCESS_DENIED. Wine
// forgets the restriction when its server stops, so hold it only while the
// program under test runs.
class ReadOnlyKey {
public:
    ReadOnlyKey(RegRoot root, std::string_view path);
    ~ReadOnlyKey();
    ReadOnlyKey(const ReadOnlyKey&) = delete;
    ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;

private:
    RegKey key_;  // kept open with WRITE_DAC, to undo the lock through it
    std::vector<BYTE> saved_;
};

// ---------------------------------------------------------------- waiting

// Polls the condition every few milliseconds until it holds or time runs out.
bool WaitUntil(const std::function<bool()>& condition, int timeout_ms = 3000);

// ---------------------------------------------------------------- windows

std::string ClassOf(HWND window);
// WM_GETTEXT, which also reaches controls of another process.
std::string TextOf(HWND window);
LONG StyleOf(HWND window);
// A shown top-level window of this class belonging to the process, or null.
HWND FindShownWindow(DWORD process, std::string_view window_class);
// Every shown top-level window of this class belonging to the process.
std::vector<HWND> ShownWindows(DWORD process, std::string_view window_class);
// The window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND window);
RECT ScreenRect(HWND window);
SIZE ClientSize(HWND window);
bool IsChecked(HWND button);
POINT Centre(const RECT& rect);
// A point on the screen where the pointer rests on the window itself, not
// on one of its children: the one nearest its centre. The centre if none.
POINT OpenSpot(HWND window);
// A point on the screen where the pointer rests in the window's client area
// and on nothing in front of it: no child, no sibling above it, no other
// window. Two pixels either way are the same window too, so the pointer can
// be nudged there. The one nearest the centre of the client area.
std::optional<POINT> SpotOn(HWND window);
// The middle of the part of the window's title bar where WM_NCHITTEST
// answers `hit` (HTCLOSE, HTSYSMENU, ...).
std::optional<POINT> TitleBarSpot(HWND window, LRESULT hit);
// Returns once the window's thread has come back to its message loop twice,
// having handled the input that had reached its queue; false if it hangs.
bool RoundTrip(HWND window);

// ---------------------------------------------------------------- input

// Waits until the X server gives the keyboard to this top-level window. Wine
// calls a window the foreground window a moment before the X server agrees,
// and keys pressed in between go elsewhere.
bool WaitForKeyboard(HWND window, int timeout_ms = 3000);
void MovePointer(POINT screen);
// The hot spot of the pointer image the display shows now: it tells the
// shapes apart (the hand's is at its finger tip, 5,0).
std::optional<POINT> PointerHotSpot();
// A left click with the real pointer at the centre of the window.
void Click(HWND window);
// A left click with the real pointer at this point of the screen.
void ClickAt(POINT screen);
// Two left clicks 80 ms apart at this point of the screen: a double click.
void DoubleClickAt(POINT screen);
// Presses the left button at one point, moves to the other and lets go
// there; `meanwhile`, if given, runs while the button is down.
void Drag(POINT from, POINT to, const std::function<void()>& meanwhile = {});
// Presses and releases a key combination in xdotool's names: "Tab",
// "shift+Tab", "Left", "space", "alt+F4".
void Press(std::string_view keys);

// ---------------------------------------------------------------- message boxes

enum class BoxIcon { None, Error, Question, Warning, Information, Unknown };
const char* NameOf(BoxIcon icon);

struct MessageBoxView {
    HWND box = nullptr;
    std::string title;
    std::string text;
    std::vector<int> buttons;  // ids of the buttons shown, IDOK first if present
    BoxIcon icon = BoxIcon::None;
};

// A shown message box ("#32770") of the process, or null.
HWND FindMessageBox(DWORD process);
// Every shown message box of the process.
std::vector<HWND> FindMessageBoxes(DWORD process);
MessageBoxView ReadMessageBox(HWND box);
// Waits for a message box of the process and reads it once it has painted.
std::optional<MessageBoxView> WaitForMessageBox(DWORD process, int timeout_ms = 5000);
// Clicks the box's button with this id with the real pointer.
void PressButton(HWND box, int id);

// ---------------------------------------------------------------- the web browser

// Makes url_recorder.exe, which sits beside this program, the program that
// opens http and https URLs, for as long as it lives; then puts back what was
// there. It registers the command for the user (HKCU\Software\Classes, which
// Windows consults first) and for the machine (HKLM\Software\Classes, the
// only place Wine 8 looks: its HKEY_CLASSES_ROOT does not include the
// user's classes). The command quotes the URL, "%1": Wine passes it on as
// it is, and unquoted it would be split at a space.
class UrlRecorder {
public:
    UrlRecorder();
    ~UrlRecorder();
    UrlRecorder(const UrlRecorder&) = delete;
    UrlRecorder& operator=(const UrlRecorder&) = delete;

    // The URLs opened so far, oldest first, each as the recorder received
    // its arguments (several arguments joined by tabs).
    std::vector<std::string> Urls() const;
    // Waits until at least `count` URLs were opened, and returns them all.
    std::vector<std::string> WaitForUrls(std::size_t count, int timeout_ms = 5000) const;

private:
    void Register(const RegData& command);
    void Restore();

    struct Saved {
        RegRoot root;
        std::string created;  // the first key we made, removed again; or ""
        std::string command_key;
        std::optional<RegData> command;  // the command before, when the key existed
    };
    std::vector<Saved> saved_;
    std::string log_;  // Windows path
};

// ---------------------------------------------------------------- the program

// The path of brevlin.exe: BREVLIN_EXE, else brevlin.exe in the folder above
// this program's (the build tree's top, where CMake puts it).
std::string ProgramPath();

class Program {
public:
    // Starts the program and waits until its main window is shown; if it
    // never is, window() stays null. A show command is handed over as a
    // shortcut's "Run" setting or "start /max" would hand it.
    explicit Program(std::string path = ProgramPath(),
                     std::string_view window_class = "BrevlinMain",
                     std::optional<WORD> show_command = std::nullopt);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    HWND window() const { return window_; }
    DWORD process_id() const { return info_.dwProcessId; }
    bool Running() const;
    // How it ended, for a message: its exit code, or that it still runs.
    std::string Outcome() const;
    // Waits for the process to end by itself.
    bool WaitForExit(int timeout_ms = 5000);
    void Kill();

    // The child window of a control of the table, at any depth, or null.
    HWND Find(std::string_view control) const;
    // The control name of a child window, or "" if it is none of the table's.
    std::string NameOf(HWND child) const;
    // Returns once the program has handled every message posted to it before
    // the call, and the work it posts to itself when its window first shows
    // (which makes the controls out of sight); false if it does not.
    bool Settle() const;

    // The window with the keyboard focus in the program's GUI thread.
    HWND Focus() const;
    // The window that has the mouse captured in that thread, or null.
    HWND Capture() const;
    // NameOf(Focus()), or a description of what else has the focus.
    std::string FocusName() const;

private:
    PROCESS_INFORMATION info_{};
    HWND window_ = nullptr;
};

}  // namespace brevlin::e2e
