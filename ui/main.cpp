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
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (frmmain.PreTranslateMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

// A window program has nowhere to report a C++ library error, and Brevlin
// has no use for exceptions: any such error ends the process at once. These
// stand in for the library's own throwing helpers, which would bring in the
// exception classes, a second string implementation and a 45 KB demangler.
#if defined(__GLIBCXX__)
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_bad_function_call() { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
}  // namespace std
#endif
