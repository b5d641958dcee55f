// brevlin.exe: one window, one thread, one message loop. The registry, the
// controller and the window are put together here.
#include <windows.h>

#include <cstdlib>

#include "registry/advapi32.h"
#include "tweaks/controller.h"
#include "ui/frmmain.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
    brevlin::Advapi32Registry registry;
    brevlin::ui::FrmMain frmmain(instance);
    brevlin::SettingsController controller(registry, frmmain);
    if (!frmmain.Create(controller, show_command)) return 1;
    MSG message;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        // -1: no message came, and `message` holds nothing to read.
        if (got == -1) return 1;
        if (got == 0) return static_cast<int>(message.wParam);  // WM_QUIT's code
        if (frmmain.PreTranslateMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

namespace brevlin {
// Out of memory, with nowhere to say so that a user would read: end at once.
[[noreturn]] void CannotGoOn() { std::abort(); }
}  // namespace brevlin
