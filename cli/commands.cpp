#include "cli/commands.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "cli/ascii.h"
#include "cli/regfile.h"
#include "cli/report.h"
#include "registry/raw.h"
#include "resources/version.h"
#include "tweaks/catalogue.h"
#include "tweaks/decimal.h"
#include "tweaks/settings.h"

namespace brevlin::cli {
namespace {

// export writes no larger file, and apply and check read none: an export
// of a 16-million-character text in hex, the most the window has been
// measured with, is 215 MB.
constexpr std::size_t kMostFileBytes = std::size_t{256} << 20;
constexpr std::string_view kMostFileSize = "256 MB";
constexpr std::string_view kVersionLine = "brevlinc " BREVLIN_VERSION_TEXT;
// An argument echoed in a message, and a value in check's rows, are cut
// after this many characters.
constexpr std::size_t kMostShown = 40;

// ---------------------------------------------------------------- messages

// Each says one line on standard error, and returns false for the callers
// that stop there.

// A warning: the exit code stays.
bool Tell(Outcome& outcome, std::string_view text) {
    outcome.err += "brevlinc: ";
    outcome.err += text;
    outcome.err += "\r\n";
    return false;
}

// Something could not be read, written or changed: exit code 1.
bool Fail(Outcome& outcome, std::string_view text) {
    outcome.exit_code = exit_code::kFailed;
    return Tell(outcome, text);
}

// A FILE that makes no sense: exit code 2.
bool BadFile(Outcome& outcome, std::string_view text) {
    outcome.exit_code = exit_code::kUsage;
    return Tell(outcome, text);
}

// A command line that makes no sense: exit code 2, and where the usage is.
bool Mistake(Outcome& outcome, std::string_view text) {
    outcome.exit_code = exit_code::kUsage;
    return Tell(outcome, std::string(text) + ". Type \"brevlinc /?\" for usage.");
}

// How many bytes the UTF-8 character at `at` takes; 0 when none starts there.
std::size_t CharacterLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    if (lead < 0x80) length = 1;
    else if (lead >= 0xC2 && lead < 0xE0) length = 2;
    else if (lead >= 0xE0 && lead < 0xF0) length = 3;
    else if (lead >= 0xF0 && lead < 0xF5) length = 4;
    if (length == 0 || at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 0;
    return length;
}

// C0 and C1 control characters, which would move the cursor or worse.
bool IsControl(std::string_view character) {
    const auto first = static_cast<unsigned char>(character[0]);
    if (character.size() == 1) return first < 0x20 || first == 0x7F;
    return first == 0xC2 && static_cast<unsigned char>(character[1]) < 0xA0;
}

// An argument as typed, in quotes, for a person to read: its first
// characters, each control character and broken byte as "?".
std::string Echo(std::string_view argument) {
    std::string echo = "\"";
    std::size_t shown = 0;
    for (std::size_t at = 0; at < argument.size(); ++shown) {
        if (shown == kMostShown) {
            echo += "...";
            break;
        }
        const std::size_t length = CharacterLength(argument, at);
        const std::string_view character = argument.substr(at, length ? length : 1);
        if (length == 0 || IsControl(character)) echo += '?';
        else echo += character;
        at += character.size();
    }
    return echo + "\"";
}

// ---------------------------------------------------------------- the command line

enum class Option : std::uint8_t {
    Help,
    Version,
    Replace,
    WhatIf,
    User,
    Machine,
    Format,
    NoHeader
};
using Options = unsigned;  // a bit for each Option
constexpr Options Bit(Option option) { return 1u << static_cast<unsigned>(option); }

struct OptionName {
    std::string_view name;  // after "/", "-" or "--", in any case
    Option option;
};
constexpr OptionName kOptionNames[] = {
    {"?", Option::Help},          {"h", Option::Help},          {"help", Option::Help},
    {"version", Option::Version}, {"y", Option::Replace},       {"whatif", Option::WhatIf},
    {"user", Option::User},       {"machine", Option::Machine}, {"fo", Option::Format},
    {"nh", Option::NoHeader},
};
constexpr std::string_view kFormatNames[] = {"table", "list", "csv"};  // in Format's order

struct Request {
    Options options = 0;
    Format format = Format::Table;
    std::vector<std::string_view> operands = {};  // neither options nor their values
    bool Has(Option option) const { return (options & Bit(option)) != 0; }
};

struct Context {
    RegistryPlatform& registry;
    System& system;
};

struct Command {
    std::string_view name;
    Options options;  // those it takes, beside help and the version
    std::string_view synopsis;
    std::string_view details;
    void (*run)(const Request&, Context&, Outcome&);
};

// An empty argument is no file name either.
bool LooksLikeOption(std::string_view argument) {
    return argument.empty() || argument[0] == '/' || argument[0] == '-';
}

const OptionName* OptionNamed(std::string_view argument) {
    if (argument.empty()) return nullptr;
    const std::string_view name = argument.substr(argument.starts_with("--") ? 2 : 1);
    for (const OptionName& option : kOptionNames)
        if (SameWord(name, option.name)) return &option;
    return nullptr;
}

const Tweak* SettingNamed(std::string_view operand) {
    for (const Tweak& tweak : Catalogue())
        if (SameWord(operand, tweak.name)) return &tweak;
    return nullptr;
}

unsigned SettingBit(const Tweak& tweak) { return 1u << static_cast<unsigned>(tweak.id); }

// The argument after /fo.
bool TakeFormat(std::span<const std::string> args, std::size_t at, Request& request) {
    if (at >= args.size()) return false;
    for (std::size_t i = 0; i < std::size(kFormatNames); ++i) {
        if (!SameWord(args[at], kFormatNames[i])) continue;
        request.format = static_cast<Format>(i);
        return true;
    }
    return false;
}

// The command's options and operands. Help and the version go with any
// command, or none; every option is given once at most.
bool Parse(std::span<const std::string> args, const Command* command, Request& request,
           Outcome& outcome) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view argument = args[i];
        if (!LooksLikeOption(argument)) {
            request.operands.push_back(argument);
            continue;
        }
        const OptionName* named = OptionNamed(argument);
        if (!named) return Mistake(outcome, "unknown option " + Echo(argument));
        const Option option = named->option;
        const bool anywhere = option == Option::Help || option == Option::Version;
        if (!anywhere && !command) return Mistake(outcome, "no command given");
        if (!anywhere && !(command->options & Bit(option)))
            return Mistake(outcome,
                           std::string(command->name) + " does not take " + Echo(argument));
        if (request.Has(option))
            return Mistake(outcome, "/" + std::string(named->name) + " given twice");
        request.options |= Bit(option);
        if (option == Option::Format && !TakeFormat(args, ++i, request))
            return Mistake(outcome, "/fo needs table, list or csv");
    }
    if (request.Has(Option::NoHeader) && request.format == Format::List)
        return Mistake(outcome, "/nh does not go with /fo list");
    return true;
}

// ---------------------------------------------------------------- settings

std::string_view StateName(Side side) { return side == Side::On ? "on" : "off"; }

// "bcc        " and what became of it.
void SettingLine(Outcome& outcome, const Tweak& tweak, std::string_view says) {
    std::string line(tweak.name);
    line.resize(11, ' ');  // the longest name, "plaintext", and two blanks
    outcome.out += line;
    outcome.out += says;
    outcome.out += "\r\n";
}

// The window's words for a refused change, on one line.
std::string Refused(const Tweak& tweak, const ChangeFailure& failure) {
    return "refused: " + RefusalReason(tweak, failure) + " " + WhatIsLeft(tweak, failure);
}

bool CannotRead(Context& context, Outcome& outcome, const Tweak& tweak, RegStatus status) {
    return Fail(outcome,
                "cannot read " + RegistryName(tweak) + ": " + context.system.Words(status));
}

// The side the window shows, or nothing, said on standard error, when the
// setting cannot be read.
std::optional<Side> ReadSideOrSay(Context& context, Outcome& outcome, const Tweak& tweak) {
    const SideRead read = ReadSide(context.registry, tweak);
    if (!read.side) CannotRead(context, outcome, tweak, read.status);
    return read.side;
}

enum class Match : std::uint8_t { Same, Differs, Unreadable };
struct Compared {
    Match match;
    raw::Value stored;
};

// What this machine stores of a setting beside what a file holds; one it
// cannot read is said on standard error.
Compared Compare(Context& context, Outcome& outcome, const Tweak& tweak, const raw::Value& want) {
    raw::Value stored = ReadExactly(context.registry, tweak);
    if (stored.presence == raw::Presence::Unreadable) {
        CannotRead(context, outcome, tweak, stored.status);
        return {Match::Unreadable, std::move(stored)};
    }
    const Match match = SameStored(stored, want) ? Match::Same : Match::Differs;
    return {match, std::move(stored)};
}

// What a store that Windows reported as done left: read back, it must be
// what was wanted.
std::string_view ReadBack(Context& context, Outcome& outcome, const Tweak& tweak,
                          const raw::Value& want) {
    const Match match = Compare(context, outcome, tweak, want).match;
    if (match == Match::Same) return "changed";
    outcome.exit_code = exit_code::kFailed;
    if (match == Match::Unreadable) return "unreadable";
    return "refused: Windows reads back another value.";
}

// A reading as a cell of check's rows, short and in ASCII.
std::string Cell(const Tweak& tweak, const raw::Value& value) {
    const bool present = value.presence == raw::Presence::Present;
    if (!tweak.IsRead()) return present ? "shown" : "hidden";
    return present ? Spelled(value, kMostShown) : "no value";
}

// ---------------------------------------------------------------- scopes and files

struct Scope {
    unsigned settings = 0;  // a bit per setting; 0 when nothing narrows it
    unsigned named = 0;     // those named one by one
    std::string_view file = {};
    bool Holds(const Tweak& tweak) const { return !settings || (settings & SettingBit(tweak)); }
};

// /user, /machine and setting names; an operand that is none is the FILE.
bool ScopeOf(const Request& request, Scope& scope, Outcome& outcome) {
    for (const Tweak& tweak : Catalogue()) {
        const Option part = tweak.root == RegRoot::CurrentUser ? Option::User : Option::Machine;
        if (request.Has(part)) scope.settings |= SettingBit(tweak);
    }
    for (std::string_view operand : request.operands) {
        const Tweak* tweak = SettingNamed(operand);
        if (!tweak && !scope.file.empty())
            return Mistake(outcome,
                           "more than one FILE: " + Echo(scope.file) + " and " + Echo(operand));
        if (!tweak) {
            scope.file = operand;
            continue;
        }
        if (scope.named & SettingBit(*tweak))
            return Mistake(outcome, std::string(tweak->name) + " given twice");
        scope.named |= SettingBit(*tweak);
        scope.settings |= SettingBit(*tweak);
    }
    return true;
}

// The file of apply and check, read and checked whole before anything
// else, and the settings of the scope that it holds.
struct Loaded {
    std::string path = {};  // the file's full path, as messages name it
    Held held = {};
    std::vector<const Tweak*> settings = {};
};

// The file's bytes are let go once read.
bool ReadFile(Context& context, std::string_view name, Loaded& loaded, Outcome& outcome) {
    const FileRead file = context.system.Read(std::string(name), kMostFileBytes);
    loaded.path = file.path;
    if (file.too_large)
        return BadFile(outcome, file.path + ": larger than " + std::string(kMostFileSize) +
                                    ", more than any export");
    if (!file.read) return Fail(outcome, "cannot read " + file.path + ": " + file.words);
    const FileProblem problem = ReadRegFile(file.bytes, loaded.held);
    if (problem.problem.empty()) return true;
    const std::string where =
        problem.line ? ", line " + Decimal(static_cast<long long>(problem.line)) : "";
    return BadFile(outcome, file.path + where + ": " + std::string(problem.problem));
}

bool Load(const Request& request, Context& context, std::string_view command, Loaded& loaded,
          Outcome& outcome) {
    Scope scope;
    if (!ScopeOf(request, scope, outcome)) return false;
    if (scope.file.empty()) return Mistake(outcome, std::string(command) + " needs a FILE");
    if (!ReadFile(context, scope.file, loaded, outcome)) return false;
    for (const Tweak& tweak : Catalogue()) {
        const bool held = loaded.held[IndexOf(tweak.id)].has_value();
        if ((scope.named & SettingBit(tweak)) && !held)
            return Mistake(outcome, loaded.path + " holds no " + std::string(tweak.name));
        if (held && scope.Holds(tweak)) loaded.settings.push_back(&tweak);
    }
    if (loaded.settings.empty())
        return Mistake(outcome, loaded.path + " holds none of the settings asked for");
    return true;
}

// The setting whose value takes the most bytes.
const Tweak& Largest(const Held& held) {
    const Tweak* largest = &Catalogue()[0];
    for (const Tweak& tweak : Catalogue()) {
        const auto& value = held[IndexOf(tweak.id)];
        const auto& most = held[IndexOf(largest->id)];
        if (value && (!most || value->bytes.size() > most->bytes.size())) largest = &tweak;
    }
    return *largest;
}

// ---------------------------------------------------------------- commands

void List(const Request& request, Context& context, Outcome& outcome) {
    if (!request.operands.empty()) {
        Mistake(outcome, "list takes no " + Echo(request.operands[0]));
        return;
    }
    Report report{4};
    report.Row({"Setting", "State", "Frame", "Button"});
    for (const Tweak& tweak : Catalogue()) {
        const std::optional<Side> side = ReadSideOrSay(context, outcome, tweak);
        report.Row({tweak.name, side ? StateName(*side) : "unreadable", tweak.frame_caption,
                    side ? tweak.choice(*side).caption : ""});
    }
    outcome.out = Render(report, request.format, request.Has(Option::NoHeader));
}

void Get(const Request& request, Context& context, Outcome& outcome) {
    if (request.operands.size() != 1) {
        Mistake(outcome, "get needs one SETTING");
        return;
    }
    const Tweak* tweak = SettingNamed(request.operands[0]);
    if (!tweak) {
        Mistake(outcome, "unknown setting " + Echo(request.operands[0]));
        return;
    }
    const std::optional<Side> side = ReadSideOrSay(context, outcome, *tweak);
    outcome.out = std::string(side ? StateName(*side) : "unreadable") + "\r\n";
}

// A SETTING on|off pair of set.
struct Pair {
    const Tweak* tweak;
    Side side;
};

// SETTING on|off pairs, each setting once.
bool Pairs(const Request& request, std::vector<Pair>& pairs, Outcome& outcome) {
    const auto& operands = request.operands;
    if (operands.empty() || operands.size() % 2 != 0)
        return Mistake(outcome, "set needs SETTING on|off pairs");
    unsigned given = 0;
    for (std::size_t i = 0; i < operands.size(); i += 2) {
        const Tweak* tweak = SettingNamed(operands[i]);
        if (!tweak) return Mistake(outcome, "unknown setting " + Echo(operands[i]));
        if (given & SettingBit(*tweak))
            return Mistake(outcome, std::string(tweak->name) + " given twice");
        given |= SettingBit(*tweak);
        const std::string_view state = operands[i + 1];
        if (!SameWord(state, "on") && !SameWord(state, "off"))
            return Mistake(outcome, "unknown state " + Echo(state) + " for " +
                                        std::string(tweak->name) + ": use on or off");
        pairs.push_back({tweak, SameWord(state, "on") ? Side::On : Side::Off});
    }
    return true;
}

void Set(const Request& request, Context& context, Outcome& outcome) {
    std::vector<Pair> pairs;
    if (!Pairs(request, pairs, outcome)) return;  // all checked before the first write
    for (const auto& [tweak, side] : pairs) {
        // The write of the window's button, even when the state is stored already.
        const ChangeResult refused =
            WriteSide(context.registry, *tweak, side, tweak->choice(side).text);
        if (refused) outcome.exit_code = exit_code::kFailed;
        SettingLine(outcome, *tweak, refused ? Refused(*tweak, *refused) : StateName(side));
    }
}

void Export(const Request& request, Context& context, Outcome& outcome) {
    Scope scope;
    if (!ScopeOf(request, scope, outcome)) return;
    if (request.Has(Option::Replace) && scope.file.empty()) {
        Mistake(outcome, "/y needs a FILE");
        return;
    }
    Held held;
    for (const Tweak& tweak : Catalogue()) {
        if (!scope.Holds(tweak)) continue;
        raw::Value value = ReadExactly(context.registry, tweak);
        if (value.presence == raw::Presence::Unreadable) {
            Fail(outcome, "cannot read " + RegistryName(tweak) + ": " +
                              context.system.Words(value.status) + " Nothing exported.");
            return;
        }
        held[IndexOf(tweak.id)] = std::move(value);
    }
    std::optional<std::string> file = WriteRegFile(held, kMostFileBytes);
    if (!file) {
        Fail(outcome,
             RegistryName(Largest(held)) + " is too large: its file would be larger than " +
                 std::string(kMostFileSize) + ", the most that apply reads. Nothing exported.");
        return;
    }
    for (const Tweak& tweak : Catalogue()) {
        const auto& value = held[IndexOf(tweak.id)];
        if (value && !RegeditRestores(*value))
            Tell(outcome, "warning: regedit /s cannot store " + RegistryName(tweak) + " as it is");
    }
    outcome.out = std::move(*file);
    outcome.out_is_utf16 = true;
    outcome.out_file = scope.file;
    outcome.replace = request.Has(Option::Replace);
}

// Brings each setting of the file to what it holds; /whatif only says so.
void Apply(const Request& request, Context& context, Outcome& outcome) {
    Loaded loaded;
    if (!Load(request, context, "apply", loaded, outcome)) return;
    for (const Tweak* tweak : loaded.settings) {
        const raw::Value& want = *loaded.held[IndexOf(tweak->id)];
        const Match match = Compare(context, outcome, *tweak, want).match;
        if (match == Match::Unreadable) {
            SettingLine(outcome, *tweak, "unreadable");
        } else if (match == Match::Same) {
            SettingLine(outcome, *tweak, "unchanged");
        } else if (request.Has(Option::WhatIf)) {
            SettingLine(outcome, *tweak, "would change");
        } else if (const ChangeResult refused = StoreExactly(context.registry, *tweak, want)) {
            outcome.exit_code = exit_code::kFailed;
            SettingLine(outcome, *tweak, Refused(*tweak, *refused));
        } else {
            SettingLine(outcome, *tweak, ReadBack(context, outcome, *tweak, want));
        }
    }
}

// Whether this machine holds what the file does; writes nothing.
void Check(const Request& request, Context& context, Outcome& outcome) {
    Loaded loaded;
    if (!Load(request, context, "check", loaded, outcome)) return;
    Report report{4};
    report.Row({"Setting", "Result", "File", "Stored"});
    for (const Tweak* tweak : loaded.settings) {
        const raw::Value& want = *loaded.held[IndexOf(tweak->id)];
        const Compared compared = Compare(context, outcome, *tweak, want);
        if (compared.match != Match::Same) outcome.exit_code = exit_code::kFailed;
        if (compared.match == Match::Differs)
            report.Row({tweak->name, "differs", Cell(*tweak, want), Cell(*tweak, compared.stored)});
        else
            report.Row(
                {tweak->name, compared.match == Match::Same ? "matches" : "unreadable", "", ""});
    }
    outcome.out = Render(report, request.format, request.Has(Option::NoHeader));
}

void Help(const Request& request, Context& context, Outcome& outcome);

constexpr Options kScope = Bit(Option::User) | Bit(Option::Machine);
constexpr Options kRows = Bit(Option::Format) | Bit(Option::NoHeader);

// clang-format off
constexpr Command kCommands[] = {
    {"list", kRows, "list [/fo table|list|csv] [/nh]",
     "Each setting's state as the window shows it after start-up, with its frame\n"
     "and button; deskicon's is whether its key exists. unreadable: exit 1.\n", List},
    {"get", 0, "get SETTING",
     "The setting's state, as list gives it: on, off, or unreadable (exit 1).\n", Get},
    {"set", 0, "set SETTING on|off [SETTING on|off ...]",
     "Checks all, then makes each button's write in turn; prints the state, or\n"
     "\"refused:\" and the window's words (exit 1).\n", Set},
    {"export", kScope | Bit(Option::Replace), "export [FILE] [SCOPE] [/y]",
     "The stored values exactly, as a version 5.00 .reg file; /y replaces FILE.\n"
     "Warns of values regedit /s cannot store; apply can.\n", Export},
    {"apply", kScope | Bit(Option::WhatIf), "apply FILE [SCOPE] [/whatif]",
     "Checks all of FILE, then stores its values the window's way: changed,\n"
     "unchanged or refused: (exit 1). /whatif writes nothing.\n", Apply},
    {"check", kScope | kRows, "check FILE [SCOPE] [/fo table|list|csv] [/nh]",
     "Writes nothing: matches, or differs (exit 1) with what FILE and this\n"
     "machine hold.\n", Check},
    {"help", 0, "help [COMMAND]", "This text, or a command's.\n", Help},
};
// clang-format on

constexpr std::string_view kGeneralHelp =
    "SETTING: attach bcc systray msn plaintext logging deskicon; on is the left\n"
    "button. SCOPE: /user (the first six), /machine (deskicon) or SETTINGs (a\n"
    "FILE named like one: .\\bcc). Exit code: 0 done or all match, 1 refused,\n"
    "unreadable, unwritable or differing, 2 a mistake in the command or FILE.\n";

const Command* CommandNamed(std::string_view name) {
    for (const Command& command : kCommands)
        if (SameWord(name, command.name)) return &command;
    return nullptr;
}

// The text with each line ending in CR LF, as a console shows it.
std::string WithCrLf(std::string_view text) {
    std::string lines;
    for (char c : text) {
        if (c == '\n') lines += '\r';
        lines += c;
    }
    return lines;
}

// The usage of every command, or of one.
void HelpText(const Command* command, Outcome& outcome) {
    std::string text = std::string(kVersionLine) + ": Brevlin's Outlook 2002 settings\n\n";
    for (const Command& each : kCommands)
        if (!command || command == &each) text += "  brevlinc " + std::string(each.synopsis) + "\n";
    text += "\n";
    text += command ? command->details : kGeneralHelp;
    outcome.out = WithCrLf(text);
}

void Help(const Request& request, Context&, Outcome& outcome) {
    const auto& operands = request.operands;
    if (operands.size() > 1) {
        Mistake(outcome, "help takes one COMMAND");
        return;
    }
    const Command* command = operands.empty() ? nullptr : CommandNamed(operands[0]);
    if (!operands.empty() && !command) {
        Mistake(outcome, "unknown command " + Echo(operands[0]));
        return;
    }
    HelpText(command, outcome);
}

}  // namespace

Outcome UsageError(std::string_view problem) {
    Outcome outcome;
    Mistake(outcome, problem);
    return outcome;
}

Outcome Run(std::span<const std::string> args, RegistryPlatform& registry, System& system) {
    Outcome outcome;
    const bool named = !args.empty() && !LooksLikeOption(args[0]);
    const Command* command = named ? CommandNamed(args[0]) : nullptr;
    if (named && !command) {
        Mistake(outcome, "unknown command " + Echo(args[0]));
        return outcome;
    }
    Request request;
    if (!Parse(args.subspan(named ? 1 : 0), command, request, outcome)) return outcome;
    Context context{registry, system};
    if (request.Has(Option::Help)) HelpText(command, outcome);
    else if (request.Has(Option::Version)) outcome.out = std::string(kVersionLine) + "\r\n";
    else if (!command) Mistake(outcome, "no command given");
    else command->run(request, context, outcome);
    return outcome;
}

}  // namespace brevlin::cli
