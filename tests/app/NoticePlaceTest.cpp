#include <gtest/gtest.h>

#include "core/app/NoticePlace.h"

namespace {
bool Covers(const QPoint& at, const QSize& size, const QList<QRect>& windows)
{
    for (const QRect& w : windows)
        if (w.intersects(QRect(at, size))) return true;
    return false;
}
} // namespace

TEST(NoticePlace, TheBoxGoesBesideTheWindowsOnWhicheverSideHasRoom)
{
    // The demo on its 800 x 600 screen: the main window, the lyrics window under it (a
    // box centred on the screen would cover the lyrics window's lower edge).
    const QRect screen(0, 0, 800, 600);
    const QList<QRect> demo{{32, 32, 338, 127}, {32, 176, 338, 57}};
    const QSize box(380, 130);
    QPoint at = PlaceClearOf(box, demo, screen);
    EXPECT_FALSE(Covers(at, box, demo));
    EXPECT_TRUE(screen.contains(QRect(at, box)));
    EXPECT_EQ(at, QPoint(32, 176 + 57 + 8)); // under them, at their left edge

    // Windows at the bottom of the screen: to their right, moved up into the screen.
    const QList<QRect> low{{20, 420, 338, 127}, {20, 560, 338, 40}};
    at = PlaceClearOf(box, low, screen);
    EXPECT_FALSE(Covers(at, box, low));
    EXPECT_TRUE(screen.contains(QRect(at, box)));
    EXPECT_EQ(at.x(), 20 + 338 + 8);

    // As wide as the screen at its bottom: above them.
    const QList<QRect> wide{{0, 400, 800, 200}};
    at = PlaceClearOf(box, wide, screen);
    EXPECT_FALSE(Covers(at, box, wide));
    EXPECT_EQ(at.y(), 400 - 8 - 130);

    // No room on any side: the corner farthest from the windows.
    const QList<QRect> big{{0, 0, 700, 500}};
    EXPECT_EQ(PlaceClearOf(box, big, screen), QPoint(800 - 380, 600 - 130));
}
