#include "cli/report.h"

#include <cstring>

namespace brevlin::cli {
namespace {

// The text, then blanks to make it `width` long, and one more.
void Pad(std::string& out, const char* text, std::size_t width, char after = ' ') {
    const std::size_t start = out.size();
    (out += text) += after;
    out.resize(start + width + 1, ' ');
}

void EndLine(std::string& out) {
    while (out.ends_with(' ')) out.pop_back();
    out += "\r\n";
}

}  // namespace

std::string Render(const Report& report, Format format, bool no_header) {
    const std::size_t columns = report.columns;
    const char* const end = report.cells.data() + report.cells.size();
    const char* headers[kMostColumns] = {};
    std::size_t widths[kMostColumns] = {};
    std::size_t label = 0;  // list's "Header:"
    std::size_t i = 0;
    for (const char* cell = report.cells.data(); cell < end; cell += std::strlen(cell) + 1, ++i) {
        const std::size_t length = std::strlen(cell);
        if (i < columns) headers[i] = cell;
        if (i < columns && label <= length) label = length + 1;
        if (widths[i % columns] < length) widths[i % columns] = length;
    }
    std::string out;
    i = 0;
    for (const char* cell = report.cells.data(); cell < end; cell += std::strlen(cell) + 1, ++i) {
        const std::size_t column = i % columns;
        if (i < columns && (no_header || format == Format::List)) continue;
        if (format == Format::Csv) {
            out += column ? ",\"" : "\"";
            for (const char* c = cell; *c; ++c) (out += *c) += *c == '"' ? "\"" : "";
            out += '"';
        } else if (format == Format::List) {
            if (column == 0 && i > columns) out += "\r\n";  // a blank line between records
            Pad(out, headers[column], label, ':');
            out += cell;
        } else {
            Pad(out, cell, widths[column]);
        }
        if (format != Format::List && column + 1 < columns) continue;
        EndLine(out);
        if (format != Format::Table || i + 1 != columns) continue;
        for (std::size_t c = 0; c < columns; ++c) out.append(widths[c], '=') += ' ';
        EndLine(out);  // a row of "=" under the headers
    }
    return out;
}

}  // namespace brevlin::cli
