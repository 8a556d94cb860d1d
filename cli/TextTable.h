// Plain-text tables for lathwell-cli's listings: left-aligned columns two blanks apart.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace lathwell::cli {

using TableRow = std::vector<std::string>;

// One line per row, each ending in a line feed; the last column is not padded.
std::string TextTable(const std::vector<TableRow>& rows);

// The same table of rowCount rows written to out, each row made by rowAt when it is needed
// (twice: once to measure the columns, once to write it), so that a table of a million rows
// is never held whole.
void WriteTextTable(std::ostream& out, std::size_t rowCount, const std::function<TableRow(std::size_t)>& rowAt);

}  // namespace lathwell::cli
