#include "registry/code_page.h"

#include <algorithm>
#include <string_view>

namespace brevlin::code_page {
namespace {

// The units that bytes 0x80 to 0x9F stand for; every other byte stands for
// the unit of its own value.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t UnitOf(std::uint8_t byte) {
    return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : char16_t{byte};
}

// Above U+00FF: the byte each unit becomes, from `first` on, '?' where none
// (the code page's own characters among them). Measured under Wine by
// reading every unit back through RegQueryValueExA; Windows converts with
// the same best-fit table.
struct Block {
    char16_t first;
    std::string_view bytes;
};
// clang-format off
constexpr Block kAbove00FF[] = {
    {0x0100, "AaAaAaCcCcCcCcDd\xD0" "dEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi?\?JjKk?LlLlLl?"
     "?LlNnNnNn?\?\?OoOoOo\x8C\x9CRrRrRrSsSsSs\x8A\x9ATtTtTtUuUuUuUu"
     "UuUuWwYy\x9FZzZz\x8E\x9E?b"},
    {0x0189, "\xD0"},
    {0x0191, "\x83\x83?\?\?\?I?\?l?\?\?\?OOo"},
    {0x01AB, "t?\?TUu?\?\?\?\?z"},
    {0x01C0, "|?\?!"},
    {0x01CD, "AaIiOoUuUuUuUuUu?Aa?\?\?\?GgGgKkOoOo?\?j"},
    {0x0261, "g"},
    {0x02B9, "'\"?'"},
    {0x02C4, "^?\x88?'\xAF\xB4`?_"},
    {0x02DA, "\xB0?\x98"},
    {0x0300, "`\xB4^~\xAF\xAF?\?\xA8?\xB0?\?\?\""},
    {0x0327, "\xB8"},
    {0x0331, "__"},
    {0x037E, ";"},
    {0x0393, "G?\?\?\?T"},
    {0x03A3, "S?\?F?\?O"},
    {0x03B1, "a\xDF?de"},
    {0x03BC, "\xB5?\?\?p?\?st?f"},
    {0x04BB, "h"},
    {0x0589, ":"},
    {0x066A, "%"},
    {0x2000, "       "},
    {0x2010, "--?\x96\x97?\?=\x91\x92\x82?\x93\x94\x84?\x86\x87\x95?\xB7?\x85"},
    {0x2030, "\x89?'?\?`?\?\?\x8B\x9B"},
    {0x2044, "/"},
    {0x2070, "\xB0?\?\?45678"},
    {0x207F, "n0123456789"},
    {0x20A1, "\xA2?\?\xA3?\?P?\?\?\?\x80"},
    {0x2102, "C?\?\?\?E?\?gHHHh?IILl?N?\?PPQRRR?\?\?\?\x99?Z?\?\?Z?K\xC5" "BCeeEF?Mo"},
    {0x2205, "\xD8"},
    {0x2212, "-\xB1?/\\*\xB0\xB7v?\?\?8?\?\?\?|?\?\?\?\?n"},
    {0x2236, ":?\?\?\?\?~"},
    {0x2248, "\x98"},
    {0x2261, "=?\?==?\?\?\?\xAB\xBB"},
    {0x22C5, "\xB7"},
    {0x2302, "\xA6^"},
    {0x2310, "\xAC"},
    {0x2320, "()"},
    {0x2329, "<>"},
    {0x2500, "-?\xA6"},
    {0x250C, "+?\?\?+?\?\?+?\?\?+?\?\?+"},
    {0x2524, "\xA6"},
    {0x252C, "-"},
    {0x2534, "-"},
    {0x253C, "+"},
    {0x2550, "-\xA6++++++++++++\xA6\xA6\xA6\xA6\xA6\xA6------+++"},
    {0x2580, "\xAF?\?\?_?\?\?\xA6?\?\?\xA6?\?\?\xA6\xA6\xA6\xA6"},
    {0x25A0, "\xA6"},
    {0x263C, "\xA4"},
    {0x2758, "|"},
    {0x3000, " "},
    {0x3008, "<>\xAB\xBB"},
    {0x301A, "[]"},
    {0x30FB, "\xB7"},
    {0xFF01, "!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`"
     "abcdefghijklmnopqrstuvwxyz{|}~"},
};
// clang-format on

std::uint8_t ByteOf(char16_t unit) {
    if (unit <= 0xFF) {
        const auto byte = static_cast<std::uint8_t>(unit);
        return UnitOf(byte) == unit ? byte : std::uint8_t{'?'};
    }
    const Block* after = std::upper_bound(std::begin(kAbove00FF), std::end(kAbove00FF), unit,
                                          [](char16_t u, const Block& b) { return u < b.first; });
    if (after == std::begin(kAbove00FF)) return '?';
    const Block& block = after[-1];
    const std::size_t offset = unit - block.first;
    return offset < block.bytes.size() ? static_cast<std::uint8_t>(block.bytes[offset]) : '?';
}

}  // namespace

std::vector<std::uint8_t> AnsiToUtf16(std::span<const std::uint8_t> ansi) {
    std::vector<std::uint8_t> utf16;
    utf16.reserve(ansi.size() * 2);
    for (std::uint8_t byte : ansi) {
        const char16_t unit = UnitOf(byte);
        utf16.push_back(static_cast<std::uint8_t>(unit));
        utf16.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return utf16;
}

std::vector<std::uint8_t> Utf16ToAnsi(std::span<const std::uint8_t> utf16) {
    std::vector<std::uint8_t> ansi;
    ansi.reserve(utf16.size() / 2);
    for (std::size_t i = 0; i + 1 < utf16.size(); i += 2)
        ansi.push_back(ByteOf(static_cast<char16_t>(utf16[i] | utf16[i + 1] << 8)));
    return ansi;
}

}  // namespace brevlin::code_page
