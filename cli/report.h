// Rows for people and for scripts, as Windows' own tools print them with
// /fo table|list|csv and /nh (tasklist, schtasks).
#pragma once

#include <cstdint>
#include <string>

namespace brevlin::cli {

enum class Format : std::uint8_t { Table, List, Csv };

constexpr std::size_t kMostColumns = 4;

// Row after row of `columns` cells (at most kMostColumns), the first row the
// headers; each cell ends in a NUL.
struct Report {
    std::size_t columns;
    std::string cells = {};
};

// table: the headers, a row of "=" under each, then the rows, in columns;
// list: "Header: cell" lines, a blank line between rows; csv: RFC 4180,
// every field quoted. /nh leaves out the headers (not for list).
std::string Render(const Report& report, Format format, bool no_header);

}  // namespace brevlin::cli
