// brevlinc's commands, apart from the console and the file system: the
// arguments in, the texts for standard output and standard error and the
// exit code out. The Windows entry point only moves bytes.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "registry/platform.h"

namespace brevlin::cli {

namespace exit_code {
constexpr int kOk = 0;
constexpr int kFailed = 1;  // a write was refused, or something could not be read or written
constexpr int kUsage = 2;   // the command line made no sense
}  // namespace exit_code

struct Outcome {
    int exit_code = exit_code::kOk;
    std::string out = {};  // standard output, CRLF line ends
    std::string err = {};  // standard error, CRLF line ends
    // Where `out` goes instead of standard output: export's FILE.
    std::optional<std::string> out_file = {};
};

// The usage text, CRLF line ends.
std::string Usage();

// The command line's problem, then the usage: what an odd command line gets.
Outcome UsageError(std::string_view problem);

// Runs one command line, the arguments after the program's name.
Outcome Run(std::span<const std::string> args, RegistryPlatform& registry);

}  // namespace brevlin::cli
