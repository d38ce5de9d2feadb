#pragma once
// Plain text tables for the terminal: columns as wide as their widest cell.
#include <string>
#include <vector>

namespace cli {

using TableRow = std::vector<std::string>;

// The rows (the first one being the heading) as lines, columns two blanks apart; the last
// column is not padded. Widths count UTF-8 characters.
std::vector<std::string> FormatTable(const std::vector<TableRow>& rows);

}  // namespace cli
