// Plain-text tables for lathwell-cli's listings: left-aligned columns two blanks apart.
#pragma once

#include <string>
#include <vector>

namespace lathwell::cli {

using TableRow = std::vector<std::string>;

// One line per row, each ending in a line feed; the last column is not padded.
std::string TextTable(const std::vector<TableRow>& rows);

}  // namespace lathwell::cli
