#include "cli/regfile.h"

#include "cli/ascii.h"

#include <span>
#include <vector>

namespace brevlin::cli {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHexDigits = "0123456789abcdef";
// regedit continues a hex line once the line has reached this column.
constexpr std::size_t kWrapColumn = 77;
// The lines that regedit must not act on, and why.
constexpr std::string_view kHiddenIconNote =
    "; Hidden icon: for brevlinc apply, which never deletes subkeys";
constexpr std::string_view kOneByteNote = "; 1 byte of text, which regedit /s cannot store";

// The characters regedit writes escaped inside quotes: the two that quote,
// and the two that would end the line.
struct Escape {
    char16_t unit;
    char letter;
};
constexpr Escape kEscapes[] = {{u'\\', '\\'}, {u'"', '"'}, {u'\r', 'r'}, {u'\n', 'n'}};

bool SameKey(const Tweak& a, const Tweak& b) {
    return a.root == b.root && a.key_path == b.key_path;
}

char16_t UnitAt(std::span<const std::uint8_t> bytes, std::size_t index) {
    return static_cast<char16_t>(bytes[2 * index] | bytes[2 * index + 1] << 8);
}

bool IsPresentText(const raw::Value& value) {
    return value.presence == raw::Presence::Present && regtype::IsString(value.type);
}

// One UTF-16 text and its one terminating NUL: what a quoted string stores.
bool QuotesExactly(const raw::Value& value) {
    const auto& bytes = value.bytes;
    if (value.type != regtype::kSz || bytes.size() < 2 || bytes.size() % 2 != 0) return false;
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i + 1 < units; ++i)
        if (UnitAt(bytes, i) == 0) return false;
    return UnitAt(bytes, units - 1) == 0;
}

bool CrashesRegedit(const raw::Value& value) {
    return IsPresentText(value) && value.bytes.size() == 1;
}

// ------------------------------------------------------------------ writing

// Text being written: UTF-16LE for the file, or ASCII for a person, other
// characters as \uXXXX. It holds at most `most` bytes: a character that
// would not fit is left out with all that follows, and the text is cut.
class Utf16Text {
public:
    enum class Form : std::uint8_t { File, Ascii };
    Utf16Text(Form form, std::size_t most) : form_(form), most_(most) {}

    bool cut() const { return cut_; }
    std::string& bytes() { return bytes_; }

    void Unit(char16_t unit) {
        const bool plain = form_ == Form::File || (unit >= 0x20 && unit < 0x7F);
        const std::size_t size = form_ == Form::File ? 2 : plain ? 1 : 6;
        if (cut_ || bytes_.size() + size > most_) {
            cut_ = true;
            return;
        }
        if (form_ == Form::File) {
            bytes_ += static_cast<char>(unit & 0xFF);
            bytes_ += static_cast<char>(unit >> 8);
        } else if (plain) {
            bytes_ += static_cast<char>(unit);
        } else {
            bytes_ += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) bytes_ += kHexDigits[(unit >> shift) & 15];
        }
    }
    void Ascii(std::string_view text) {
        for (char c : text) Unit(static_cast<char16_t>(c));
    }
    void EndLine() {
        Ascii("\r\n");
        line_start_ = bytes_.size();
    }

    // Lower-case hexadecimal, at least `digits` of them.
    void Hex(std::uint32_t number, int digits) {
        while (digits < 8 && number >> (digits * 4) != 0) ++digits;
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
            Unit(static_cast<char16_t>(kHexDigits[(number >> shift) & 15]));
    }

    // What follows "=": regedit's spelling wherever it keeps the bytes.
    // Wrapped, long hex data continues on indented lines as regedit
    // writes it.
    void Data(const raw::Value& value, bool wrap) {
        if (value.presence != raw::Presence::Present) return Unit(u'-');
        if (QuotesExactly(value)) return Quoted(value.bytes);
        if (value.type == regtype::kDword && value.bytes.size() == 4) return Dword(value.bytes);
        Ascii("hex");
        if (value.type != regtype::kBinary) {
            Unit(u'(');
            Hex(value.type, 1);
            Unit(u')');
        }
        Unit(u':');
        HexBytes(value.bytes, wrap);
    }

    // "[", "[-" or ";[-", then the setting's key.
    void Key(std::string_view opening, const Tweak& tweak) {
        Ascii(opening);
        Ascii(RootName(tweak.root));
        Unit(u'\\');
        Ascii(tweak.key_path);
        Unit(u']');
        EndLine();
    }

private:
    std::size_t Column() const { return (bytes_.size() - line_start_) / 2; }

    // A text and its NUL, which the quotes stand for.
    void Quoted(std::span<const std::uint8_t> bytes) {
        Unit(u'"');
        for (std::size_t i = 0; i + 1 < bytes.size() / 2 && !cut_; ++i) {
            char16_t unit = UnitAt(bytes, i);
            for (const Escape& escape : kEscapes) {
                if (unit != escape.unit) continue;
                Unit(u'\\');
                unit = static_cast<char16_t>(escape.letter);
                break;
            }
            Unit(unit);
        }
        Unit(u'"');
    }

    void Dword(std::span<const std::uint8_t> bytes) {
        Ascii("dword:");
        Hex(std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
                std::uint32_t{bytes[3]} << 24,
            8);
    }

    void HexBytes(std::span<const std::uint8_t> bytes, bool wrap) {
        // A file that cannot hold "xx," for each byte is cut at once, not
        // after the limit's worth of writing.
        const std::size_t least = 3 * 2 * bytes.size();
        if (form_ == Form::File && bytes_.size() + least > most_ + 2) cut_ = true;
        for (std::size_t i = 0; i < bytes.size() && !cut_; ++i) {
            if (i > 0) Unit(u',');
            if (i > 0 && wrap && Column() >= kWrapColumn) {
                Unit(u'\\');
                EndLine();
                Ascii("  ");
            }
            Hex(bytes[i], 2);
        }
    }

    Form form_;
    std::size_t most_;
    bool cut_ = false;
    std::string bytes_;
    std::size_t line_start_ = 0;
};

// The desktop icon: its key shown, or hidden as a comment to regedit, which
// would delete the key's subkeys too.
void KeyPresenceLines(Utf16Text& out, const Tweak& tweak, const raw::Value& value) {
    if (value.presence == raw::Presence::Present) return out.Key("[", tweak);
    out.Ascii(kHiddenIconNote);
    out.EndLine();
    out.Key(";[-", tweak);
}

// "Name"=data; a comment that only brevlinc reads where regedit would crash.
// The settings' names need no escapes.
void ValueLine(Utf16Text& out, const Tweak& tweak, const raw::Value& value) {
    if (CrashesRegedit(value)) {
        out.Ascii(kOneByteNote);
        out.EndLine();
        out.Unit(u';');
    }
    out.Unit(u'"');
    out.Ascii(tweak.value_name);
    out.Ascii("\"=");
    out.Data(value, true);
    out.EndLine();
}

// ------------------------------------------------------------------ reading

int HexDigit(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    const int lower = AsciiLower(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// What one line gives, before it is known to count: a comment line counts
// only as one of the two lines brevlinc writes for itself.
struct Given {
    std::string_view problem = {};
    const Tweak* tweak = nullptr;
    bool key_line = false;
    std::optional<raw::Value> value = {};  // none for a key that heads values
    bool ours_as_comment = false;
};

// Reads the file's UTF-16 units line by line into what each setting is
// given. Each reading step returns what is wrong, or nothing.
class Parser {
public:
    Parser(std::string_view bytes, Held& held) : bytes_(bytes), held_(held) {}

    FileProblem Parse() {
        at_ = 1;  // after the byte-order mark
        SkipBlanks();
        if (!Take(kHeader)) return {1, "not a Windows Registry Editor Version 5.00 file"};
        SkipBlanks();
        if (!AtLineEnd()) return {1, "not a Windows Registry Editor Version 5.00 file"};
        for (;;) {
            const std::size_t rest = at_;  // of the header, a comment, or blanks
            while (!AtLineEnd()) ++at_;
            if (AtEnd()) {
                if (BlankFrom(rest)) break;  // the file's end
                return {line_, kCutShort};
            }
            TakeLineBreak();
            SkipBlanks();
            const std::string_view problem = Entry();
            if (!problem.empty()) return {line_, problem};
        }
        for (const auto& held : held_)
            if (held) return {};
        return {0, "none of Brevlin's settings"};
    }

private:
    static constexpr std::string_view kCutShort = "the file ends inside this line";

    std::size_t Units() const { return bytes_.size() / 2; }
    // The unit at `index`, or -1 past the file's end.
    int UnitAt(std::size_t index) const {
        if (index >= Units()) return -1;
        return static_cast<unsigned char>(bytes_[2 * index]) |
               static_cast<unsigned char>(bytes_[2 * index + 1]) << 8;
    }
    int Peek(std::size_t ahead = 0) const { return UnitAt(at_ + ahead); }
    static bool IsLineEnd(int unit) { return unit == '\r' || unit == '\n'; }
    static bool IsBlank(int unit) { return unit == ' ' || unit == '\t'; }
    bool AtEnd() const { return at_ >= Units(); }
    bool AtLineEnd() const { return AtEnd() || IsLineEnd(Peek()); }
    // Over LF, CR LF, or a CR alone.
    void TakeLineBreak() {
        if (Peek() == '\r') ++at_;
        if (Peek() == '\n') ++at_;
        ++line_;
    }
    void SkipBlanks() {
        while (IsBlank(Peek())) ++at_;
    }
    // Whether the units from `from` up to here are blanks.
    bool BlankFrom(std::size_t from) const {
        for (std::size_t i = from; i < at_; ++i)
            if (!IsBlank(UnitAt(i))) return false;
        return true;
    }
    // Whether the line goes on to the file's end with no line break; a CR
    // that the file's end follows may be a CR LF cut short.
    bool CutShort() const {
        std::size_t end = at_;
        while (end < Units() && !IsLineEnd(UnitAt(end))) ++end;
        return end >= Units() || (UnitAt(end) == '\r' && end + 1 >= Units());
    }

    // Takes the word if it comes next, in any case.
    bool Take(std::string_view word) {
        for (std::size_t i = 0; i < word.size(); ++i)
            if (AsciiLower(Peek(i)) != AsciiLower(word[i])) return false;
        at_ += word.size();
        return true;
    }
    // A hexadecimal number of 1 to `most` digits.
    bool Number(std::uint32_t& number, int most) {
        int digits = 0;
        for (number = 0; HexDigit(Peek()) >= 0; ++at_, ++digits)
            number = number << 4 | static_cast<std::uint32_t>(HexDigit(Peek()));
        return digits > 0 && digits <= most;
    }

    // The UTF-16LE units of a quoted text, escapes undone, and its NUL.
    std::string_view Quoted(std::vector<std::uint8_t>& bytes) {
        for (++at_; Peek() != '"'; ++at_) {
            if (AtLineEnd()) return "a text without its closing quote";
            int unit = Peek();
            if (unit == '\\') {
                ++at_;
                unit = -1;
                for (const Escape& escape : kEscapes)
                    if (Peek() == escape.letter) unit = escape.unit;
                if (unit < 0) return "an unknown \\ escape in a text";
            }
            bytes.push_back(static_cast<std::uint8_t>(unit));
            bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
        }
        ++at_;
        bytes.resize(bytes.size() + 2);
        return {};
    }

    // Comma-separated bytes, continued on the next line after ",\".
    std::string_view HexBytes(std::vector<std::uint8_t>& bytes) {
        for (SkipBlanks(); !AtLineEnd(); SkipBlanks()) {
            std::uint32_t byte = 0;
            if (!Number(byte, 2)) return "a byte that is not 1 or 2 hex digits";
            bytes.push_back(static_cast<std::uint8_t>(byte));
            SkipBlanks();
            if (AtLineEnd()) break;
            if (!Take(",")) return "bytes not separated by commas";
            SkipBlanks();
            if (!Take("\\")) continue;
            SkipBlanks();
            if (!AtLineEnd()) return "a \\ not at the end of a line";
            if (AtEnd()) return kCutShort;
            TakeLineBreak();
        }
        return {};
    }

    std::string_view Dword(std::vector<std::uint8_t>& bytes) {
        std::uint32_t number = 0;
        if (!Number(number, 8)) return "dword: needs 1 to 8 hex digits";
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(number >> shift));
        return {};
    }

    // What follows "=".
    std::string_view Data(raw::Value& value) {
        value.presence = raw::Presence::Present;
        std::string_view problem;
        if (Take("-")) {
            value.presence = raw::Presence::Absent;
        } else if (Peek() == '"') {
            value.type = regtype::kSz;
            problem = Quoted(value.bytes);
        } else if (Take("dword:")) {
            value.type = regtype::kDword;
            problem = Dword(value.bytes);
        } else if (Take("hex:")) {
            value.type = regtype::kBinary;
            return HexBytes(value.bytes);
        } else if (Take("hex(")) {
            if (!Number(value.type, 8) || !Take("):")) return "a type not written hex(N):";
            return HexBytes(value.bytes);
        } else {
            return "a value not \"text\", dword:, hex:, hex(N): or -";
        }
        SkipBlanks();
        if (problem.empty() && !AtLineEnd()) problem = "more after the value";
        return problem;
    }

    // [KEY], [-KEY]: a key that heads its settings' values, or the desktop
    // icon's key, which is the setting itself.
    Given KeyLine() {
        ++at_;
        const bool deletes = Take("-");
        const Tweak* tweak = Named([&](const Tweak& each) {
            return Take(RootName(each.root)) && Take("\\") && Take(each.key_path) && Take("]");
        });
        if (!tweak) return {.problem = "no key or value of Brevlin's settings"};
        SkipBlanks();
        if (!AtLineEnd()) return {.problem = "more after the key"};
        Given given{.tweak = tweak, .key_line = true};
        if (tweak->IsRead()) {
            if (deletes) given.problem = "a key deleted whole; brevlinc deletes values only";
            return given;
        }
        given.value =
            raw::Value{.presence = deletes ? raw::Presence::Absent : raw::Presence::Present};
        given.ours_as_comment = deletes;
        return given;
    }

    // "Name"=data, below the heading of the setting's key.
    Given ValueLine() {
        ++at_;
        const Tweak* tweak = Named([&](const Tweak& each) {
            if (!section_ || !SameKey(each, *section_) || !each.IsRead()) return false;
            if (!Take(each.value_name) || !Take("\"")) return false;
            SkipBlanks();
            return Take("=");
        });
        if (!tweak) return {.problem = "no key or value of Brevlin's settings"};
        SkipBlanks();
        Given given{.tweak = tweak, .value = raw::Value{}};
        given.problem = Data(*given.value);
        given.ours_as_comment = CrashesRegedit(*given.value);
        return given;
    }

    // The setting whose name `takes` takes here; none, and nothing taken,
    // when no setting's is.
    template <typename Takes>
    const Tweak* Named(Takes takes) {
        const std::size_t start = at_;
        for (const Tweak& tweak : Catalogue()) {
            if (takes(tweak)) return &tweak;
            at_ = start;
        }
        return nullptr;
    }

    // One line that is not blank: a key, a value, or a comment.
    std::string_view Entry() {
        if (AtLineEnd()) return {};
        const std::size_t start = at_;
        const std::size_t start_line = line_;
        const bool commented = Peek() == ';';
        if (commented) ++at_;
        Given given{.problem = "not a key, a value or a comment"};
        if (Peek() == '[') {
            given = KeyLine();
        } else if (Peek() == '"') {
            given = ValueLine();
        }
        if (commented && (!given.problem.empty() || !given.ours_as_comment)) {
            at_ = start;  // a comment to brevlinc too
            line_ = start_line;
            return {};
        }
        if (CutShort()) return kCutShort;
        if (!given.problem.empty()) return given.problem;
        if (given.key_line) section_ = given.tweak;
        if (!given.value) return {};
        std::optional<raw::Value>& held = held_[IndexOf(given.tweak->id)];
        if (held) return "a setting given a second time";
        held = std::move(given.value);
        return {};
    }

    std::string_view bytes_;
    Held& held_;
    std::size_t at_ = 0;  // in UTF-16 units
    std::size_t line_ = 1;
    const Tweak* section_ = nullptr;
};

// The line the file's last byte is on.
std::size_t LastLine(std::string_view bytes) {
    std::size_t line = 1;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        if (bytes[i] == '\n' && bytes[i + 1] == 0) ++line;
    return line;
}

}  // namespace

std::optional<std::string> WriteRegFile(const Held& held, std::size_t most) {
    Utf16Text out(Utf16Text::Form::File, most);
    out.Unit(0xFEFF);
    out.Ascii(kHeader);
    out.EndLine();
    const Tweak* heading = nullptr;  // the key the last heading named
    for (const Tweak& tweak : Catalogue()) {
        const std::optional<raw::Value>& value = held[IndexOf(tweak.id)];
        if (!value) continue;
        const bool new_key = !heading || !SameKey(*heading, tweak);
        heading = &tweak;
        if (new_key) out.EndLine();
        if (!tweak.IsRead()) {
            KeyPresenceLines(out, tweak, *value);
            continue;
        }
        if (new_key) out.Key("[", tweak);
        ValueLine(out, tweak, *value);
    }
    out.EndLine();
    if (out.cut()) return std::nullopt;
    return std::move(out.bytes());
}

bool RegeditRestores(const raw::Value& value) {
    const auto& bytes = value.bytes;
    return !IsPresentText(value) || bytes.empty() ||
           (bytes.size() >= 2 && UnitAt(bytes, bytes.size() / 2 - 1) == 0);
}

std::string Spelled(const raw::Value& value, std::size_t most) {
    Utf16Text text(Utf16Text::Form::Ascii, most);
    text.Data(value, false);
    if (text.cut()) text.bytes() += "...";
    return std::move(text.bytes());
}

FileProblem ReadRegFile(std::string_view bytes, Held& held) {
    if (!bytes.starts_with("\xFF\xFE")) return {0, "not UTF-16 with a byte-order mark"};
    if (bytes.size() % 2 != 0) return {LastLine(bytes), "the file ends inside a character"};
    return Parser(bytes, held).Parse();
}

}  // namespace brevlin::cli
