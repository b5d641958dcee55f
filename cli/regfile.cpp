#include "cli/regfile.h"

#include <vector>

namespace brevlin::cli {
namespace {

// The catalogue's texts are string literals, so each ends in a NUL and can
// be passed on as one; that keeps the calls below small.
constexpr const char* kHeader = "Windows Registry Editor Version 5.00";
constexpr const char* kHexDigits = "0123456789abcdef";
// regedit continues a hex line once the line has reached this column.
constexpr std::size_t kWrapColumn = 77;
// The lines that regedit must not act on, and why.
constexpr const char* kHiddenIconNote =
    "; Hidden icon: for brevlinc apply, which never deletes subkeys";
constexpr const char* kOneByteNote = "; 1 byte of text, which regedit /s cannot store";

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

char16_t UnitAt(const std::vector<std::uint8_t>& bytes, std::size_t index) {
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

// UTF-16LE text being written, and the column its line has reached; or,
// for a person, the same in ASCII, other characters as \uXXXX.
class Utf16Text {
public:
    explicit Utf16Text(bool ascii = false) : ascii_(ascii) {}

    void Unit(int unit) {
        if (!ascii_) {
            bytes_ += static_cast<char>(unit);
            bytes_ += static_cast<char>(unit >> 8);
            return;
        }
        if (unit >= 0x20 && unit < 0x7F) return (void)(bytes_ += static_cast<char>(unit));
        bytes_ += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4) bytes_ += kHexDigits[(unit >> shift) & 15];
    }
    void Ascii(const char* text) {
        while (*text) Unit(*text++);
    }
    void EndLine() {
        Ascii("\r\n");
        line_start_ = bytes_.size();
    }
    std::size_t Column() const { return (bytes_.size() - line_start_) / 2; }
    std::string& bytes() { return bytes_; }

    // Lower-case hexadecimal, at least `digits` of them.
    void Hex(std::uint32_t number, int digits) {
        while (digits < 8 && number >> (digits * 4) != 0) ++digits;
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
            Unit(kHexDigits[(number >> shift) & 15]);
    }

    void Quoted(const std::vector<std::uint8_t>& bytes, std::size_t units) {
        Unit('"');
        for (std::size_t i = 0; i < units; ++i) {
            int unit = UnitAt(bytes, i);
            for (const Escape& escape : kEscapes)
                if (unit == escape.unit) Unit('\\'), unit = escape.letter;
            Unit(unit);
        }
        Unit('"');
    }

    // What follows "=": regedit's spelling wherever it keeps the bytes.
    // When wrapped, long hex data continues on indented lines as regedit
    // writes it.
    void Data(const raw::Value& value, bool wrap) {
        const auto& b = value.bytes;
        if (value.presence != raw::Presence::Present) return Unit('-');
        if (QuotesExactly(value)) return Quoted(b, b.size() / 2 - 1);
        if (value.type == regtype::kDword && b.size() == 4) {
            Ascii("dword:");
            return Hex(std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 |
                           std::uint32_t{b[3]} << 24,
                       8);
        }
        Ascii("hex");
        if (value.type != regtype::kBinary) Unit('('), Hex(value.type, 1), Unit(')');
        Unit(':');
        for (std::size_t i = 0; i < b.size(); ++i) {
            if (i > 0) Unit(',');
            if (i > 0 && wrap && Column() >= kWrapColumn) Unit('\\'), EndLine(), Ascii("  ");
            Hex(b[i], 2);
        }
    }

    void Key(const char* opening, const Tweak& tweak) {
        Ascii(opening);
        Ascii(RootName(tweak.root).data());
        Unit('\\');
        Ascii(tweak.key_path.data());
        Unit(']');
        EndLine();
    }

private:
    bool ascii_;
    std::string bytes_;
    std::size_t line_start_ = 0;
};

// ------------------------------------------------------------------ reading

int Lower(int c) { return c >= 'A' && c <= 'Z' ? c | 0x20 : c; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    const int lower = Lower(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// Reads the file line by line into what each setting is given. The lines
// are read in a copy of the file in which each UTF-16 unit is one char:
// itself when ASCII, 0x80 otherwise (a NUL among them); a quoted text takes
// its units from the file itself. Each reading step returns what is wrong,
// or null.
class Parser {
public:
    Parser(const std::string& bytes, Held& held)
        : bytes_(bytes), held_(held), text_(bytes.size() / 2 - 1, '\x80') {
        for (std::size_t i = 0; i < text_.size(); ++i)
            if (!bytes[2 * i + 3] && bytes[2 * i + 2] > 0) text_[i] = bytes[2 * i + 2];
        at_ = text_.c_str();
    }

    FileProblem Parse() {
        SkipBlanks();
        if (!Take(kHeader) || (SkipBlanks(), !AtLineEnd()))
            return {1, "not a Windows Registry Editor Version 5.00 file"};
        for (SkipLine(); *at_; SkipLine()) {
            SkipBlanks();
            if (const char* problem = Entry()) return {line_, problem};
        }
        for (const auto& held : held_)
            if (held) return {};
        return {0, "none of Brevlin's settings"};
    }

private:
    bool AtLineEnd() const { return !*at_ || *at_ == '\r' || *at_ == '\n'; }
    void SkipBlanks() {
        while (*at_ == ' ' || *at_ == '\t') ++at_;
    }
    void SkipLine() {
        while (!AtLineEnd()) ++at_;
        at_ += *at_ == '\r';
        at_ += *at_ == '\n';
        ++line_;
    }
    // Takes the word if it comes next, in any case.
    bool Take(const char* word) {
        std::size_t i = 0;
        while (word[i] && Lower(at_[i]) == Lower(word[i])) ++i;
        at_ += word[i] ? 0 : i;
        return !word[i];
    }
    // A hexadecimal number of 1 to `most` digits.
    bool Number(std::uint32_t& number, int most) {
        int digits = 0;
        for (number = 0; HexDigit(*at_) >= 0; ++at_, ++digits)
            number = number << 4 | static_cast<std::uint32_t>(HexDigit(*at_));
        return digits > 0 && digits <= most;
    }

    // The UTF-16LE units of a quoted text, escapes undone.
    const char* Quoted(std::vector<std::uint8_t>& units) {
        for (++at_; *at_ != '"'; ++at_) {
            if (AtLineEnd()) return "a text without its closing quote";
            const std::size_t index = 2 * static_cast<std::size_t>(at_ - text_.c_str()) + 2;
            int unit = static_cast<unsigned char>(bytes_[index]) |
                       static_cast<unsigned char>(bytes_[index + 1]) << 8;
            if (unit == '\\') {
                unit = -1;
                ++at_;
                for (const Escape& escape : kEscapes)
                    if (*at_ == escape.letter) unit = escape.unit;
                if (unit < 0) return "an unknown \\ escape in a text";
            }
            units.push_back(static_cast<std::uint8_t>(unit));
            units.push_back(static_cast<std::uint8_t>(unit >> 8));
        }
        ++at_;
        return nullptr;
    }

    // Comma-separated bytes, continued on the next line after ",\".
    const char* HexBytes(std::vector<std::uint8_t>& bytes) {
        for (std::uint32_t byte = 0; SkipBlanks(), !AtLineEnd();) {
            if (!Number(byte, 2)) return "a byte that is not 1 or 2 hex digits";
            bytes.push_back(static_cast<std::uint8_t>(byte));
            SkipBlanks();
            if (AtLineEnd()) break;
            if (!Take(",")) return "bytes not separated by commas";
            SkipBlanks();
            if (!Take("\\")) continue;
            SkipBlanks();
            if (!AtLineEnd() || !*at_) return "a \\ not at the end of a line";
            SkipLine();
        }
        return nullptr;
    }

    const char* Data(raw::Value& value) {
        auto& bytes = value.bytes;
        std::uint32_t number = 0;
        value.presence = raw::Presence::Present;
        if (Take("-")) {
            value.presence = raw::Presence::Absent;
        } else if (*at_ == '"') {
            value.type = regtype::kSz;
            if (const char* problem = Quoted(bytes)) return problem;
            bytes.resize(bytes.size() + 2);
        } else if (Take("dword:")) {
            value.type = regtype::kDword;
            if (!Number(number, 8)) return "dword: needs 1 to 8 hex digits";
            for (int shift = 0; shift < 32; shift += 8)
                bytes.push_back(static_cast<std::uint8_t>(number >> shift));
        } else if (Take("hex:")) {
            value.type = regtype::kBinary;
            return HexBytes(bytes);
        } else if (Take("hex(")) {
            if (!Number(value.type, 8) || !Take("):")) return "a type not written hex(N):";
            return HexBytes(bytes);
        } else {
            return "a value not \"text\", dword:, hex:, hex(N): or -";
        }
        SkipBlanks();
        return AtLineEnd() ? nullptr : "more after the value";
    }

    // The setting whose key (after "[") or value name (after the quote)
    // comes next, and then "]" or "\"="; a value only below its key's
    // heading. None of the names needs an escape.
    const Tweak* Named(bool key) {
        for (const Tweak& tweak : Catalogue()) {
            const char* start = at_;
            const bool here = key ? Take(RootName(tweak.root).data()) && Take("\\") &&
                                        Take(tweak.key_path.data()) && Take("]")
                                  : section_ && SameKey(tweak, *section_) && tweak.IsRead() &&
                                        Take(tweak.value_name.data()) && Take("\"") &&
                                        (SkipBlanks(), Take("="));
            if (here) return &tweak;
            at_ = start;
        }
        return nullptr;
    }

    // One line, not blank. A comment counts only as one of the two lines
    // brevlinc writes for itself: the hidden desktop icon, and a value
    // regedit would crash on.
    const char* Entry() {
        const char* start = at_;
        const std::size_t start_line = line_;
        const bool commented = Take(";");
        const bool is_key = *at_ == '[';
        const Tweak* tweak = nullptr;
        bool deletes = false;
        const char* problem = "not a key, a value or a comment";
        if (AtLineEnd()) return nullptr;
        if (is_key || *at_ == '"') {
            ++at_;
            deletes = is_key && Take("-");
            tweak = Named(is_key);
            SkipBlanks();
            problem = !tweak                   ? "no key or value of Brevlin's settings"
                      : is_key && !AtLineEnd() ? "more after the key"
                      : deletes && tweak->IsRead()
                          ? "a key deleted whole; brevlinc deletes values only"
                          : nullptr;
        }
        // The setting this line gives, unless it only heads values.
        std::optional<raw::Value>* held = nullptr;
        if (!problem && (!is_key || !tweak->IsRead())) {
            held = &held_[static_cast<std::size_t>(tweak->id)];
            if (*held) problem = "a setting given a second time";
            if (*held) held = nullptr;
        }
        if (held && is_key)
            held->emplace().presence = deletes ? raw::Presence::Absent : raw::Presence::Present;
        else if (held) problem = Data(held->emplace());
        if (commented && (problem || !(deletes || (held && CrashesRegedit(**held))))) {
            if (held) held->reset();
            at_ = start, line_ = start_line;
            while (!AtLineEnd()) ++at_;
            return nullptr;
        }
        if (!problem) section_ = tweak;
        return problem;
    }

    const std::string& bytes_;
    Held& held_;
    std::string text_;
    const char* at_;
    std::size_t line_ = 1;
    const Tweak* section_ = nullptr;
};

}  // namespace

std::string WriteRegFile(const Held& held) {
    Utf16Text out;
    out.Unit(0xFEFF);
    out.Ascii(kHeader);
    out.EndLine();
    const Tweak* heading = nullptr;  // the key the last heading named
    for (const Tweak& tweak : Catalogue()) {
        const std::optional<raw::Value>& value = held[static_cast<std::size_t>(tweak.id)];
        if (!value) continue;
        const bool values_key = tweak.IsRead();
        if (!heading || !SameKey(*heading, tweak)) out.EndLine();
        if (!values_key) {
            // Deleted, the key's subkeys would go too: a comment to regedit.
            const bool shown = value->presence == raw::Presence::Present;
            if (!shown) out.Ascii(kHiddenIconNote), out.EndLine();
            out.Key(shown ? "[" : ";[-", tweak);
        } else if (!heading || !SameKey(*heading, tweak)) {
            out.Key("[", tweak);
        }
        heading = &tweak;
        if (!values_key) continue;
        if (CrashesRegedit(*value)) out.Ascii(kOneByteNote), out.EndLine(), out.Unit(';');
        // The settings' names need no escapes.
        out.Unit('"');
        out.Ascii(tweak.value_name.data());
        out.Ascii("\"=");
        out.Data(*value, true);
        out.EndLine();
    }
    out.EndLine();
    return std::move(out.bytes());
}

bool RegeditRestores(const raw::Value& value) {
    const auto& bytes = value.bytes;
    return !IsPresentText(value) || bytes.empty() ||
           (bytes.size() >= 2 && UnitAt(bytes, bytes.size() / 2 - 1) == 0);
}

std::string Spelled(const raw::Value& value, std::size_t most) {
    Utf16Text text(true);
    text.Data(value, false);
    std::string& spelled = text.bytes();
    if (spelled.size() > most) spelled.replace(most, std::string::npos, "...");
    return std::move(spelled);
}

FileProblem ReadRegFile(const std::string& bytes, Held& held) {
    if (!bytes.starts_with("\xFF\xFE") || bytes.size() % 2 != 0)
        return {0, "not UTF-16 with a byte-order mark"};
    return Parser(bytes, held).Parse();
}

}  // namespace brevlin::cli
