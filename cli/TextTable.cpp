#include "TextTable.h"

#include <algorithm>
#include <sstream>

#include "Utf8Text.h"

namespace lathwell::cli {

std::string TextTable(const std::vector<TableRow>& rows) {
    std::ostringstream text;
    WriteTextTable(text, rows.size(), [&](std::size_t i) { return rows[i]; });
    return text.str();
}

void WriteTextTable(std::ostream& out, std::size_t rowCount, const std::function<TableRow(std::size_t)>& rowAt) {
    // Cells as the terminal shows them, measured in characters.
    auto shownRow = [&](std::size_t index) {
        TableRow row = rowAt(index);
        for (std::string& cell : row) cell = TerminalSafe(cell);
        return row;
    };
    std::vector<std::size_t> widths;
    for (std::size_t index = 0; index < rowCount; ++index) {
        const TableRow row = shownRow(index);
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], CharacterCount(row[i]));
    }
    std::string line;
    for (std::size_t index = 0; index < rowCount; ++index) {
        const TableRow row = shownRow(index);
        line.clear();
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line.append(widths[i] - CharacterCount(row[i]) + 2, ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);
        out << line << '\n';
    }
}

}  // namespace lathwell::cli
