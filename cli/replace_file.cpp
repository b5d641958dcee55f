#include "cli/replace_file.h"

namespace brevlin::cli {

Replacement ReplaceKeepingBoth(FileSteps& disk, const std::wstring& file,
                               const std::wstring& temporary, const std::wstring& backup) {
    Replacement result{.error = disk.Replace(file, temporary, backup)};
    // ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 (1177) leaves the file's name free,
    // the old file under the backup name and the new one under its temporary
    // name; so does ERROR_UNABLE_TO_MOVE_REPLACEMENT (1176) when no backup is
    // kept, the old file then gone. Finish the move, or put the old file back.
    if (result.error && !disk.There(file)) {
        if (disk.Move(temporary, file)) result.error = 0;
        else disk.Move(backup, file);
    }
    if (!result.error) {
        disk.Remove(backup);
        return result;
    }
    // 1175, 1176 with a backup name, and every other code: both files kept
    // their names, the file is as it was, and the new bytes go.
    if (disk.There(file)) disk.Remove(temporary);
    else result.stranded = true;
    return result;
}

}  // namespace brevlin::cli
