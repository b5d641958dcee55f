// Command words, option names and the names in a .reg file are ASCII, and
// taken in any case, as Windows' own tools take them.
#pragma once

#include <string_view>

namespace brevlin::cli {

constexpr int AsciiLower(int c) { return c >= 'A' && c <= 'Z' ? c | 0x20 : c; }

constexpr bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

}  // namespace brevlin::cli
