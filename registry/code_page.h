// The ANSI code page as the registry's A functions convert texts through it:
// RegSetValueExA stores a text as UTF-16, RegQueryValueExA delivers it back
// in the code page. The store does the same, with code page 1252, the one
// Wine gives the test prefix (GetACP(), measured; the tests pin the locale
// that chooses it).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace brevlin::code_page {

// Each byte as its UTF-16 unit, least significant byte first.
std::vector<std::uint8_t> AnsiToUtf16(std::span<const std::uint8_t> ansi);
// Each whole UTF-16 unit as one byte: the byte that stands for it, the
// nearest one Windows picks ("best fit"), or '?'. An odd last byte is
// dropped, and the halves of a surrogate pair are two units.
std::vector<std::uint8_t> Utf16ToAnsi(std::span<const std::uint8_t> utf16);

}  // namespace brevlin::code_page
