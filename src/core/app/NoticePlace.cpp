#include "NoticePlace.h"

#include <algorithm>

namespace {
constexpr int kGap = 8;

bool Clear(const QRect& box, const QList<QRect>& windows, const QRect& area)
{
    if (!area.contains(box)) return false;
    return std::none_of(windows.begin(), windows.end(), [&](const QRect& w) { return w.intersects(box); });
}
} // namespace

QPoint PlaceClearOf(const QSize& size, const QList<QRect>& windows, const QRect& area)
{
    QRect all;
    for (const QRect& w : windows) all |= w;
    const int maxX = area.right() + 1 - size.width(), maxY = area.bottom() + 1 - size.height();
    const int x = std::clamp(all.left(), area.left(), std::max(area.left(), maxX));
    const int y = std::clamp(all.top(), area.top(), std::max(area.top(), maxY));
    const QPoint sides[] = {{x, all.bottom() + 1 + kGap},
                            {all.right() + 1 + kGap, y},
                            {x, all.top() - kGap - size.height()},
                            {all.left() - kGap - size.width(), y}};
    for (const QPoint& at : sides)
        if (Clear(QRect(at, size), windows, area)) return at;
    // Too little room on every side: the corner farthest from the windows.
    const QPoint corners[] = {{area.left(), area.top()}, {maxX, area.top()}, {area.left(), maxY}, {maxX, maxY}};
    const QPoint centre = all.center();
    return *std::max_element(std::begin(corners), std::end(corners), [&](const QPoint& a, const QPoint& b) {
        const QPoint ca = QRect(a, size).center() - centre, cb = QRect(b, size).center() - centre;
        return ca.manhattanLength() < cb.manhattanLength();
    });
}
