#include "cli/regfile.h"

#include <string_view>

#include "registry/raw.h"
#include "tweaks/catalogue.h"
#include "tweaks/decimal.h"

namespace brevlin::cli {
namespace {

constexpr std::string_view kCrlf = "\r\n";
// regedit's own width: a continued line ends in "\" at column 80 at most.
constexpr std::size_t kLineWidth = 80;

void AppendHex(std::string& out, std::uint32_t number, int digits) {
    constexpr char kDigits[] = "0123456789abcdef";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out += kDigits[(number >> shift) & 15];
}

std::string KeyName(RegRoot root, std::string_view path) {
    return std::string(RootName(root)) + "\\" + std::string(path);
}

bool IsPlain(std::uint8_t byte) { return byte >= 0x20 && byte <= 0x7E; }

// A quoted string always lands as its characters and one NUL, converted
// through the code page. Only printable ASCII is sure to come back as the
// same bytes; anything else, an empty value (0 bytes, not the 1 of "")
// and a text without its NUL or with one inside go as hex.
bool QuotedIsExact(const raw::Value& value) {
    const auto& bytes = value.bytes;
    if (value.type != regtype::kSz || bytes.empty() || bytes.back() != 0) return false;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (!IsPlain(bytes[i])) return false;
    return true;
}

void AppendQuoted(std::string& line, std::string_view text) {
    line += '"';
    for (char c : text) {
        if (c == '\\' || c == '"') line += '\\';
        line += c;
    }
    line += '"';
}

// hex:.. for binary, hex(N):.. for any other type, N in hexadecimal;
// long data continues on indented lines, as regedit writes it.
void AppendHexData(std::string& line, const raw::Value& value) {
    line += "hex";
    if (value.type != regtype::kBinary) {
        int digits = 1;
        while (digits < 8 && value.type >> (digits * 4) != 0) ++digits;
        line += '(';
        AppendHex(line, value.type, digits);
        line += ')';
    }
    line += ':';
    std::size_t line_start = 0;
    for (std::size_t i = 0; i < value.bytes.size(); ++i) {
        AppendHex(line, value.bytes[i], 2);
        if (i + 1 == value.bytes.size()) break;
        line += ',';
        // Another "xx," and the closing "\" might not fit on this line.
        if (line.size() - line_start > kLineWidth - 4) {
            line += "\\\r\n  ";
            line_start = line.size() - 2;
        }
    }
}

void AppendValue(std::string& out, std::string_view name, const raw::Value& value) {
    std::string line;
    AppendQuoted(line, name);
    line += '=';
    if (value.presence == raw::Presence::Absent) {
        line += '-';
    } else if (QuotedIsExact(value)) {
        AppendQuoted(line, std::string_view(reinterpret_cast<const char*>(value.bytes.data()),
                                            value.bytes.size() - 1));
    } else if (value.type == regtype::kDword && value.bytes.size() == 4) {
        line += "dword:";
        const auto& b = value.bytes;
        AppendHex(line,
                  std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 |
                      std::uint32_t{b[3]} << 24,
                  8);
    } else {
        AppendHexData(line, value);
    }
    (out += line) += kCrlf;
}

std::string CouldNotRead(std::string_view what, RegStatus failure) {
    return "could not read " + std::string(what) + " (Windows reported error " + Decimal(failure) +
           "), so nothing was exported";
}

}  // namespace

RegFile ExportSettings(RegistryPlatform& registry) {
    RegFile file;
    std::string& out = file.text;
    out = "REGEDIT4";
    out += kCrlf;
    const Tweak* previous = nullptr;
    for (const Tweak& tweak : Catalogue()) {
        const std::string key = KeyName(tweak.root, tweak.key_path);
        if (tweak.kind == ValueKind::KeyPresence) {
            const raw::Key probed = raw::ProbeKey(registry, tweak.root, tweak.key_path);
            if (probed.presence == raw::Presence::Unreadable)
                return {.error = CouldNotRead(key, probed.status)};
            // "[-KEY]" removes it, "[KEY]" makes it.
            const bool present = probed.presence == raw::Presence::Present;
            ((out += kCrlf) += present ? "[" : "[-") += key + "]";
            out += kCrlf;
            previous = nullptr;
            continue;
        }
        const raw::Value value =
            raw::ReadValue(registry, tweak.root, tweak.key_path, tweak.value_name);
        if (value.presence == raw::Presence::Unreadable)
            return {.error =
                        CouldNotRead(key + "\\" + std::string(tweak.value_name), value.status)};
        // Values of one key share its heading.
        if (!previous || previous->root != tweak.root || previous->key_path != tweak.key_path)
            ((out += kCrlf) += "[" + key + "]") += kCrlf;
        AppendValue(out, tweak.value_name, value);
        previous = &tweak;
    }
    out += kCrlf;
    file.ok = true;
    return file;
}

}  // namespace brevlin::cli
