#include "platform/ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace platform {

namespace {

// The frame a window manager adds around a window that was not shown yet (title bar and
// borders); a shown window tells its own.
constexpr int kGuessedBorder = 4;
constexpr int kGuessedTitle = 30;

}  // namespace

QRect FitWithin(const QRect& wanted, const QRect& available) {
    const int width = std::min(wanted.width(), available.width());
    const int height = std::min(wanted.height(), available.height());
    const int x = std::clamp(wanted.x(), available.left(), available.left() + available.width() - width);
    const int y = std::clamp(wanted.y(), available.top(), available.top() + available.height() - height);
    return {x, y, width, height};
}

void PlaceOnScreen(QWidget* window) {
    if (window == nullptr) return;
    const QWidget* over = window->parentWidget() != nullptr ? window->parentWidget()->window() : nullptr;
    QScreen* screen = over != nullptr ? over->screen() : window->screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect available = screen->availableGeometry();

    const bool framed = window->isVisible();
    const QMargins frame = framed ? QMargins(window->geometry().left() - window->frameGeometry().left(),
                                             window->geometry().top() - window->frameGeometry().top(),
                                             window->frameGeometry().right() - window->geometry().right(),
                                             window->frameGeometry().bottom() - window->geometry().bottom())
                                  : QMargins(kGuessedBorder, kGuessedTitle, kGuessedBorder, kGuessedBorder);
    QRect wanted(QPoint(0, 0), window->size().grownBy(frame));
    wanted.moveCenter(over != nullptr ? over->frameGeometry().center() : available.center());
    const QRect placed = FitWithin(wanted, available);
    window->resize(placed.size().shrunkBy(frame).expandedTo(window->minimumSize()));
    window->move(placed.topLeft());  // a top-level window's position is its frame's
}

}  // namespace platform
