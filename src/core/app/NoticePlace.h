#pragma once
// Where a notice of the program goes so that it hides none of the program's windows.
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

// The top-left corner for a box of size (its frame included) inside area: below the
// windows, else to their right, above them or to their left, each with a small gap and
// moved along that side to stay inside area; where none of these fits, the corner of
// area farthest from the windows.
QPoint PlaceClearOf(const QSize& size, const QList<QRect>& windows, const QRect& area);
