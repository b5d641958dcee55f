// What brevlinc needs from the machine beside the registry: a file's bytes
// and Windows' own words for an error code. The console program gives the
// real ones; tests give their own, so the commands stay portable.
#pragma once

#include <cstddef>
#include <string>

namespace brevlin::cli {

struct FileRead {
    bool read = false;
    std::string path = {};   // the full path, as messages name it
    std::string bytes = {};  // when read
    std::string words = {};  // otherwise: why, in Windows' words...
    bool too_large = false;  // ...or that it is larger than the reader takes
};

class System {
public:
    virtual ~System() = default;
    // The whole file; one of more than `most` bytes is not read, and
    // says so through `too_large`.
    virtual FileRead Read(const std::string& name, std::size_t most) = 0;
    // Windows' words for an error code, as FormatMessage gives them.
    virtual std::string Words(long code) = 0;
};

}  // namespace brevlin::cli
