// Rows for people and for scripts, as Windows' own tools print them with
// /fo table|list|csv and /nh (tasklist, schtasks).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace brevlin::cli {

enum class Format : std::uint8_t { Table, List, Csv };

// Row after row of `columns` cells, the first row the headers.
struct Report {
    std::size_t columns;
    std::vector<std::string> cells = {};

    void Row(std::initializer_list<std::string_view> row) {
        for (std::string_view cell : row) cells.emplace_back(cell);
    }
};

// table: the headers, a row of "=" under each, then the rows, in columns;
// list: "Header: cell" lines, a blank line between rows; csv: RFC 4180,
// every field quoted. /nh leaves out the headers (not for list).
std::string Render(const Report& report, Format format, bool no_header);

}  // namespace brevlin::cli
