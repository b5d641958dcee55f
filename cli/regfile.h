// The settings as they are stored now, as a REGEDIT4 file that
// "regedit /s" turns into the same settings on another machine.
#pragma once

#include <string>

#include "registry/platform.h"

namespace brevlin::cli {

struct RegFile {
    bool ok = false;
    std::string text = {};   // the file, CRLF line ends, when ok
    std::string error = {};  // one line saying what could not be read, otherwise
};

RegFile ExportSettings(RegistryPlatform& registry);

}  // namespace brevlin::cli
