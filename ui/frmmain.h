// frmmain: Brevlin's one window. Built from the layout table; the user's
// choices go to the settings controller, which answers through the window
// operations (selection, holders, failures).
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "tweaks/controller.h"
#include "ui/layout.h"
#include "ui/texts.h"
#include "ui/win32.h"

namespace brevlin::ui {

class FrmMain final : public WindowOperations {
public:
    explicit FrmMain(HINSTANCE instance);
    FrmMain(const FrmMain&) = delete;
    FrmMain& operator=(const FrmMain&) = delete;

    // Creates the window and its controls, has the controller show the
    // stored settings, and opens the window centred, never maximised.
    bool Create(SettingsController& controller, int show_command);

    // The keys the window handles itself before dispatch: Tab moves the focus
    // in tab-index order, arrows choose the other button of a frame.
    bool PreTranslateMessage(const MSG& message);

    // Opens a target with the shell; returns at once and reports nothing.
    void RunShellExecute(std::string_view topic, const ShellArgument& file,
                         const ShellArgument& parameters, const ShellArgument& directory,
                         int show_command);

    // Window operations for the settings controller.
    void Select(const Tweak& tweak, Side side) override;
    void ClearBoth(const Tweak& tweak) override;
    void SetHolderText(const Tweak& tweak, std::string_view text) override;
    std::string HolderText(const Tweak& tweak) const override;
    void ReportWriteFailure(const Tweak& tweak, Side side, const ChangeFailure& failure) override;

private:
    struct Fonts {
        ScopedFont regular, heading, title;
    };

    static LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK ChildProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK BeforeMinMax(int code, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK BeforeQueuedMessage(int code, WPARAM wparam, LPARAM lparam);
    static FrmMain* From(HWND window);

    LRESULT OnMainMessage(UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT OnChildMessage(HWND window, const Control& control, UINT message, WPARAM wparam,
                           LPARAM lparam);
    LRESULT OnControlMessage(HWND window, const Control& control, WNDPROC original, UINT message,
                             WPARAM wparam, LPARAM lparam);
    // Messages every container (the window and the frames) handles alike.
    bool OnContainerMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

    void RegisterClasses();
    HICON ProgramIcon(int size_metric) const;
    // The windows in sight, or those out of sight, which only the keyboard
    // reaches and which are made once the window shows.
    void CreateControls(bool in_sight);
    void Restack(const Control& control);
    void CreateTooltip();
    void OnAfterShown();
    void OnActivate(bool active);
    void OnDpiChanged(int message_dpi, LPARAM suggested);
    void OnWindowPosChanging(WINDOWPOS& position) const;
    void ApplyLayout(int dpi, const RECT& suggested);
    // Makes the fonts for a DPI and hands them to every control made so far.
    void ChangeFonts(int dpi);
    void LoadPictures(int dpi);
    RECT PixelRect(const Control& control) const;
    SIZE FrameSize() const;
    void PlaceWindow();

    void OnUserChoice(const Control& button);
    void OnClick(const Control& control);
    void Press(HWND window);
    void Release(HWND window, LPARAM lparam, const Control& control);
    void OnCaptureLost(HWND window);
    bool RefusesPress(UINT message) const;
    void OnMouseOver(std::string_view tip);
    bool OnSetCursor(HWND target, UINT hit_test);
    LRESULT OnControlColour(HDC dc, HWND control);
    void MoveFocus(bool backwards);
    void Unload();

    void PaintMain();
    // On the control's background, already filled.
    void PaintFrame(HDC dc, const RECT& client, const Control& control);
    void PaintPicture(HDC dc, const RECT& client, const Control& control);

    HWND Window(const Control& control) const { return windows_[IndexOf(control)]; }
    const Control* ControlOf(HWND window) const;
    HFONT FontFor(const Control& control) const;
    HBRUSH BrushFor(Colour colour);

    HINSTANCE instance_;
    SettingsController* controller_ = nullptr;
    HWND main_ = nullptr;
    HWND tooltip_ = nullptr;
    std::vector<HWND> windows_;  // by place in the layout table
    int dpi_ = 96;

    ScopedIcon icon_, small_icon_;  // the window class's
    Fonts fonts_;
    // The fixed colours of the table (the help pictures' blue, the white).
    std::array<std::pair<COLORREF, ScopedBrush>, 2> rgb_brushes_{};
    ScopedBitmap donation_;
    ScopedIcon help_icon_;
    HCURSOR hand_ = nullptr;
    ScopedHook no_maximise_;
    ScopedHook strangers_dpi_;
    std::array<std::string, kTweakCount> holder_texts_;  // by setting

    HWND focus_ = nullptr;    // where the focus goes back to on activation
    HWND pressed_ = nullptr;  // a label or picture the mouse went down on
    bool unloading_ = false;
    bool after_shown_ = false;  // the work the first sight did not wait for is done
    // The shell, loaded at the first click on a link and kept while the
    // window lives: one reference however many clicks. Declared before the
    // COM apartment, so that it is freed only after the apartment is left.
    ScopedModule shell32_;
    // Leaves the COM apartment the first sight did not wait for: the
    // function that does it, loaded with ole32, or null if never entered.
    struct CallUninitialize {
        void operator()(void(WINAPI* uninitialize)()) const { uninitialize(); }
    };
    Owner<void(WINAPI*)(), CallUninitialize> com_;
};

}  // namespace brevlin::ui
