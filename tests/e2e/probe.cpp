// The driver as a command for the scripts that are not tests:
//
//   brevlin_probe clear
//       removes every setting Brevlin reads or writes from the registry
//   brevlin_probe store
//       stores a value for each of the six settings start-up reads: the
//       list of extensions, and 1 for the others
//   brevlin_probe show [--hover CONTROL]
//       starts brevlin.exe, optionally rests the pointer on a control until
//       its tip shows, prints the window's screen rectangle with its frame as
//       "LEFT TOP WIDTH HEIGHT", then keeps the program open until a line
//       (or end of input) arrives on standard input
//   brevlin_probe store-list BYTES
//       stores a Level1Remove of BYTES characters, as another program might
//   brevlin_probe time PROGRAM CLASS RUNS
//       starts PROGRAM RUNS times and prints, one line a run, its process id,
//       the milliseconds from CreateProcess until a window of CLASS is shown,
//       and the peak working set in KB by then; each run is ended as soon as
//       it is measured
//   brevlin_probe pairs PROGRAM CLASS PROGRAM CLASS PAIRS
//       starts the two programs in turn, PAIRS times, and prints a line a
//       pair: the first's and the second's milliseconds, then their peak
//       working sets in KB
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <string>

#include "tests/design_texts.h"
#include "tests/e2e/driver.h"
#include "tweaks/catalogue.h"

using namespace brevlin;
using namespace brevlin::e2e;

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: brevlin_probe clear | store | store-list BYTES\n"
                 "       brevlin_probe show [--hover CONTROL]\n"
                 "       brevlin_probe time PROGRAM CLASS RUNS\n"
                 "       brevlin_probe pairs PROGRAM CLASS PROGRAM CLASS PAIRS\n");
    return 2;
}

void StoreEverySetting() {
    ClearSettings();
    for (const Tweak& tweak : Catalogue()) {
        if (!tweak.IsRead()) continue;
        const RegData data = tweak.kind == ValueKind::StringValue ? Sz(kUnblockedExtensions)
                                                                  : Dword(1);
        PutValue(tweak.root, tweak.key_path, tweak.value_name, data);
    }
}

int Show(const char* hover) {
    ClearSettings();
    // Out of the way, so that no control shows its tip by accident.
    MovePointer({0, 0});
    Program program;
    if (!program.window()) {
        std::fprintf(stderr, "brevlin.exe did not show its window\n");
        return 1;
    }
    if (hover) {
        HWND target = program.Find(hover);
        if (!target) {
            std::fprintf(stderr, "no control called %s\n", hover);
            return 1;
        }
        MovePointer(OpenSpot(target));
        // The tip area answers the pointer; wait until it shows the tip.
        const auto tip = test::DesignedTip(hover);
        HWND tip_area = program.Find("lbltip");
        if (tip && tip_area && !WaitUntil([&] { return TextOf(tip_area) == *tip; }, 3000))
            std::fprintf(stderr, "the tip of %s did not show\n", hover);
    }
    // Let the last change paint before the picture is taken.
    RedrawWindow(program.window(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(200);
    const RECT frame = ScreenRect(program.window());
    std::printf("%ld %ld %ld %ld\n", frame.left, frame.top, frame.right - frame.left,
                frame.bottom - frame.top);
    std::fflush(stdout);
    char line[16];
    std::fgets(line, sizeof line, stdin);
    return 0;
}

struct Start {
    DWORD process_id = 0;
    double ms = 0;            // from CreateProcess until the window is shown
    std::size_t peak_kb = 0;  // the peak working set by then
};

// Starts the program, waits until a window of the class is shown, measures,
// and ends it.
std::optional<Start> Measure(const char* path, const char* window_class) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::string command = std::string("\"") + path + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    LARGE_INTEGER start, shown;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(path, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "cannot start %s\n", path);
        return std::nullopt;
    }
    bool seen = false;
    for (;;) {
        if (FindShownWindow(process.dwProcessId, window_class)) {
            seen = true;
            break;
        }
        if (WaitForSingleObject(process.hProcess, 1) != WAIT_TIMEOUT) break;
    }
    QueryPerformanceCounter(&shown);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory);
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    if (!seen) {
        std::fprintf(stderr, "%s ended without showing a %s window\n", path, window_class);
        return std::nullopt;
    }
    return Start{process.dwProcessId,
                 double(shown.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart),
                 memory.PeakWorkingSetSize / 1024};
}

int Time(const char* path, const char* window_class, int runs) {
    for (int run = 0; run < runs; ++run) {
        const std::optional<Start> measured = Measure(path, window_class);
        if (!measured) return 1;
        std::printf("%lu %.1f %zu\n", measured->process_id, measured->ms, measured->peak_kb);
        std::fflush(stdout);
    }
    return 0;
}

// The two programs one after the other, so that whatever else the machine
// does weighs on both alike.
int Pairs(const char* first, const char* first_class, const char* second, const char* second_class,
          int pairs) {
    for (int pair = 0; pair < pairs; ++pair) {
        const std::optional<Start> a = Measure(first, first_class);
        const std::optional<Start> b = a ? Measure(second, second_class) : std::nullopt;
        if (!a || !b) return 1;
        std::printf("%.1f %.1f %zu %zu\n", a->ms, b->ms, a->peak_kb, b->peak_kb);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 2 && std::strcmp(argv[1], "clear") == 0) {
            ClearSettings();
            return 0;
        }
        if (argc == 3 && std::strcmp(argv[1], "store-list") == 0) {
            ClearSettings();
            const Tweak& attach = CatalogueEntry(TweakId::attach);
            PutValue(attach.root, attach.key_path, attach.value_name,
                     Sz(std::string(std::strtoull(argv[2], nullptr, 10), 'x')));
            return 0;
        }
        if (argc == 2 && std::strcmp(argv[1], "store") == 0) {
            StoreEverySetting();
            return 0;
        }
        if (argc >= 2 && std::strcmp(argv[1], "show") == 0) {
            if (argc == 2) return Show(nullptr);
            if (argc == 4 && std::strcmp(argv[2], "--hover") == 0) return Show(argv[3]);
            return Usage();
        }
        if (argc == 5 && std::strcmp(argv[1], "time") == 0)
            return Time(argv[2], argv[3], std::atoi(argv[4]));
        if (argc == 7 && std::strcmp(argv[1], "pairs") == 0)
            return Pairs(argv[2], argv[3], argv[4], argv[5], std::atoi(argv[6]));
        return Usage();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "brevlin_probe: %s\n", failure.what());
        return 1;
    }
}
