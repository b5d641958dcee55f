// brevlin.exe: one window, one thread, one message loop.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "ui/frmmain.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
    // The shell and the picture decoder both expect COM on this thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    int exit_code = 1;
    {
        brevlin::ui::FrmMain frmmain(instance);
        if (frmmain.Create(show_command)) {
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0) {
                if (frmmain.PreTranslateMessage(message)) continue;
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            exit_code = static_cast<int>(message.wParam);
        }
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return exit_code;
}
