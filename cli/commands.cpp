#include "cli/commands.h"

#include <initializer_list>
#include <iterator>
#include <span>

#include "cli/pending_raw.h"
#include "cli/regfile.h"
#include "cli/report.h"
#include "registry/raw.h"
#include "resources/version.h"
#include "tweaks/catalogue.h"
#include "tweaks/decimal.h"
#include "tweaks/settings.h"

// brevlinc.exe has a size budget, and every call that joins texts costs
// code: texts are joined from NUL-terminated pieces, and the catalogue's
// texts, which are string literals, are passed on as such.
namespace brevlin::cli {
namespace {

// apply and check read no larger file: an export of a 16-million-character
// attachment list, the most the window has been measured with, is 32 MB.
constexpr std::size_t kMostFileBytes = std::size_t{64} << 20;
constexpr const char* kVersionLine = "brevlinc " BREVLIN_VERSION_TEXT;

// ---------------------------------------------------------------- texts

void Add(std::string& to, std::initializer_list<const char*> parts) {
    for (const char* part : parts) to += part;
}

// One line on standard error, and the exit code; a mistake in the command
// line also says where the usage is. Returns false, for the callers that
// stop there.
bool Say(Outcome& outcome, int code, std::initializer_list<const char*> parts,
         bool usage = false) {
    outcome.exit_code = code;
    Add(outcome.err, {"brevlinc: "});
    Add(outcome.err, parts);
    Add(outcome.err, {usage ? ". Type \"brevlinc /?\" for usage.\r\n" : "\r\n"});
    return false;
}

bool Mistake(Outcome& outcome, std::initializer_list<const char*> parts) {
    return Say(outcome, exit_code::kUsage, parts, true);
}

// An argument shown back in an error line: kept short and on one line, and
// in ASCII, which every console code page shows as it is.
std::string Shown(std::string_view argument) {
    constexpr std::size_t kMost = 40;
    std::string shown = "\"";
    for (char c : argument.substr(0, kMost)) shown += c >= 0x20 && c < 0x7F ? c : '?';
    return shown + (argument.size() > kMost ? "...\"" : "\"");
}

// Whether the argument is the word, in any case.
bool Is(std::string_view arg, const char* word) {
    std::size_t i = 0;
    for (; i < arg.size() && word[i]; ++i)
        if ((arg[i] >= 'A' && arg[i] <= 'Z' ? arg[i] | 0x20 : arg[i]) != word[i]) return false;
    return i == arg.size() && !word[i];
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

struct OptionName {
    const char* name;
    Option option;
};
constexpr OptionName kOptions[] = {
    {"?", kHelp},    {"h", kHelp},        {"help", kHelp}, {"version", kVersion},
    {"y", kReplace}, {"whatif", kWhatIf}, {"user", kUser}, {"machine", kMachine},
    {"fo", kFormat}, {"nh", kNoHeader},
};
constexpr const char* kFormats[] = {"table", "list", "csv"};  // Format's order

struct Request {
    unsigned options = 0;
    Format format = Format::Table;
    // What is neither an option nor its value; more make no sense.
    std::string_view operands[16] = {};
    std::size_t count = 0;
    std::span<const std::string_view> Operands() const { return {operands, count}; }
};

struct Context {
    RegistryPlatform& registry;
    System& system;
};

bool LooksLikeOption(std::string_view arg) {
    return !arg.empty() && (arg[0] == '/' || arg[0] == '-');
}

// The option an argument names, in any case, after "/", "-" or "--".
unsigned OptionOf(std::string_view arg) {
    const std::string_view name = arg.substr(arg.starts_with("--") ? 2 : 1);
    for (const OptionName& option : kOptions)
        if (Is(name, option.name)) return option.option;
    return 0;
}

// The setting an operand names, in any case.
const Tweak* SettingNamed(std::string_view operand) {
    for (const Tweak& tweak : Catalogue())
        if (Is(operand, tweak.name.data())) return &tweak;
    return nullptr;
}

unsigned Bit(const Tweak& tweak) { return 1u << static_cast<unsigned>(tweak.id); }

// ---------------------------------------------------------------- settings

// "bcc        " and what became of it.
std::string SettingLine(const Tweak& tweak, const char* says) {
    std::string line(tweak.name);
    line.resize(11, ' ');  // the longest name, "plaintext", and two blanks
    Add(line, {says, "\r\n"});
    return line;
}

std::string ValueName(const Tweak& tweak) {
    std::string name = RootName(tweak.root).data();
    Add(name, {"\\", tweak.key_path.data(), tweak.IsRead() ? "\\" : "", tweak.value_name.data()});
    return name;
}

const char* StateName(Side side) { return side == Side::On ? "on" : "off"; }

// The state the window would show at start-up, from the same reads. The
// window never reads the desktop icon; its key being there is what Show
// makes, so that is its state here.
Side StoredSide(RegistryPlatform& registry, const Tweak& tweak) {
    if (tweak.IsRead()) return SideOf(tweak, ReadStoredText(registry, tweak));
    const raw::Key key = raw::ProbeKey(registry, tweak.root, tweak.key_path);
    return key.presence == raw::Presence::Present ? Side::On : Side::Off;
}

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

// What a file carries of a setting, as this machine stores it.
raw::Value Stored(RegistryPlatform& registry, const Tweak& tweak) {
    if (tweak.IsRead())
        return raw::ReadValue(registry, tweak.root, tweak.key_path, tweak.value_name);
    const raw::Key key = raw::ProbeKey(registry, tweak.root, tweak.key_path);
    return {.presence = key.presence, .status = key.status};
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

// A value in check's rows: short, and in ASCII.
std::string Described(const Tweak& tweak, const raw::Value& value) {
    const bool present = value.presence == raw::Presence::Present;
    if (!tweak.IsRead()) return present ? "shown" : "hidden";
    return present ? Spelled(value, 40) : "no value";
}

// ---------------------------------------------------------------- scopes and files

struct Scope {
    unsigned settings = 0;  // a bit per setting; 0 when nothing narrows it
    unsigned named = 0;     // the settings named one by one
    std::string file = {};  // empty when none is given
};

// /user, /machine and setting ids; an operand that is none is the FILE.
bool ScopeOf(const Request& request, Scope& scope, Outcome& mistake) {
    for (const Tweak& tweak : Catalogue())
        if (request.options & (tweak.root == RegRoot::CurrentUser ? kUser : kMachine))
            scope.settings |= Bit(tweak);
    for (std::string_view operand : request.Operands()) {
        if (const Tweak* tweak = SettingNamed(operand)) {
            scope.named |= Bit(*tweak);
            scope.settings |= Bit(*tweak);
            continue;
        }
        if (operand.empty()) return Mistake(mistake, {"a FILE with no name"});
        if (!scope.file.empty())
            return Mistake(mistake, {"more than one FILE: ", Shown(scope.file).c_str(), " and ",
                                      Shown(operand).c_str()});
        scope.file = operand;
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
          Outcome& failure) {
    Scope scope;
    if (!ScopeOf(request, scope, failure)) return false;
    if (scope.file.empty()) return Mistake(failure, {command, " needs a FILE"});
    const FileRead file = context.system.Read(scope.file, kMostFileBytes);
    const char* path = file.path.c_str();
    if (file.result == FileRead::Result::Failed)
        return Say(failure, exit_code::kFailed, {"cannot read ", path, ": ", file.words.c_str()});
    if (file.result == FileRead::Result::TooLarge)
        return Say(failure, exit_code::kUsage, {path, " is over 64 MB, unlike any export"});
    const FileProblem problem = ReadRegFile(file.bytes, loaded.held);
    if (problem.problem)
        return Say(failure, exit_code::kUsage,
                              {path, problem.line ? ", line " : "",
                               problem.line ? Decimal(static_cast<long long>(problem.line)).c_str()
                                            : "",
                               ": ", problem.problem});
    for (const Tweak& tweak : Catalogue()) {
        const bool held = loaded.held[static_cast<std::size_t>(tweak.id)].has_value();
        if ((scope.named & Bit(tweak)) && !held)
            return Mistake(failure, {path, " holds no ", tweak.name.data()});
        if (held && (!scope.settings || (scope.settings & Bit(tweak))))
            loaded.settings |= Bit(tweak);
    }
    if (!loaded.settings) Mistake(failure, {path, " holds none of the settings asked for"});
    return loaded.settings != 0;
}

// ---------------------------------------------------------------- commands

struct Command {
    const char* name;
    unsigned options;  // the options it takes, beside help and version
    const char* synopsis;
    const char* details;
    void (*run)(const Request&, Context&, Outcome&);
};

constexpr std::string_view kListHeaders[] = {"Setting", "State", "Frame", "Button"};
constexpr std::string_view kCheckHeaders[] = {"Setting", "Result", "File", "Stored"};

void List(const Request& request, Context& context, Outcome& outcome) {
    Report report{.headers = kListHeaders};
    for (const Tweak& tweak : Catalogue()) {
        const Side side = StoredSide(context.registry, tweak);
        for (std::string_view cell :
             {tweak.name, std::string_view(StateName(side)), tweak.frame_caption,
              tweak.choice(side).caption})
            report.cells.emplace_back(cell);
    }
    outcome.out = Render(report, request.format, request.options & kNoHeader);
}

void Get(const Request& request, Context& context, Outcome& outcome) {
    const auto operands = request.Operands();
    if (operands.size() != 1) return (void)Mistake(outcome, {"get needs one SETTING"});
    const Tweak* tweak = SettingNamed(operands[0]);
    if (!tweak) return (void)Mistake(outcome, {"unknown setting ", Shown(operands[0]).c_str()});
    Add(outcome.out, {StateName(StoredSide(context.registry, *tweak)), "\r\n"});
}

void Set(const Request& request, Context& context, Outcome& outcome) {
    const auto operands = request.Operands();
    if (operands.empty() || operands.size() % 2 != 0)
        return (void)Mistake(outcome, {"set needs SETTING on|off pairs"});
    // Every pair is checked before the first write.
    const Tweak* settings[kTweakCount] = {};
    unsigned given = 0, on = 0;
    for (std::size_t i = 0; i < operands.size(); i += 2) {
        const Tweak* tweak = SettingNamed(operands[i]);
        if (!tweak) return (void)Mistake(outcome, {"unknown setting ", Shown(operands[i]).c_str()});
        if (given & Bit(*tweak)) return (void)Mistake(outcome, {tweak->name.data(), " given twice"});
        if (!Is(operands[i + 1], "on") && !Is(operands[i + 1], "off"))
            return (void)Mistake(outcome, {"unknown state ", Shown(operands[i + 1]).c_str(), " for ",
                                           tweak->name.data(), ": use on or off"});
        given |= Bit(*tweak);
        if (Is(operands[i + 1], "on")) on |= Bit(*tweak);
        settings[i / 2] = tweak;
    }
    for (const Tweak* tweak : settings) {
        if (!tweak) break;
        const Side side = on & Bit(*tweak) ? Side::On : Side::Off;
        // The write of the window's button, even when the state is stored already.
        const mdlreg::WriteResult result =
            WriteSide(context.registry, *tweak, side, tweak->choice(side).text);
        if (!result.ok()) outcome.exit_code = exit_code::kFailed;
        outcome.out += SettingLine(
            *tweak, result.ok() ? StateName(side) : RefusedLine(*tweak, side, result).c_str());
    }
}

void Export(const Request& request, Context& context, Outcome& outcome) {
    Scope scope;
    if (!ScopeOf(request, scope, outcome)) return;
    Held held;
    for (const Tweak& tweak : Catalogue()) {
        if (scope.settings && !(scope.settings & Bit(tweak))) continue;
        auto& value = held[static_cast<std::size_t>(tweak.id)];
        value = Stored(context.registry, tweak);
        const std::string name = ValueName(tweak);
        if (value->presence == raw::Presence::Unreadable)
            return (void)Say(outcome, exit_code::kFailed,
                             {"cannot read ", name.c_str(), ": ",
                              context.system.Words(value->status).c_str(),
                              ". Nothing was exported."});
        if (!RegeditRestores(*value))
            Add(outcome.err, {"brevlinc: warning: regedit /s cannot store ", name.c_str(),
                              " as it is, a text not ending in a NUL; brevlinc apply can\r\n"});
    }
    outcome.out = WriteRegFile(held);
    outcome.out_is_utf16 = true;
    outcome.out_file = std::move(scope.file);
    outcome.replace = request.options & kReplace;
}

// apply, apply /whatif and check: each setting of the file in the scope,
// compared with what is stored and, for apply, stored.
void Compare(const Request& request, Context& context, Outcome& outcome, bool check) {
    Loaded loaded;
    if (!Load(request, context, check ? "check" : "apply", loaded, outcome)) return;
    Report report{.headers = kCheckHeaders};
    for (const Tweak& tweak : Catalogue()) {
        if (!(loaded.settings & Bit(tweak))) continue;
        const raw::Value& want = *loaded.held[static_cast<std::size_t>(tweak.id)];
        const raw::Value stored = Stored(context.registry, tweak);
        const Side side = want.presence == raw::Presence::Present ? Side::On : Side::Off;
        std::string says = "unreadable";
        bool failed = true;
        if (stored.presence == raw::Presence::Unreadable) {
            Add(outcome.err, {"brevlinc: cannot read ", ValueName(tweak).c_str(), ": ",
                              context.system.Words(stored.status).c_str(), "\r\n"});
        } else if (Same(stored, want)) {
            says = check ? "matches" : "unchanged", failed = false;
        } else if (check) {
            says = "differs";
        } else if (request.options & kWhatIf) {
            says = "would change", failed = false;
        } else if (const mdlreg::WriteResult result = Store(context.registry, tweak, want);
                   !result.ok()) {
            says = RefusedLine(tweak, side, result);
        } else if (Same(Stored(context.registry, tweak), want)) {
            says = "changed", failed = false;
        } else {
            says = "refused: Windows took the write, yet reads back another value.";
        }
        if (failed) outcome.exit_code = exit_code::kFailed;
        if (!check) {
            outcome.out += SettingLine(tweak, says.c_str());
            continue;
        }
        const bool differs = says == "differs";
        report.cells.emplace_back(tweak.name);
        report.cells.push_back(says);
        report.cells.push_back(differs ? Described(tweak, want) : std::string());
        report.cells.push_back(differs ? Described(tweak, stored) : std::string());
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
     "Each setting's state as the window shows it after start-up, and its frame\n"
     "and button; deskicon's is whether its key exists (the window shows neither).\n", List},
    {"get", 0, "get SETTING", "The setting's state, as list gives it.\n", Get},
    {"set", 0, "set SETTING on|off [SETTING on|off ...]",
     "Checks all, then makes each button's write in turn: prints the state, or\n"
     "\"refused:\" and the window's words (exit 1).\n", Set},
    {"export", kUser | kMachine | kReplace, "export [FILE] [SCOPE] [/y]",
     "The stored values, exactly, as a version 5.00 .reg file; /y replaces FILE.\n"
     "Warns of values regedit /s cannot store as they are; apply can.\n", Export},
    {"apply", kUser | kMachine | kWhatIf, "apply FILE [SCOPE] [/whatif]",
     "Checks all of FILE, then gives this machine its values the window's way:\n"
     "changed, unchanged or refused: (exit 1). /whatif writes nothing.\n", Apply},
    {"check", kUser | kMachine | kFormat | kNoHeader,
     "check FILE [SCOPE] [/fo table|list|csv] [/nh]",
     "Writes nothing: matches, or differs (exit 1) with FILE's and the stored value.\n",
     Check},
    {"help", 0, "help [COMMAND]", "This text, or a command's (also COMMAND /?).\n", Help},
};
// clang-format on

constexpr const char* kGeneralHelp =
    "SETTING: attach bcc systray msn plaintext logging deskicon; on: the left\n"
    "button. SCOPE: /user (the first six), /machine (deskicon), or SETTINGs (a\n"
    "FILE named like one: .\\bcc). Exit code: 0 done or all match; 1 refused,\n"
    "unreadable, unwritable, or check differs; 2 a command line or FILE that\n"
    "makes no sense.\n";

void HelpText(const Command* command, Outcome& outcome) {
    std::string text;
    Add(text, {kVersionLine, ": the seven Outlook 2002 settings of Brevlin\n\n"});
    for (const Command& each : kCommands)
        if (!command || command == &each) Add(text, {"  brevlinc ", each.synopsis, "\n"});
    Add(text, {"\n", command ? command->details : kGeneralHelp});
    for (char c : text) (c == '\n' ? outcome.out += '\r' : outcome.out) += c;
}

const Command* CommandNamed(std::string_view name) {
    for (const Command& command : kCommands)
        if (Is(name, command.name)) return &command;
    return nullptr;
}

void Help(const Request& request, Context&, Outcome& outcome) {
    const auto operands = request.Operands();
    if (operands.size() > 1) return (void)Mistake(outcome, {"help takes one COMMAND"});
    const Command* command = operands.empty() ? nullptr : CommandNamed(operands[0]);
    if (!operands.empty() && !command)
        return (void)Mistake(outcome, {"unknown command ", Shown(operands[0]).c_str()});
    HelpText(command, outcome);
}

// The command's options and operands; /fo takes the next argument.
bool Parse(std::span<const std::string> args, const Command& command, Request& request,
           Outcome& mistake) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!LooksLikeOption(arg) && request.count == std::size(request.operands))
            return Mistake(mistake, {"too many arguments"});
        if (!LooksLikeOption(arg)) {
            request.operands[request.count++] = arg;
            continue;
        }
        const unsigned option = OptionOf(arg);
        if (!option) return Mistake(mistake, {"unknown option ", Shown(arg).c_str()});
        if (!(command.options & option))
            return Mistake(mistake, {command.name, " does not take ", Shown(arg).c_str()});
        request.options |= option;
        if (option != kFormat) continue;
        const std::string_view format = ++i < args.size() ? args[i] : "";
        unsigned chosen = 0;
        while (chosen < 3 && !Is(format, kFormats[chosen])) ++chosen;
        if (chosen == 3) return Mistake(mistake, {"/fo needs table, list or csv"});
        request.format = static_cast<Format>(chosen);
    }
    if ((request.options & kNoHeader) && request.format == Format::List)
        return Mistake(mistake, {"/nh does not go with /fo list"});
    return true;
}

bool Asks(std::span<const std::string> args, unsigned option) {
    for (const std::string& arg : args)
        if (LooksLikeOption(arg) && OptionOf(arg) == option) return true;
    return false;
}

}  // namespace

Outcome UsageError(std::string_view problem) {
    Outcome outcome;
    Mistake(outcome, {std::string(problem).c_str()});
    return outcome;
}

Outcome Run(std::span<const std::string> args, RegistryPlatform& registry, System& system) {
    Outcome outcome;
    const bool named = !args.empty() && !LooksLikeOption(args[0]);
    const Command* command = named ? CommandNamed(args[0]) : nullptr;
    Request request;
    Context context{registry, system};
    if (named && !command) Mistake(outcome, {"unknown command ", Shown(args[0]).c_str()});
    else if (Asks(args, kHelp)) HelpText(command, outcome);
    else if (Asks(args, kVersion)) Add(outcome.out, {kVersionLine, "\r\n"});
    else if (!command) Mistake(outcome, {"no command given"});
    else if (Parse(args.subspan(1), *command, request, outcome)) command->run(request, context, outcome);
    return outcome;
}

}  // namespace brevlin::cli
