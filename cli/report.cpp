#include "cli/report.h"

namespace brevlin::cli {
namespace {

// The text, then blanks to make it `width` long, and one more.
void Pad(std::string& out, const std::string& text, std::size_t width, char after = ' ') {
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
    const auto& cells = report.cells;
    std::vector<std::size_t> widths(columns);
    for (std::size_t i = 0; i < cells.size(); ++i)
        if (widths[i % columns] < cells[i].size()) widths[i % columns] = cells[i].size();
    std::size_t label = 0;  // list's "Header:"
    for (std::size_t i = 0; i < columns; ++i)
        if (label <= cells[i].size()) label = cells[i].size() + 1;
    std::string out;
    for (std::size_t i = no_header || format == Format::List ? columns : 0; i < cells.size(); ++i) {
        const std::size_t column = i % columns;
        const std::string& cell = cells[i];
        if (format == Format::Csv) {
            out += column ? ",\"" : "\"";
            for (char c : cell) (out += c) += c == '"' ? "\"" : "";
            out += '"';
        } else if (format == Format::List) {
            if (column == 0 && i > columns) out += "\r\n";  // a blank line between records
            Pad(out, cells[column], label, ':');
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
