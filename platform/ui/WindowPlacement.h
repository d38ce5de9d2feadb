#pragma once
// Top-level windows open inside the usable area of their screen (the desktop less its panels):
// sized down when larger, moved in when they would reach past an edge.
#include <QRect>

class QWidget;

namespace platform {

// `wanted` (a frame rectangle) moved, and shrunk where needed, to lie within `available`.
QRect FitWithin(const QRect& wanted, const QRect& available);

// Places a window that is about to be shown: centred over its parent's window (or its screen
// without one) and kept within the available geometry of that screen, frame included.
void PlaceOnScreen(QWidget* window);

}  // namespace platform
