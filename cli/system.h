// What brevlinc needs from the machine beside the registry: a file's bytes
// and Windows' own words for an error code. The console program gives the
// real ones; tests give their own, so the commands stay portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace brevlin::cli {

struct FileRead {
    enum class Result : std::uint8_t { Read, Failed, TooLarge };
    Result result = Result::Failed;
    std::string path = {};   // the full path, as messages name it
    std::string bytes = {};  // when Read
    std::string words = {};  // when Failed: why, in Windows' words
};

class System {
public:
    virtual ~System() = default;
    // The whole file, unless it holds more than `most` bytes.
    virtual FileRead Read(const std::string& name, std::size_t most) = 0;
    // Windows' words for an error code, as FormatMessage gives them.
    virtual std::string Words(long code) = 0;
};

}  // namespace brevlin::cli
