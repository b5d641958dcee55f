// Small Win32 helpers for the window: text conversion at the API boundary,
// colours from the layout table, and owners for every handle it holds.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "registry/owner.h"
#include "ui/layout.h"

namespace brevlin::ui {

// The program's texts are ANSI (the code page the registry functions use);
// the window functions take UTF-16.
std::wstring Widen(std::string_view ansi);

inline COLORREF ToColorRef(Colour colour) {
    return colour.IsSystem() ? GetSysColor(colour.SystemIndex()) : colour.Rgb();
}

// --- Release functions, one for each kind of handle. ------------------------

struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DestroyIconHandle {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct DeleteMemoryDc {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
// A window's DC goes back to the window it came from.
struct ReleaseWindowDc {
    HWND window = nullptr;
    void operator()(HDC dc) const { ReleaseDC(window, dc); }
};
struct Unhook {
    void operator()(HHOOK hook) const { UnhookWindowsHookEx(hook); }
};
struct FreeModule {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};

using ScopedFont = Owner<HFONT, DeleteGdiObject>;
using ScopedBrush = Owner<HBRUSH, DeleteGdiObject>;
using ScopedBitmap = Owner<HBITMAP, DeleteGdiObject>;
using ScopedPen = Owner<HPEN, DeleteGdiObject>;
using ScopedIcon = Owner<HICON, DestroyIconHandle>;
using MemoryDc = Owner<HDC, DeleteMemoryDc>;
using WindowDc = Owner<HDC, ReleaseWindowDc>;
using ScopedHook = Owner<HHOOK, Unhook>;
using ScopedModule = Owner<HMODULE, FreeModule>;

inline WindowDc ScreenDc() { return WindowDc(GetDC(nullptr), ReleaseWindowDc{nullptr}); }

// Selects an object into a DC for one scope, and the old one back after.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selected() { SelectObject(dc_, previous_); }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

class Painting {
public:
    explicit Painting(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~Painting() { EndPaint(window_, &paint_); }
    Painting(const Painting&) = delete;
    Painting& operator=(const Painting&) = delete;
    HDC dc() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

}  // namespace brevlin::ui
