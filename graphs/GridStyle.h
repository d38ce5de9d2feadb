#pragma once
// The grid-line style of a window's plots, offered in its "Grid Line" menu.
#include <string>

namespace graphs {

enum class GridStyle { Solid = 0, Dot = 1, None = 2 };

// "SOLID", "DOT", "NONE".
const char* GridStyleName(GridStyle style);
// Menu command of a style: 19400, 19401, 19402.
inline constexpr int kGridCommandBase = 19400;
inline int GridCommand(GridStyle style) { return kGridCommandBase + static_cast<int>(style); }

}  // namespace graphs
