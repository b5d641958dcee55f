#include "cli/report.h"

#include <algorithm>

namespace brevlin::cli {
namespace {

void EndLine(std::string& out) {
    while (out.ends_with(' ')) out.pop_back();
    out += "\r\n";
}

// The text, then blanks to make it `width` long, and one more.
void Pad(std::string& out, std::string_view text, std::size_t width) {
    out += text;
    out.append(width - text.size() + 1, ' ');
}

std::string Table(const Report& report, bool no_header) {
    std::vector<std::size_t> widths(report.columns, 0);
    for (std::size_t i = 0; i < report.cells.size(); ++i)
        widths[i % report.columns] = std::max(widths[i % report.columns], report.cells[i].size());
    std::string out;
    for (std::size_t i = no_header ? report.columns : 0; i < report.cells.size(); ++i) {
        const std::size_t column = i % report.columns;
        Pad(out, report.cells[i], widths[column]);
        if (column + 1 < report.columns) continue;
        EndLine(out);
        if (i + 1 != report.columns) continue;
        for (std::size_t width : widths) Pad(out, std::string(width, '='), width);
        EndLine(out);  // a row of "=" under the headers
    }
    return out;
}

std::string List(const Report& report) {
    std::size_t label = 0;  // "Header:" and a blank at least
    for (std::size_t i = 0; i < report.columns; ++i)
        label = std::max(label, report.cells[i].size() + 1);
    std::string out;
    for (std::size_t i = report.columns; i < report.cells.size(); ++i) {
        const std::size_t column = i % report.columns;
        if (column == 0 && i > report.columns) out += "\r\n";  // a blank line between records
        Pad(out, report.cells[column] + ":", label);
        out += report.cells[i];
        EndLine(out);
    }
    return out;
}

std::string Csv(const Report& report, bool no_header) {
    std::string out;
    for (std::size_t i = no_header ? report.columns : 0; i < report.cells.size(); ++i) {
        const std::size_t column = i % report.columns;
        if (column > 0) out += ',';
        out += '"';
        for (char c : report.cells[i]) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
        if (column + 1 == report.columns) out += "\r\n";
    }
    return out;
}

}  // namespace

std::string Render(const Report& report, Format format, bool no_header) {
    switch (format) {
        case Format::Table: return Table(report, no_header);
        case Format::List: return List(report);
        case Format::Csv: return Csv(report, no_header);
    }
    return {};
}

}  // namespace brevlin::cli
