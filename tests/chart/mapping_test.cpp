// Integer window/viewport mapping: multiply-divide, point, rectangle and size conversion,
// origins, the isotropic adjustment and refused extents.
#include "platform/mapping.h"

#include <gtest/gtest.h>

#include <climits>

using velmora::MapMode;
using velmora::Mapping;
using velmora::mulDiv;
using velmora::Rect;

namespace {
Mapping scaled(MapMode mode, int wx, int wy, int vx, int vy) {
    Mapping m;
    m.setMapMode(mode);
    EXPECT_TRUE(m.setWindowExt(wx, wy));
    EXPECT_TRUE(m.setViewportExt(vx, vy));
    return m;
}
}  // namespace

TEST(MulDiv, RoundsHalfAwayFromZeroIn64Bits) {
    EXPECT_EQ(mulDiv(1, 100, 20), 5);
    EXPECT_EQ(mulDiv(1, 100, 200), 1);    // 0.5
    EXPECT_EQ(mulDiv(-1, 100, 200), -1);  // -0.5
    EXPECT_EQ(mulDiv(5, 1, -2), -3);
    EXPECT_EQ(mulDiv(-5, 1, -2), 3);
    EXPECT_EQ(mulDiv(2, 100, 30), 7);                   // 6.67
    EXPECT_EQ(mulDiv(100000, 100000, 100000), 100000);  // product beyond 32 bits
    EXPECT_EQ(mulDiv(7, 3, 0), -1);
    EXPECT_EQ(mulDiv(INT_MAX, 2, 1), -1);
}

TEST(Mapping, PointsRoundToNearestWithHalvesUpward) {
    const Mapping m = scaled(MapMode::Anisotropic, 100, -100, 50, 50);
    EXPECT_EQ(m.lpToDp(QPoint(1, 1)), QPoint(1, 0));     // 0.5 -> 1, -0.5 -> 0
    EXPECT_EQ(m.lpToDp(QPoint(-3, 3)), QPoint(-1, -1));  // -1.5 -> -1
    EXPECT_EQ(m.dpToLp(QPoint(-7, 7)), QPoint(-14, -14));
    const Mapping t = scaled(MapMode::Anisotropic, 30, 30, 20, 20);
    EXPECT_EQ(t.lpToDp(QPoint(10, -10)), QPoint(7, -7));  // +-6.67
    EXPECT_EQ(t.lpToDp(QPoint(5, -5)), QPoint(3, -3));    // +-3.33
}

TEST(Mapping, OriginsRectanglesAndSizes) {
    Mapping m = scaled(MapMode::Anisotropic, 100, -100, 100, 20);
    // The chart's client area at Y zoom 20 %: 100 rows span 500 sample units.
    EXPECT_EQ(m.dpToLp(Rect{0, 0, 774, 100}), (Rect{0, 0, 774, -500}));
    EXPECT_EQ(m.dpToLp(QSize(1, 1)), QSize(1, 5));
    EXPECT_EQ(m.lpToDp(QSize(7, 12)), QSize(7, 2));  // 2.4 -> 2

    m.setWindowOrg(10, 495);
    m.setViewportOrg(3, 4);
    EXPECT_EQ(m.lpToDp(QPoint(20, 0)), QPoint(13, 103));
    EXPECT_EQ(m.dpToLp(QPoint(13, 103)), QPoint(20, 0));
    EXPECT_EQ(m.lpToDp(Rect{10, 495, 20, 0}), (Rect{3, 4, 13, 103}));
    EXPECT_EQ(m.dpToLp(QSize(3, 3)), QSize(3, 15));  // origins do not move sizes

    const Mapping half = scaled(MapMode::Anisotropic, 100, -100, 200, 200);
    EXPECT_EQ(half.dpToLp(QSize(-1, -3)), QSize(-1, -2));  // -0.5, -1.5 away from zero
}

TEST(Mapping, TextModeAndZeroExtentsAreRefused) {
    Mapping text;
    EXPECT_FALSE(text.setWindowExt(100, -100));
    text.setWindowOrg(5, 6);
    EXPECT_EQ(text.lpToDp(QPoint(-20, 40)), QPoint(-25, 34));

    Mapping m = scaled(MapMode::Anisotropic, 100, -100, 100, 20);
    EXPECT_FALSE(m.setViewportExt(0, 20));
    EXPECT_FALSE(m.setWindowExt(100, 0));
    EXPECT_EQ(m.lpToDp(QPoint(10, -500)), QPoint(10, 100));
    m.setMapMode(MapMode::Text);
    EXPECT_EQ(m.lpToDp(QPoint(10, -500)), QPoint(10, -500));
}

TEST(Mapping, IsotropicShrinksTheLargerScale) {
    Mapping m = scaled(MapMode::Isotropic, 100, 100, 200, -50);
    EXPECT_EQ(m.viewportExt(), QSize(50, -50));
    EXPECT_EQ(m.lpToDp(QPoint(10, 10)), QPoint(5, -5));
    m.setViewportExt(-30, 300);  // now y has the larger scale
    EXPECT_EQ(m.viewportExt(), QSize(-30, 30));

    // Equal extents behave as anisotropic.
    const Mapping iso = scaled(MapMode::Isotropic, 400, -400, 300, 300);
    const Mapping aniso = scaled(MapMode::Anisotropic, 400, -400, 300, 300);
    for (int v : {-7, -1, 1, 2, 3, 999}) {
        EXPECT_EQ(iso.lpToDp(QPoint(v, v)), aniso.lpToDp(QPoint(v, v))) << v;
        EXPECT_EQ(iso.dpToLp(QPoint(v, v)), aniso.dpToLp(QPoint(v, v))) << v;
    }

    // A scale that would round to nothing keeps one unit, with its sign.
    const Mapping tiny = scaled(MapMode::Isotropic, 1, 1000, -1, 1);
    EXPECT_EQ(tiny.viewportExt(), QSize(-1, 1));
}
