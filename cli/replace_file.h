// Replacing a file without ever losing it. ReplaceFileW can stop half way;
// what Microsoft documents of each stop is followed here, apart from
// Windows, so that every one of them can be shown to leave the file whole,
// or its new bytes whole and named.
#pragma once

#include <string>

namespace brevlin::cli {

// The file operations that replacing a file takes: Windows' own in
// brevlinc, a model in the tests.
class FileSteps {
public:
    virtual ~FileSteps() = default;
    // ReplaceFileW with a backup name: 0, or Windows' error code.
    virtual unsigned long Replace(const std::wstring& file, const std::wstring& replacement,
                                  const std::wstring& backup) = 0;
    // Moves a file to a name that is free; false if it did not.
    virtual bool Move(const std::wstring& from, const std::wstring& to) = 0;
    virtual bool There(const std::wstring& name) = 0;
    virtual void Remove(const std::wstring& name) = 0;
};

struct Replacement {
    unsigned long error = 0;  // 0: the file has the new bytes
    // The new bytes are under the temporary name alone; the old file, if it
    // is anywhere, under the backup name.
    bool stranded = false;
    bool operator==(const Replacement&) const = default;
};

// Puts `temporary` in the place of `file`, keeping the old file under
// `backup` (a free name) until the new one is in place, then removing it.
Replacement ReplaceKeepingBoth(FileSteps& disk, const std::wstring& file,
                               const std::wstring& temporary, const std::wstring& backup);

}  // namespace brevlin::cli
