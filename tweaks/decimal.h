// Whole numbers as decimal text: a minus sign when negative, no leading
// zeros, no blanks. std::to_chars keeps printf out of the program.
#pragma once

#include <charconv>
#include <string>

namespace brevlin {

inline std::string Decimal(long long number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    return std::string(digits, end);
}

}  // namespace brevlin
