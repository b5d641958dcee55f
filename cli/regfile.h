// The file of brevlinc export, apply and check: the settings' stored values
// as a "Windows Registry Editor Version 5.00" file (UTF-16LE with a
// byte-order mark, CRLF lines), each value's line as regedit /e writes it
// wherever that keeps the bytes, and the same file read back.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "registry/raw.h"
#include "tweaks/catalogue.h"

namespace brevlin::cli {

// What a file says of each setting, by its id: for a value, its type and
// exact bytes, or Absent when the file deletes it; for the desktop icon,
// whether its key is there. Empty where the file says nothing.
using Held = std::array<std::optional<raw::Value>, kTweakCount>;

// The file's bytes.
std::string WriteRegFile(const Held& held);

// Whether Wine's regedit /s stores the value back byte for byte from the
// line WriteRegFile writes for it. Only texts fail (REG_SZ, REG_EXPAND_SZ,
// REG_MULTI_SZ): regedit adds a NUL to one whose last whole UTF-16 unit is
// not one, over an odd last byte; and one of a single byte makes it crash
// halfway through the file, so that line goes in as a comment that only
// brevlinc reads.
bool RegeditRestores(const raw::Value& value);

// The value as the file spells it after "=", on one line and in ASCII
// (other characters as \uXXXX), at most `most` characters then "...".
std::string Spelled(const raw::Value& value, std::size_t most);

struct FileProblem {
    std::size_t line = 0;           // where it is; 0 for the whole file
    const char* problem = nullptr;  // null when the file can be used
};

// Reads what WriteRegFile writes (and what regedit writes for the same
// values) into `held`. Anything but the seven settings' keys and values, a
// setting given twice, or a line that does not parse is a problem.
FileProblem ReadRegFile(const std::string& bytes, Held& held);

}  // namespace brevlin::cli
