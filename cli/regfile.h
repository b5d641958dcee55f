// The file of brevlinc export, apply and check: the settings' stored values
// as a "Windows Registry Editor Version 5.00" file (UTF-16LE with a
// byte-order mark, CRLF lines), each value's line as regedit /e writes it
// wherever that keeps the bytes, and the same file read back.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "registry/raw.h"
#include "tweaks/catalogue.h"

namespace brevlin::cli {

// What a file says of each setting, by its id: for a value, its type and
// exact bytes, or Absent when the file deletes it; for the desktop icon,
// whether its key is there. Empty where the file says nothing.
using Held = std::array<std::optional<raw::Value>, kTweakCount>;

// The file's bytes; nothing when they would be more than `most`.
std::optional<std::string> WriteRegFile(const Held& held, std::size_t most);

// Whether Wine's regedit /s stores the value back byte for byte from the
// line WriteRegFile writes for it. Only texts fail (REG_SZ, REG_EXPAND_SZ,
// REG_MULTI_SZ): regedit adds a NUL to one whose last whole UTF-16 unit is
// not one, over an odd last byte; and one of a single byte makes it crash
// halfway through the file, so that line goes in as a comment that only
// brevlinc reads.
bool RegeditRestores(const raw::Value& value);

// The value as the file spells it after "=", on one line and in ASCII
// (other characters as \uXXXX): at most `most` characters, cut between
// two of the file's characters and then "...".
std::string Spelled(const raw::Value& value, std::size_t most);

struct FileProblem {
    std::size_t line = 0;      // where it is; 0 for the whole file
    std::string_view problem;  // empty when the file can be used
};

// Reads what WriteRegFile writes (and what regedit writes for the same
// values) into `held`. Anything but the seven settings' keys and values, a
// setting given twice, a line that does not parse, or a file whose end
// cuts a line short is a problem.
FileProblem ReadRegFile(std::string_view bytes, Held& held);

}  // namespace brevlin::cli
