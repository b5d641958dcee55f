#include "cli/report.h"

#include <algorithm>

namespace brevlin::cli {
namespace {

void EndLine(std::string& out) {
    while (out.ends_with(' ')) out.pop_back();
    out += "\r\n";
}

void Pad(std::string& out, std::string_view cell, std::size_t width) {
    out += cell;
    out.append(width - cell.size() + 1, ' ');
}

void Quoted(std::string& out, std::string_view cell, bool first) {
    out += first ? "\"" : ",\"";
    for (char c : cell) (out += c) += c == '"' ? "\"" : "";
    out += '"';
}

}  // namespace

std::string Render(const Report& report, Format format, bool no_header) {
    const std::size_t columns = report.headers.size();
    std::vector<std::size_t> widths;
    std::size_t label = 0;  // list's "Header:" column
    for (std::string_view header : report.headers) {
        widths.push_back(header.size());
        label = std::max(label, header.size() + 1);
    }
    for (std::size_t i = 0; i < report.cells.size(); ++i)
        widths[i % columns] = std::max(widths[i % columns], report.cells[i].size());

    std::string out;
    if (!no_header && format != Format::List) {
        for (std::size_t i = 0; i < columns; ++i) {
            if (format == Format::Csv) Quoted(out, report.headers[i], i == 0);
            else Pad(out, report.headers[i], widths[i]);
        }
        EndLine(out);
        for (std::size_t i = 0; format == Format::Table && i < columns; ++i)
            Pad(out, std::string(widths[i], '='), widths[i]);
        if (format == Format::Table) EndLine(out);
    }
    for (std::size_t i = 0; i < report.cells.size(); ++i) {
        const std::size_t column = i % columns;
        const std::string& cell = report.cells[i];
        if (format == Format::List) {
            if (column == 0 && i > 0) out += "\r\n";  // a blank line between records
            Pad(out, std::string(report.headers[column]) + ":", label);
            out += cell;
        } else if (format == Format::Csv) {
            Quoted(out, cell, column == 0);
        } else {
            Pad(out, cell, widths[column]);
        }
        if (format == Format::List || column + 1 == columns) EndLine(out);
    }
    return out;
}

}  // namespace brevlin::cli
