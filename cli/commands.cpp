#include "cli/commands.h"

#include <cstring>
#include <initializer_list>
#include <iterator>
#include <span>

#include "cli/regfile.h"
#include "cli/report.h"
#include "registry/raw.h"
#include "resources/version.h"
#include "tweaks/catalogue.h"
#include "tweaks/decimal.h"
#include "tweaks/settings.h"

// brevlinc.exe has a size budget, and every call that joins texts costs
// code: the lines for standard error are data, filled by one function, and
// the catalogue's texts, which are string literals, are passed on as such.
namespace brevlin::cli {
namespace {

// apply and check read no larger file: an export of a 16-million-character
// attachment list, the most the window has been measured with, is 32 MB.
constexpr std::size_t kMostFileBytes = std::size_t{64} << 20;
constexpr const char* kVersionLine = "brevlinc " BREVLIN_VERSION_TEXT;

// ---------------------------------------------------------------- messages

// A line for standard error. Its first character is the exit code it
// gives: 0 (a warning), 1, or 2 for a mistake in the command line, which
// also says where the usage is ("u": 2 without that, a file's mistake).
// Then \1 stands for the next argument as typed, quoted, kept short and in
// ASCII, which every console code page shows as it is, and \2 for the next
// as it is.
constexpr int kUsage = exit_code::kUsage;
constexpr const char* kNoCommand = "2no command given";
constexpr const char* kUnknownCommand = "2unknown command \1";
constexpr const char* kUnknownOption = "2unknown option \1";
constexpr const char* kNotTaken = "2\2 does not take \1";
constexpr const char* kNoFormat = "2/fo needs table, list or csv";
constexpr const char* kNoHeaderInList = "2/nh does not go with /fo list";
constexpr const char* kTooMany = "2too many arguments";
constexpr const char* kOneSetting = "2get needs one SETTING";
constexpr const char* kNoOperand = "2list takes no \1";
constexpr const char* kUnknownSetting = "2unknown setting \1";
constexpr const char* kPairs = "2set needs SETTING on|off pairs";
constexpr const char* kTwice = "2\2 given twice";
constexpr const char* kUnknownState = "2unknown state \1 for \2: use on or off";
constexpr const char* kOneCommand = "2help takes one COMMAND";
constexpr const char* kTwoFiles = "2more than one FILE: \1 and \1";
constexpr const char* kNoFile = "2\2 needs a FILE";
constexpr const char* kNotHeld = "2\2 holds no \2";
constexpr const char* kNoneHeld = "2\2 holds none of the settings asked for";
constexpr const char* kBadFile = "u\2\2\2: \2";
constexpr const char* kCannotRead = "1cannot read \2: \2";
constexpr const char* kTooLarge = "u\2 is larger than 64 MB, more than any export";
constexpr const char* kCannotExport = "1cannot read \2: \2 Nothing exported.";
constexpr const char* kNotRestored = "0warning: regedit /s cannot store \2 as it is";

// Says it on standard error. Returns false, for the callers that stop
// there. (The arguments are NUL-terminated: the command line's, the
// catalogue's string literals, or std::string's.)
bool Tell(Outcome& outcome, const char* message, const char* a = "", const char* b = "",
          const char* c = "", const char* d = "") {
    constexpr std::size_t kMost = 40;
    const char* args[] = {a, b, c, d};
    const char** next = args;
    std::string& err = outcome.err;
    err += "brevlinc: ";
    const int code = *message == 'u' ? kUsage : *message - '0';
    for (const char* text = message + 1; *text; ++text) {
        if (*text == '\2') err += *next++;
        if (*text != '\1') {
            if (*text != '\2') err += *text;
            continue;
        }
        const std::string_view arg = *next++;
        err += '"';
        for (char ch : arg.substr(0, kMost)) err += ch >= 0x20 && ch < 0x7F ? ch : '?';
        err += arg.size() > kMost ? "...\"" : "\"";
    }
    err += *message == '2' ? ". Type \"brevlinc /?\" for usage.\r\n" : "\r\n";
    if (code != exit_code::kOk) outcome.exit_code = code;
    return false;
}

// ---------------------------------------------------------------- the command line

enum Option : unsigned {
    kHelp = 1u << 0,
    kVersion = 1u << 1,
    kReplace = 1u << 2,
    kWhatIf = 1u << 3,
    kUser = 1u << 4,
    kMachine = 1u << 5,
    kFormat = 1u << 6,
    kNoHeader = 1u << 7,
};

// The options' names, each ending in a NUL, and the bit each stands for.
constexpr char kOptionNames[] = "?\0h\0help\0version\0y\0whatif\0user\0machine\0fo\0nh";
constexpr std::uint8_t kOptionBits[] = {0, 0, 0, 1, 2, 3, 4, 5, 6, 7};
constexpr const char* kFormats[] = {"table", "list", "csv"};  // Format's order

struct Request {
    unsigned options = 0;
    Format format = Format::Table;
    // What is neither an option nor its value; more make no sense.
    const char* operands[16] = {};
    std::size_t count = 0;
    std::span<const char* const> Operands() const { return {operands, count}; }
};

struct Context {
    RegistryPlatform& registry;
    System& system;
};

// Whether the argument is the word, in any case.
bool Is(const char* arg, const char* word) {
    for (; *arg || *word; ++arg, ++word)
        if ((*arg >= 'A' && *arg <= 'Z' ? *arg | 0x20 : *arg) != *word) return false;
    return true;
}

// An empty argument is no file name either.
bool LooksLikeOption(const char* arg) { return *arg == '/' || *arg == '-' || !*arg; }

// The option an argument names, in any case, after "/", "-" or "--".
unsigned OptionOf(const char* arg) {
    const char* name = *arg ? arg + (arg[0] == '-' && arg[1] == '-' ? 2 : 1) : arg;
    const char* option = kOptionNames;
    for (std::uint8_t bit : kOptionBits) {
        if (Is(name, option)) return 1u << bit;
        option += std::strlen(option) + 1;
    }
    return 0;
}

// The setting an operand names, in any case.
const Tweak* SettingNamed(const char* operand) {
    for (const Tweak& tweak : Catalogue())
        if (Is(operand, tweak.name.data())) return &tweak;
    return nullptr;
}

unsigned Bit(const Tweak& tweak) { return 1u << static_cast<unsigned>(tweak.id); }

// ---------------------------------------------------------------- settings

// "bcc        " and what became of it.
void SettingLine(Outcome& outcome, const Tweak& tweak, const char* says) {
    std::string line(tweak.name);
    line.resize(11, ' ');  // the longest name, "plaintext", and two blanks
    ((outcome.out += line) += says) += "\r\n";
}

std::string ValueName(const Tweak& tweak) {
    std::string name = RootName(tweak.root).data();
    ((name += '\\') += tweak.key_path) += tweak.IsRead() ? "\\" : "";
    return name += tweak.value_name;
}

const char* StateName(Side side) { return side == Side::On ? "on" : "off"; }

// The window's words for a refused write, on one line: why, and what it
// left behind; the first paragraph only names the setting again.
std::string RefusedLine(const Tweak& tweak, Side side, const mdlreg::WriteResult& result) {
    const std::string message = WriteFailureMessage(tweak, side, result);
    std::string line = "refused:";
    bool reason = false;
    for (char c : message) {
        reason = reason || c == '\n';
        if (c == '\n' && line.back() != ' ') line += ' ';
        if (c != '\n' && reason) line += c;
    }
    return line;
}

// What a file carries of a setting, as this machine stores it; false, with
// the message, when it cannot be read.
bool Stored(Context& context, Outcome& outcome, const Tweak& tweak, raw::Value& value,
            const char* unreadable) {
    if (tweak.IsRead()) {
        value = raw::ReadValue(context.registry, tweak.root, tweak.key_path, tweak.value_name);
    } else {
        const raw::Key key = raw::ProbeKey(context.registry, tweak.root, tweak.key_path);
        value = {.presence = key.presence, .status = key.status};
    }
    if (value.presence != raw::Presence::Unreadable) return true;
    return Tell(outcome, unreadable, ValueName(tweak).c_str(),
                context.system.Words(value.status).c_str());
}

// The state the window would show at start-up, from the same reads. The
// window never reads the desktop icon; its key being there is what Show
// makes, so that is its state here, and a key that cannot be looked at has
// none: false, with the message.
bool StoredSide(Context& context, Outcome& outcome, const Tweak& tweak, Side& side) {
    if (tweak.IsRead()) {
        side = SideOf(tweak, ReadStoredText(context.registry, tweak));
        return true;
    }
    raw::Value key;
    if (!Stored(context, outcome, tweak, key, kCannotRead)) return false;
    side = key.presence == raw::Presence::Present ? Side::On : Side::Off;
    return true;
}

bool Same(const raw::Value& a, const raw::Value& b) {
    return a.presence == b.presence &&
           (a.presence != raw::Presence::Present || (a.type == b.type && a.bytes == b.bytes));
}

// Stores exactly what the file holds; the desktop icon the window's way.
mdlreg::WriteResult Store(RegistryPlatform& registry, const Tweak& tweak, const raw::Value& want) {
    const bool present = want.presence == raw::Presence::Present;
    if (!tweak.IsRead()) return WriteSide(registry, tweak, present ? Side::On : Side::Off, {});
    if (!present) return raw::DeleteValue(registry, tweak.root, tweak.key_path, tweak.value_name);
    return raw::WriteValue(registry, tweak.root, tweak.key_path, tweak.value_name, want.type,
                           want.bytes);
}

// A value as a cell of check's rows, short and in ASCII; an empty cell
// for none.
void Describe(std::string& cells, const Tweak& tweak, const raw::Value* value) {
    const bool present = value && value->presence == raw::Presence::Present;
    if (value && !tweak.IsRead()) cells += present ? "shown" : "hidden";
    else if (value) cells += present ? Spelled(*value, 40) : "no value";
    cells += '\0';
}

// ---------------------------------------------------------------- scopes and files

struct Scope {
    unsigned settings = 0;  // a bit per setting; 0 when nothing narrows it
    unsigned named = 0;     // the settings named one by one
    const char* file = nullptr;
};

// /user, /machine and setting ids; an operand that is none is the FILE.
bool ScopeOf(const Request& request, Scope& scope, Outcome& outcome) {
    for (const Tweak& tweak : Catalogue())
        if (request.options & (tweak.root == RegRoot::CurrentUser ? kUser : kMachine))
            scope.settings |= Bit(tweak);
    for (const char* operand : request.Operands()) {
        const Tweak* tweak = SettingNamed(operand);
        if (tweak) scope.named |= Bit(*tweak), scope.settings |= Bit(*tweak);
        else if (scope.file) return Tell(outcome, kTwoFiles, scope.file, operand);
        else scope.file = operand;
    }
    return true;
}

// The file of apply and check, read and checked whole before anything
// else, and the settings of the scope that it holds.
struct Loaded {
    Held held = {};
    unsigned settings = 0;
};

bool Load(const Request& request, Context& context, const char* command, Loaded& loaded,
          Outcome& outcome) {
    Scope scope;
    if (!ScopeOf(request, scope, outcome)) return false;
    if (!scope.file) return Tell(outcome, kNoFile, command);
    const FileRead file = context.system.Read(scope.file, kMostFileBytes);
    if (file.too_large) return Tell(outcome, kTooLarge, file.path.c_str());
    if (!file.read) return Tell(outcome, kCannotRead, file.path.c_str(), file.words.c_str());
    const FileProblem problem = ReadRegFile(file.bytes, loaded.held);
    if (problem.problem)
        return Tell(outcome, kBadFile, file.path.c_str(), problem.line ? ", line " : "",
                    problem.line ? Decimal(static_cast<long long>(problem.line)).c_str() : "",
                    problem.problem);
    for (const Tweak& tweak : Catalogue()) {
        const bool held = loaded.held[static_cast<std::size_t>(tweak.id)].has_value();
        if ((scope.named & Bit(tweak)) && !held)
            return Tell(outcome, kNotHeld, file.path.c_str(), tweak.name.data());
        if (held && (!scope.settings || (scope.settings & Bit(tweak))))
            loaded.settings |= Bit(tweak);
    }
    return loaded.settings || Tell(outcome, kNoneHeld, file.path.c_str());
}

// ---------------------------------------------------------------- commands

void Cells(Report& report, std::initializer_list<const char*> cells) {
    for (const char* cell : cells) (report.cells += cell) += '\0';
}

struct Command {
    const char* name;
    unsigned options;  // the options it takes, beside help and version
    const char* synopsis;
    const char* details;
    void (*run)(const Request&, Context&, Outcome&);
};

void List(const Request& request, Context& context, Outcome& outcome) {
    if (request.count) return (void)Tell(outcome, kNoOperand, request.operands[0]);
    Report report{4};
    Cells(report, {"Setting", "State", "Frame", "Button"});
    for (const Tweak& tweak : Catalogue()) {
        Side side = Side::Off;
        const bool known = StoredSide(context, outcome, tweak, side);
        Cells(report, {tweak.name.data(), known ? StateName(side) : "unreadable",
                       tweak.frame_caption.data(), known ? tweak.choice(side).caption.data() : ""});
    }
    outcome.out = Render(report, request.format, request.options & kNoHeader);
}

void Get(const Request& request, Context& context, Outcome& outcome) {
    const auto operands = request.Operands();
    if (operands.size() != 1) return (void)Tell(outcome, kOneSetting);
    const Tweak* tweak = SettingNamed(operands[0]);
    if (!tweak) return (void)Tell(outcome, kUnknownSetting, operands[0]);
    Side side = Side::Off;
    if (StoredSide(context, outcome, *tweak, side)) (outcome.out = StateName(side)) += "\r\n";
}

void Set(const Request& request, Context& context, Outcome& outcome) {
    const auto operands = request.Operands();
    if (operands.empty() || operands.size() % 2 != 0) return (void)Tell(outcome, kPairs);
    // Every pair is checked before the first write.
    unsigned given = 0;
    for (std::size_t i = 0; i < operands.size(); i += 2) {
        const Tweak* tweak = SettingNamed(operands[i]);
        if (!tweak) return (void)Tell(outcome, kUnknownSetting, operands[i]);
        if (given & Bit(*tweak)) return (void)Tell(outcome, kTwice, tweak->name.data());
        if (!Is(operands[i + 1], "on") && !Is(operands[i + 1], "off"))
            return (void)Tell(outcome, kUnknownState, operands[i + 1], tweak->name.data());
        given |= Bit(*tweak);
    }
    for (std::size_t i = 0; i < operands.size(); i += 2) {
        const Tweak* tweak = SettingNamed(operands[i]);
        const Side side = Is(operands[i + 1], "on") ? Side::On : Side::Off;
        // The write of the window's button, even when the state is stored already.
        const mdlreg::WriteResult result =
            WriteSide(context.registry, *tweak, side, tweak->choice(side).text);
        if (!result.ok()) outcome.exit_code = exit_code::kFailed;
        SettingLine(outcome, *tweak,
                    result.ok() ? StateName(side) : RefusedLine(*tweak, side, result).c_str());
    }
}

void Export(const Request& request, Context& context, Outcome& outcome) {
    Scope scope;
    if (!ScopeOf(request, scope, outcome)) return;
    Held held;
    for (const Tweak& tweak : Catalogue()) {
        if (scope.settings && !(scope.settings & Bit(tweak))) continue;
        raw::Value& value = held[static_cast<std::size_t>(tweak.id)].emplace();
        if (!Stored(context, outcome, tweak, value, kCannotExport)) return;
        if (!RegeditRestores(value)) Tell(outcome, kNotRestored, ValueName(tweak).c_str());
    }
    outcome.out = WriteRegFile(held);
    outcome.out_is_utf16 = true;
    if (scope.file) outcome.out_file = scope.file;
    outcome.replace = request.options & kReplace;
}

// apply, apply /whatif and check: each setting of the file in the scope,
// compared with what is stored and, for apply, stored.
void Compare(const Request& request, Context& context, Outcome& outcome, bool check) {
    Loaded loaded;
    if (!Load(request, context, check ? "check" : "apply", loaded, outcome)) return;
    Report report{4};
    Cells(report, {"Setting", "Result", "File", "Stored"});
    for (const Tweak& tweak : Catalogue()) {
        if (!(loaded.settings & Bit(tweak))) continue;
        const raw::Value& want = *loaded.held[static_cast<std::size_t>(tweak.id)];
        raw::Value stored;
        std::string refused;
        const char* says = "unreadable";
        bool failed = true;
        if (!Stored(context, outcome, tweak, stored, kCannotRead)) {
        } else if (Same(stored, want)) {
            says = check ? "matches" : "unchanged", failed = false;
        } else if (check) {
            says = "differs";
        } else if (request.options & kWhatIf) {
            says = "would change", failed = false;
        } else if (const mdlreg::WriteResult result = Store(context.registry, tweak, want);
                   !result.ok()) {
            refused = RefusedLine(
                tweak, want.presence == raw::Presence::Present ? Side::On : Side::Off, result);
            says = refused.c_str();
        } else if (Stored(context, outcome, tweak, stored, kCannotRead) && Same(stored, want)) {
            says = "changed", failed = false;
        } else {
            says = "refused: Windows reads back another value.";
        }
        if (failed) outcome.exit_code = exit_code::kFailed;
        const bool differs = check && failed && stored.presence != raw::Presence::Unreadable;
        if (!check) {
            SettingLine(outcome, tweak, says);
            continue;
        }
        Cells(report, {tweak.name.data(), says});
        Describe(report.cells, tweak, differs ? &want : nullptr);
        Describe(report.cells, tweak, differs ? &stored : nullptr);
    }
    if (check) outcome.out = Render(report, request.format, request.options & kNoHeader);
}

void Apply(const Request& request, Context& context, Outcome& outcome) {
    Compare(request, context, outcome, false);
}
void Check(const Request& request, Context& context, Outcome& outcome) {
    Compare(request, context, outcome, true);
}
void Help(const Request& request, Context&, Outcome& outcome);

// clang-format off
constexpr Command kCommands[] = {
    {"list", kFormat | kNoHeader, "list [/fo table|list|csv] [/nh]",
     "Each setting's state as the window shows it after start-up, with its frame\n"
     "and button; deskicon's is whether its key exists.\n", List},
    {"get", 0, "get SETTING", "The setting's state, as list gives it.\n", Get},
    {"set", 0, "set SETTING on|off [SETTING on|off ...]",
     "Checks all, then makes each button's write in turn; prints the state, or\n"
     "\"refused:\" and the window's words (exit 1).\n", Set},
    {"export", kUser | kMachine | kReplace, "export [FILE] [SCOPE] [/y]",
     "The stored values exactly, as a version 5.00 .reg file; /y replaces FILE.\n"
     "Warns of values regedit /s cannot store; apply can.\n", Export},
    {"apply", kUser | kMachine | kWhatIf, "apply FILE [SCOPE] [/whatif]",
     "Checks all of FILE, then stores its values the window's way: changed,\n"
     "unchanged or refused: (exit 1). /whatif writes nothing.\n", Apply},
    {"check", kUser | kMachine | kFormat | kNoHeader,
     "check FILE [SCOPE] [/fo table|list|csv] [/nh]",
     "Writes nothing: matches, or differs (exit 1) with what FILE and this\n"
     "machine hold.\n", Check},
    {"help", 0, "help [COMMAND]", "This text, or a command's.\n", Help},
};
// clang-format on

constexpr const char* kGeneralHelp =
    "SETTING: attach bcc systray msn plaintext logging deskicon; on is the left\n"
    "button. SCOPE: /user (the first six), /machine (deskicon) or SETTINGs (a\n"
    "FILE named like one: .\\bcc). Exit code: 0 done or all match, 1 refused,\n"
    "unreadable, unwritable or differing, 2 a mistake in the command or FILE.\n";

void HelpText(const Command* command, Outcome& outcome) {
    std::string text = kVersionLine;
    text += ": Brevlin's Outlook 2002 settings\n\n";
    for (const Command& each : kCommands)
        if (!command || command == &each) ((text += "  brevlinc ") += each.synopsis) += '\n';
    (text += '\n') += command ? command->details : kGeneralHelp;
    for (char c : text) (c == '\n' ? outcome.out += '\r' : outcome.out) += c;
}

const Command* CommandNamed(const char* name) {
    for (const Command& command : kCommands)
        if (Is(name, command.name)) return &command;
    return nullptr;
}

void Help(const Request& request, Context&, Outcome& outcome) {
    const auto operands = request.Operands();
    if (operands.size() > 1) return (void)Tell(outcome, kOneCommand);
    const Command* command = operands.empty() ? nullptr : CommandNamed(operands[0]);
    if (!operands.empty() && !command) return (void)Tell(outcome, kUnknownCommand, operands[0]);
    HelpText(command, outcome);
}

// The command's options and operands; /fo takes the next argument. Help
// and the version go with any command, or none.
bool Parse(std::span<const std::string> args, const Command* command, Request& request,
           Outcome& outcome) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const char* arg = args[i].c_str();
        if (!LooksLikeOption(arg)) {
            if (request.count == std::size(request.operands)) return Tell(outcome, kTooMany);
            request.operands[request.count++] = arg;
            continue;
        }
        const unsigned option = OptionOf(arg);
        if (!option) return Tell(outcome, kUnknownOption, arg);
        if (!(option & (kHelp | kVersion)) && !command) return Tell(outcome, kNoCommand);
        if (command && !(option & (kHelp | kVersion | command->options)))
            return Tell(outcome, kNotTaken, command->name, arg);
        request.options |= option;
        if (option != kFormat) continue;
        const char* format = ++i < args.size() ? args[i].c_str() : "";
        unsigned chosen = 0;
        while (chosen < 3 && !Is(format, kFormats[chosen])) ++chosen;
        if (chosen == 3) return Tell(outcome, kNoFormat);
        request.format = static_cast<Format>(chosen);
    }
    if ((request.options & kNoHeader) && request.format == Format::List)
        return Tell(outcome, kNoHeaderInList);
    return true;
}

}  // namespace

Outcome UsageError(std::string_view problem) {
    Outcome outcome;
    Tell(outcome, "2\2", std::string(problem).c_str());
    return outcome;
}

Outcome Run(std::span<const std::string> args, RegistryPlatform& registry, System& system) {
    Outcome outcome;
    const bool named = !args.empty() && !LooksLikeOption(args[0].c_str());
    const Command* command = named ? CommandNamed(args[0].c_str()) : nullptr;
    Request request;
    Context context{registry, system};
    if (named && !command) Tell(outcome, kUnknownCommand, args[0].c_str());
    else if (!Parse(args.subspan(named), command, request, outcome)) return outcome;
    else if (request.options & kHelp) HelpText(command, outcome);
    else if (request.options & kVersion) (outcome.out = kVersionLine) += "\r\n";
    else if (!command) Tell(outcome, kNoCommand);
    else command->run(request, context, outcome);
    return outcome;
}

}  // namespace brevlin::cli
