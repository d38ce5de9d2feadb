#include "graphs/GridStyle.h"

namespace graphs {

const char* GridStyleName(GridStyle style) {
    switch (style) {
    case GridStyle::Solid: return "SOLID";
    case GridStyle::Dot: return "DOT";
    case GridStyle::None: return "NONE";
    }
    return "";
}

}  // namespace graphs
