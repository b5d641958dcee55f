// frmmain: Brevlin's one window. Built from the layout table; its option
// buttons drive the settings controller, which reaches back through the
// window operations (selection, holders, failures).
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "registry/advapi32.h"
#include "tweaks/controller.h"
#include "ui/layout.h"
#include "ui/texts.h"
#include "ui/win32.h"

namespace brevlin::ui {

class FrmMain final : public WindowOperations {
public:
    explicit FrmMain(HINSTANCE instance);
    ~FrmMain() override;
    FrmMain(const FrmMain&) = delete;
    FrmMain& operator=(const FrmMain&) = delete;

    // Creates the window and its controls, shows the stored settings, and
    // opens the window centred on the screen.
    bool Create(int show_command);

    // The keys the window handles itself before dispatch: Tab moves the focus
    // in tab-index order, arrows move the selection within a frame.
    bool PreTranslateMessage(const MSG& message);

    // Opens a target with the shell; returns at once and reports nothing.
    void RunShellExecute(std::string_view topic, const ShellArgument& file,
                         const ShellArgument& parameters, const ShellArgument& directory,
                         int show_command);

    // Window operations for the settings controller.
    void SetSelected(std::string_view button, bool selected) override;
    void SetHolderText(std::string_view holder, std::string_view text) override;
    std::string HolderText(std::string_view holder) const override;
    void ReportWriteFailure(const Tweak& tweak, Side side,
                            const mdlreg::WriteResult& result) override;

private:
    static LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK ChildProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static FrmMain* From(HWND window);

    LRESULT OnMainMessage(UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT OnChildMessage(HWND window, const Control& control, UINT message, WPARAM wparam,
                           LPARAM lparam);
    // Messages every container (the window and the frames) handles alike.
    bool OnContainerMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

    void RegisterClasses();
    void CreateControls();
    void CreateTooltip();
    void OnAfterShown();
    void ApplyLayout(int dpi);
    void MakeFonts(int dpi);
    void LoadPictures(int dpi);
    RECT PixelRect(const Control& control) const;
    void PlaceWindow();

    void OnOptionCommand(HWND button, const Control& control);
    void OnUserSelects(const Control& button);
    void OnClick(const Control& control);
    void Press(HWND window);
    void Release(HWND window, LPARAM lparam, const Control& control);
    void OnMouseOver(std::string_view element);
    bool OnSetCursor(HWND target, UINT hit_test);
    LRESULT OnControlColour(HDC dc, HWND control);
    void MoveFocus(bool backwards);
    void Unload();

    void PaintMain();
    // On the control's background, already filled.
    void PaintFrame(HDC dc, const RECT& client, const Control& control);
    void PaintPicture(HDC dc, const RECT& client, const Control& control);

    HWND Window(std::string_view name) const;
    const Control* ControlOf(HWND window) const;
    HFONT FontFor(const Control& control) const;
    HBRUSH BrushFor(Colour colour);
    const Control* SelectedButtonOf(const Tweak& tweak) const;

    HINSTANCE instance_;
    HWND main_ = nullptr;
    HWND tooltip_ = nullptr;
    std::vector<HWND> windows_;  // by place in the layout table
    int dpi_ = 96;

    ScopedFont regular_, heading_, title_;
    std::map<std::uint32_t, ScopedBrush> rgb_brushes_;
    ScopedBitmap donation_;
    HICON help_icon_ = nullptr;
    HCURSOR hand_ = nullptr;

    Advapi32Registry registry_;
    SettingsController controller_{registry_, *this};
    std::map<std::string, std::string, std::less<>> holders_;

    HWND focus_ = nullptr;        // where the focus goes back to on activation
    HWND user_button_ = nullptr;  // the button handling a real click or Space
    HWND pressed_ = nullptr;      // a label or picture the mouse went down on
    bool unloading_ = false;
    bool com_ready_ = false;
};

}  // namespace brevlin::ui
