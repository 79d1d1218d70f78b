// The calibration graph: pixels at each zoom, zoom steps, repaints and the zoom buttons.
#include "calibration/proofgraphwnd.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <tuple>
#include <vector>

namespace {

const QRgb kBack = qRgb(0, 64, 128), kGrid = qRgb(0, 128, 128), kYellow = qRgb(255, 255, 0),
           kWhite = qRgb(255, 255, 255);
constexpr int kW = 300, kH = 200;  // client size; zooms 50, 100 and 200 map it to whole units

// Pixel of logical (x, y) at `zoom`: 24 units of margin, y upwards from the bottom edge.
QPoint pixel(int x, int y, int zoom) { return {(24 + x) * zoom / 100, kH - (24 + y) * zoom / 100}; }

// Length of the run of `color` through `at` along `step`: a line's thickness across it.
int thickness(const QImage& image, QPoint at, QPoint step, QRgb color) {
    int n = 0;
    for (QPoint p = at; image.valid(p) && image.pixel(p) == color; p += step) ++n;
    for (QPoint p = at - step; n && image.valid(p) && image.pixel(p) == color; p -= step) ++n;
    return n;
}

class ProofGraphTest : public QObject, public ::testing::Test {
protected:
    void SetUp() override {
        host.resize(kW + 20, kH + 20);
        graph.Create(QRect(10, 10, kW, kH), &host, 100);
    }
    // Steps to `zoom` and paints into an image; what the paint leaves out stays magenta.
    QImage render(int zoom) {
        for (int i = 0; i < 20 && graph.zoom() != zoom; ++i)
            graph.zoom() < zoom ? graph.OnGraphZoomIn() : graph.OnGraphZoomOut();
        EXPECT_EQ(graph.zoom(), zoom);
        QImage image(kW, kH, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        graph.PaintGraph(&painter, image.size());
        return image;
    }
    void showAll() {
        host.show();
        graph.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
        QApplication::processEvents();
        graph.installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
        paints += e->type() == QEvent::Paint;
        return false;
    }
    // Paint events the graph gets for `change`, pending events processed.
    int paintsAfter(const std::function<void()>& change) {
        paints = 0;
        change();
        QApplication::processEvents();
        return paints;
    }

    int paints = 0;
    QWidget host;
    CProofGraphWnd graph;
};

}  // namespace

TEST_F(ProofGraphTest, GridAxesCurveAndMarkersScaleWithTheZoom) {
    EXPECT_EQ(graph.objectName(), "ctrl_100");
    EXPECT_TRUE(graph.isHidden());
    graph.SetPoints({{10, 30}, {50, 30}});  // a horizontal curve
    const QPoint across(1, 0), down(0, 1);
    for (auto [zoom, width] : {std::pair{50, 1}, {100, 1}, {200, 2}}) {
        SCOPED_TRACE(zoom);
        const QImage image = render(zoom);
        const int s2 = zoom / 50;  // pixels per 2 logical units
        for (QPoint p : {QPoint(0, 0), QPoint(kW - 1, kH - 1), pixel(10, 10, zoom)})
            EXPECT_EQ(image.pixel(p), kBack);
        EXPECT_EQ(image.pixel(pixel(20, 50, zoom)), kGrid);  // vertical line x = 20
        EXPECT_EQ(image.pixel(pixel(30, 20, zoom)), kGrid);  // horizontal line y = 20
        // Both axes, then the arrowheads at the right end of x and the top of y.
        for (QPoint p : {pixel(0, 50, zoom), pixel(50, 0, zoom), QPoint(kW - 16 * s2, kH - 14 * s2),
                         QPoint(kW - 16 * s2, kH - 10 * s2), QPoint(10 * s2, 16 * s2),
                         QPoint(14 * s2, 16 * s2)})
            EXPECT_EQ(image.pixel(p), kYellow) << p.x() << ',' << p.y();
        EXPECT_EQ(image.pixel(14 * s2, kH - 16 * s2), kBack);  // no arrowhead at the origin
        // One logical unit of pen: x axis, grid, curve and the last marker's right edge.
        EXPECT_EQ(thickness(image, pixel(70, 0, zoom), down, kYellow), width);
        EXPECT_EQ(thickness(image, pixel(40, 10, zoom), across, kGrid), width);
        EXPECT_EQ(thickness(image, pixel(30, 30, zoom), down, kYellow), width);
        if (zoom == 50) continue;  // a marker is a 2 x 2 block there
        EXPECT_EQ(thickness(image, pixel(51, 30, zoom), across, kWhite), width);
        for (int d = 0; d < 9 && zoom == 100; ++d)  // a white outline around the curve's end
            EXPECT_EQ(image.pixel(pixel(49 + d % 3, 29 + d / 3, 100)), d == 4 ? kYellow : kWhite);
    }
    // The window paints what PaintGraph paints (its buttons are hidden).
    EXPECT_EQ(graph.grab().toImage().convertToFormat(QImage::Format_RGB32), render(100));
}

TEST_F(ProofGraphTest, CurveNeedsTwoPointsJoinsThemAsListedAndOnlyTheWindowEdgesCutIt) {
    // The points, the zoom, a logical point inside the window and its colour.
    const std::tuple<velmora::ProofPointList, int, QPoint, QRgb> cases[] = {
        {{{10, 30}}, 100, {11, 31}, kBack},  // one point: no marker either
        {{{10, 20}, {80, 90}, {40, 60}}, 100, {60, 75}, kYellow},
        {{{10, 20}, {80, 90}, {40, 60}}, 100, {13, 24}, kBack},  // never sorted: no 10 -> 40
        {{{0, 0}, {INT32_MAX, INT32_MAX}}, 200, {30, 30}, kYellow},
        {{{INT32_MIN, 10}, {0, 10}}, 200, {-10, 10}, kYellow},
        {{{-20, 30}, {-20, 60}}, 100, {-20, 45}, kYellow},
        {{{10, -10}, {400, -10}}, 100, {200, -10}, kYellow},
    };
    for (const auto& [points, zoom, probe, color] : cases) {
        graph.SetPoints(points);
        EXPECT_EQ(render(zoom).pixel(pixel(probe.x(), probe.y(), zoom)), color)
            << points.size() << " points from x = " << points.front().x;
    }
}

TEST_F(ProofGraphTest, ZoomStepsByTenBetweenLimitsRepaintingEachTimeAndSurvivesRecreation) {
    showAll();
    std::vector<int> seen;
    for (int i = 0; i < 37; ++i) {
        const auto step = [&] { i < 17 ? graph.OnGraphZoomIn() : graph.OnGraphZoomOut(); };
        EXPECT_EQ(paintsAfter(step), 1) << i;  // at either limit too
        seen.push_back(graph.zoom());
    }
    EXPECT_EQ((std::vector<int>{seen[0], seen[14], seen[16], seen[17], seen[34], seen[36]}),
              (std::vector<int>{60, 200, 200, 190, 20, 20}));
    graph.OnGraphZoomIn();
    graph.Create(QRect(0, 0, 100, 80), &host, 100);
    EXPECT_EQ(graph.zoom(), 30);
    EXPECT_EQ(graph.findChildren<QPushButton*>().size(), 2);  // replaced, not doubled
}

TEST_F(ProofGraphTest, PointChangesRepaintUnlessAQuietAddPoint) {
    showAll();
    EXPECT_EQ(paintsAfter([&] { graph.AddPoint(5, 6, false); }), 0);
    EXPECT_EQ(paintsAfter([&] { graph.AddPoint(7, 8, true); }), 1);
    EXPECT_EQ(graph.points(), (std::vector<QPoint>{{5, 6}, {7, 8}}));
    EXPECT_EQ(paintsAfter([&] { graph.SetPoints({{1, 2}}); }), 1);
    EXPECT_EQ(paintsAfter([&] { EXPECT_TRUE(graph.ClearPoints()); }), 1);
    EXPECT_TRUE(graph.points().empty());
}

TEST_F(ProofGraphTest, ZoomButtonsShowUnderTheCursorAndKeepToTheTopCorners) {
    auto* plus = graph.findChild<QPushButton*>("ctrl_32001");
    auto* minus = graph.findChild<QPushButton*>("ctrl_32002");
    ASSERT_NE(plus, nullptr);
    ASSERT_NE(minus, nullptr);
    EXPECT_EQ(plus->text() + minus->text(), "+-");
    showAll();
    for (QPushButton* button : {plus, minus}) {
        EXPECT_TRUE(button->isFlat());
        EXPECT_FALSE(button->isVisible());  // showing the graph keeps them hidden
    }
    EXPECT_EQ(minus->geometry(), QRect(0, 0, 16, 16));
    graph.resize(250, 120);
    EXPECT_EQ(plus->geometry(), QRect(234, 0, 16, 16));
    // The cursor over "+", elsewhere, then over "-".
    for (auto [at, plusShown, minusShown] : {std::tuple{QPoint(240, 8), true, false},
                                             {QPoint(120, 60), false, false},
                                             {QPoint(3, 15), false, true}}) {
        QMouseEvent move(QEvent::MouseMove, at, graph.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&graph, &move);
        EXPECT_EQ(plus->isVisible(), plusShown) << at.x();
        EXPECT_EQ(minus->isVisible(), minusShown) << at.x();
    }
    QTest::mouseMove(&graph, QPoint(240, 8));
    QTest::mouseClick(plus, Qt::LeftButton);
    EXPECT_EQ(graph.zoom(), 60);
    // Leaving the shown button for somewhere outside the graph hides it as well.
    QTest::mouseMove(plus, QPoint(8, 8));
    ASSERT_TRUE(plus->isVisible());
    QTest::mouseMove(&host, QPoint(host.width() - 1, host.height() - 1));
    EXPECT_FALSE(plus->isVisible());
}
