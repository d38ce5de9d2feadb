#include "cli/TextTable.h"

#include <algorithm>

#include "cli/TerminalText.h"

namespace cli {

namespace {
size_t DisplayWidth(const std::string& utf8) {
    size_t width = 0;
    for (char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++width;
    return width;
}
}  // namespace

std::vector<std::string> FormatTable(const std::vector<TableRow>& rows) {
    std::vector<size_t> widths;
    for (const TableRow& row : rows)
        for (size_t i = 0; i < row.size(); ++i) {
            if (widths.size() <= i) widths.resize(i + 1, 0);
            widths[i] = std::max(widths[i], DisplayWidth(ToUtf8(row[i])));
        }
    std::vector<std::string> lines;
    for (const TableRow& row : rows) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) {
            const std::string cell = ToUtf8(row[i]);
            line += cell;
            if (i + 1 < row.size()) line += std::string(widths[i] - DisplayWidth(cell) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace cli
