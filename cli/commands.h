// brevlinc's commands, apart from the console and the file system: the
// arguments in, the texts for standard output and standard error and the
// exit code out. The Windows entry point only moves bytes.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "cli/system.h"
#include "registry/platform.h"

namespace brevlin::cli {

namespace exit_code {
constexpr int kOk = 0;      // done; check: everything matches
constexpr int kFailed = 1;  // a write refused, something unreadable or unwritable, a difference
constexpr int kUsage = 2;   // a command line or a file that makes no sense
}  // namespace exit_code

struct Outcome {
    int exit_code = exit_code::kOk;
    std::string out = {};       // standard output: UTF-8 text with CRLF line ends...
    bool out_is_utf16 = false;  // ...or export's file, UTF-16LE bytes
    std::string err = {};       // standard error, UTF-8, CRLF line ends
    // Where `out` goes instead of standard output (export's FILE as typed;
    // empty for none), and whether a file that is there may be replaced (/y).
    std::string out_file = {};
    bool replace = false;
};

// A command line it does not take: one line saying what was wrong and
// where the usage is, exit 2.
Outcome UsageError(std::string_view problem);

// Runs one command line, the arguments after the program's name.
Outcome Run(std::span<const std::string> args, RegistryPlatform& registry, System& system);

}  // namespace brevlin::cli
