#include "TextTable.h"

#include <algorithm>

#include "Utf8Text.h"

namespace lathwell::cli {

std::string TextTable(const std::vector<TableRow>& rows) {
    // Cells as the terminal shows them, measured in characters.
    std::vector<TableRow> shown;
    shown.reserve(rows.size());
    std::vector<std::size_t> widths;
    for (const TableRow& row : rows) {
        shown.emplace_back();
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t i = 0; i < row.size(); ++i) {
            shown.back().push_back(TerminalSafe(row[i]));
            widths[i] = std::max(widths[i], CharacterCount(shown.back()[i]));
        }
    }
    std::string text;
    for (const TableRow& row : shown) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line.append(widths[i] - CharacterCount(row[i]) + 2, ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + "\n";
    }
    return text;
}

}  // namespace lathwell::cli
