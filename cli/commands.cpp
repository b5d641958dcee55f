#include "cli/commands.h"

#include <algorithm>

#include "cli/regfile.h"
#include "registry/raw.h"
#include "tweaks/catalogue.h"
#include "tweaks/settings.h"

namespace brevlin::cli {
namespace {

constexpr std::string_view kCrlf = "\r\n";
using Operands = std::span<const std::string>;

// An argument shown back in an error line: kept short and on one line, and
// in ASCII, which every console code page shows as it is.
std::string Shown(std::string_view argument) {
    constexpr std::size_t kMost = 40;
    std::string shown = "\"";
    for (char c : argument.substr(0, kMost)) {
        const auto byte = static_cast<unsigned char>(c);
        shown += byte >= 0x20 && byte < 0x7F ? c : '?';
    }
    return shown + (argument.size() > kMost ? "...\"" : "\"");
}

// The window's words, one paragraph a line with an empty line between.
std::string ConsoleLines(std::string_view text) {
    std::string lines;
    for (char c : text) {
        if (c == '\n') lines += '\r';
        lines += c;
    }
    return lines += kCrlf;
}

// The state the window would show at start-up, from the same reads. The
// window never reads the desktop icon; its key being there is what Show
// makes, so that is its state here.
Side StoredSide(RegistryPlatform& registry, const Tweak& tweak) {
    if (tweak.IsRead()) return SideOf(tweak, ReadStoredText(registry, tweak));
    const raw::Key key = raw::ProbeKey(registry, tweak.root, tweak.key_path);
    return key.presence == raw::Presence::Present ? Side::On : Side::Off;
}

std::string_view StateName(Side side) { return side == Side::On ? "on" : "off"; }

void PadTo(std::string& line, std::size_t width) {
    line.append(width > line.size() ? width - line.size() : 0, ' ');
}

Outcome Help(Operands, RegistryPlatform&) { return {.out = Usage()}; }

Outcome List(Operands, RegistryPlatform& registry) {
    std::size_t name_width = 0;
    for (const Tweak& tweak : Catalogue()) name_width = std::max(name_width, tweak.name.size());
    Outcome outcome;
    for (const Tweak& tweak : Catalogue()) {
        const Side side = StoredSide(registry, tweak);
        std::string line(tweak.name);
        PadTo(line, name_width + 2);
        line += StateName(side);
        PadTo(line, name_width + 2 + std::string_view("off").size() + 2);
        line += std::string(tweak.frame_caption) + ": " + std::string(tweak.choice(side).caption);
        (outcome.out += line) += kCrlf;
    }
    return outcome;
}

const Tweak* FindTweak(const std::string& name, Outcome* failure) {
    const Tweak* tweak = TweakNamed(name);
    if (!tweak) *failure = UsageError("unknown setting " + Shown(name));
    return tweak;
}

Outcome Get(Operands operands, RegistryPlatform& registry) {
    Outcome outcome;
    const Tweak* tweak = FindTweak(operands[0], &outcome);
    if (!tweak) return outcome;
    (outcome.out = StateName(StoredSide(registry, *tweak))) += kCrlf;
    return outcome;
}

Outcome Set(Operands operands, RegistryPlatform& registry) {
    Outcome outcome;
    const Tweak* tweak = FindTweak(operands[0], &outcome);
    if (!tweak) return outcome;
    const std::string& state = operands[1];
    if (state != StateName(Side::On) && state != StateName(Side::Off))
        return UsageError("unknown state " + Shown(state) + ": use on or off");
    const Side side = state == StateName(Side::On) ? Side::On : Side::Off;
    // The write of the window's button, even when the state is stored already.
    const mdlreg::WriteResult result = WriteSide(registry, *tweak, side, tweak->choice(side).text);
    if (!result.ok())
        return {.exit_code = exit_code::kFailed,
                .err = ConsoleLines(WriteFailureMessage(*tweak, side, result))};
    return outcome;
}

Outcome Export(Operands operands, RegistryPlatform& registry) {
    RegFile file = ExportSettings(registry);
    if (!file.ok)
        return {.exit_code = exit_code::kFailed,
                .err = "brevlinc: " + file.error + std::string(kCrlf)};
    Outcome outcome{.out = std::move(file.text)};
    if (!operands.empty()) outcome.out_file = operands[0];
    return outcome;
}

struct Command {
    std::string_view name;
    std::size_t least_operands;
    std::size_t most_operands;
    Outcome (*run)(Operands, RegistryPlatform&);
};

constexpr Command kCommands[] = {
    {"list", 0, 0, List}, {"get", 1, 1, Get}, {"set", 2, 2, Set},     {"export", 0, 1, Export},
    {"help", 0, 0, Help}, {"-h", 0, 0, Help}, {"--help", 0, 0, Help}, {"/?", 0, 0, Help},
};

}  // namespace

std::string Usage() {
    std::string settings = "SETTING is one of:";
    for (const Tweak& tweak : Catalogue()) (settings += ' ') += tweak.name;
    const std::string_view lines[] = {
        "Usage: brevlinc COMMAND",
        "Switches the Outlook 2002 settings that Brevlin's window switches.",
        "",
        "  list                  every setting: its state, and the window's frame and button",
        "  get SETTING           its state: on or off",
        "  set SETTING on|off    makes the write of the window's On or Off button",
        "  export [FILE]         the stored settings as a REGEDIT4 file, to FILE or to",
        "                        standard output; \"regedit /s FILE\" stores them again",
        "  help, -h, --help, /?  this text",
        "",
        settings,
        "Exit code: 0 done, 1 refused or failed, 2 a command line it does not take.",
    };
    std::string usage;
    for (std::string_view line : lines) (usage += line) += kCrlf;
    return usage;
}

Outcome UsageError(std::string_view problem) {
    return {.exit_code = exit_code::kUsage,
            .err = "brevlinc: " + std::string(problem) + std::string(kCrlf) + Usage()};
}

Outcome Run(std::span<const std::string> args, RegistryPlatform& registry) {
    if (args.empty()) return UsageError("no command given");
    for (const Command& command : kCommands) {
        if (args[0] != command.name) continue;
        const Operands operands = args.subspan(1);
        if (operands.size() < command.least_operands || operands.size() > command.most_operands)
            return UsageError("wrong number of arguments for " + Shown(args[0]));
        return command.run(operands, registry);
    }
    return UsageError("unknown command " + Shown(args[0]));
}

}  // namespace brevlin::cli
