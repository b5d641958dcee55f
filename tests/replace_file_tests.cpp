// Replacing a file on a model disk, where ReplaceFileW given a backup name
// stops as Microsoft documents: f is the file, t its replacement, b the backup.
#include <doctest/doctest.h>

#include <map>

#include "cli/replace_file.h"

using Files = std::map<std::wstring, std::string>;

TEST_CASE("a file being replaced is never lost: each half-way stop is finished or undone") {
    const struct Row {
        unsigned long error;
        Files left;          // by ReplaceFileW
        std::wstring stuck;  // the names that do not move
        Files after;
        brevlin::cli::Replacement result;
    } rows[] = {
        {0, {{L"f", "new"}, {L"b", "old"}}, L"", {{L"f", "new"}}, {}},
        {1175, {{L"f", "old"}, {L"t", "new"}}, L"", {{L"f", "old"}}, {1175}},
        {1176, {{L"f", "old"}, {L"t", "new"}}, L"", {{L"f", "old"}}, {1176}},
        {1177, {{L"b", "old"}, {L"t", "new"}}, L"", {{L"f", "new"}}, {}},
        {1177, {{L"b", "old"}, {L"t", "new"}}, L"t", {{L"f", "old"}}, {1177}},
        {1177, {{L"b", "old"}, {L"t", "new"}}, L"tb", {{L"b", "old"}, {L"t", "new"}}, {1177, true}},
        // 1176 as Microsoft documents it without a backup name: the old file is gone.
        {1176, {{L"t", "new"}}, L"", {{L"f", "new"}}, {}},
    };
    struct Disk final : brevlin::cli::FileSteps {
        const Row& row;
        Files files = {{L"f", "old"}, {L"t", "new"}};
        explicit Disk(const Row& each) : row(each) {}
        unsigned long Replace(const std::wstring&, const std::wstring&,
                              const std::wstring&) override {
            files = row.left;
            return row.error;
        }
        bool Move(const std::wstring& from, const std::wstring& to) override {
            if (row.stuck.find(from) != std::wstring::npos || !There(from) || There(to))
                return false;
            files[to] = files[from];
            files.erase(from);
            return true;
        }
        bool There(const std::wstring& name) override { return files.contains(name); }
        void Remove(const std::wstring& name) override { files.erase(name); }
    };
    for (const Row& row : rows) {
        CAPTURE(row.error);
        Disk disk(row);
        CHECK(brevlin::cli::ReplaceKeepingBoth(disk, L"f", L"t", L"b") == row.result);
        CHECK(disk.files == row.after);
    }
}
