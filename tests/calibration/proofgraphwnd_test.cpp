// The calibration graph: rendered pixels at each zoom, zoom steps, repaint requests and the
// zoom buttons that appear under the cursor.
#include "calibration/proofgraphwnd.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
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
    QImage render(int zoom) {
        for (int i = 0; i < 20 && graph.zoom() != zoom; ++i)
            graph.zoom() < zoom ? graph.OnGraphZoomIn() : graph.OnGraphZoomOut();
        EXPECT_EQ(graph.zoom(), zoom);
        QImage image(kW, kH, QImage::Format_RGB32);
        image.fill(Qt::magenta);  // anything the paint leaves out shows up
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

TEST_F(ProofGraphTest, GridAxesAndPensScaleWithTheZoom) {
    EXPECT_EQ(graph.objectName(), "ctrl_100");
    EXPECT_TRUE(graph.isHidden());
    graph.SetPoints({{10, 30}, {50, 30}});  // a horizontal curve
    const QPoint across(1, 0), down(0, 1);
    for (auto [zoom, width] : std::vector<std::pair<int, int>>{{50, 1}, {100, 1}, {200, 2}}) {
        SCOPED_TRACE(zoom);
        const QImage image = render(zoom);
        const int s2 = zoom / 50;  // pixels per 2 logical units
        for (QPoint p : {QPoint(0, 0), QPoint(kW - 1, kH - 1), pixel(10, 10, zoom)})
            EXPECT_EQ(image.pixel(p), kBack);
        EXPECT_EQ(image.pixel(pixel(20, 50, zoom)), kGrid);  // vertical line x = 20
        EXPECT_EQ(image.pixel(pixel(30, 20, zoom)), kGrid);  // horizontal line y = 20
        // Both axes, then the arrowheads at the right end of x (W = w / s - 48) and top of y.
        for (QPoint p : {pixel(0, 50, zoom), pixel(50, 0, zoom), QPoint(kW - 16 * s2, kH - 14 * s2),
                         QPoint(kW - 16 * s2, kH - 10 * s2), QPoint(10 * s2, 16 * s2),
                         QPoint(14 * s2, 16 * s2)})
            EXPECT_EQ(image.pixel(p), kYellow) << p.x() << ',' << p.y();
        EXPECT_EQ(image.pixel(14 * s2, kH - 16 * s2), kBack);  // no arrowhead at the origin
        // One logical unit of pen: x axis, grid, curve and the last marker's right edge.
        EXPECT_EQ(thickness(image, pixel(70, 0, zoom), down, kYellow), width);
        EXPECT_EQ(thickness(image, pixel(40, 10, zoom), across, kGrid), width);
        EXPECT_EQ(thickness(image, pixel(30, 30, zoom), down, kYellow), width);
        if (zoom >= 100) {  // at 50 the marker is a 2 x 2 block
            EXPECT_EQ(thickness(image, pixel(51, 30, zoom), across, kWhite), width);
        }
    }
    EXPECT_EQ(render(50).pixel(12, 188), kYellow);  // at zoom 50 the axes meet at (12, 188)
    // The window paints what PaintGraph paints (its buttons are hidden).
    EXPECT_EQ(graph.grab().toImage().convertToFormat(QImage::Format_RGB32), render(100));
}

TEST_F(ProofGraphTest, CurveAndMarkersNeedTwoPointsAndFollowTheListOrder) {
    const QImage empty = render(100);
    graph.AddPoint(10, 20, true);
    EXPECT_EQ(render(100), empty);  // one point draws nothing
    graph.AddPoint(40, 60, true);
    QImage image = render(100);
    EXPECT_EQ(image.pixel(pixel(13, 24, 100)), kYellow);  // on the segment, off the grid
    for (QPoint p : {QPoint(10, 20), QPoint(40, 60)}) {
        for (int d = 0; d < 9; ++d)  // a white 3 x 3 outline around the curve's yellow end
            EXPECT_EQ(image.pixel(pixel(p.x() + d % 3 - 1, p.y() + d / 3 - 1, 100)),
                      d == 4 ? kYellow : kWhite);
    }
    // Joined as listed, never sorted: 10 -> 80 -> 40 leaves no segment from 10 to 40.
    graph.SetPoints({{10, 20}, {80, 90}, {40, 60}});
    image = render(100);
    EXPECT_EQ(image.pixel(pixel(13, 24, 100)), kBack);
    EXPECT_EQ(image.pixel(pixel(60, 75, 100)), kYellow);
    EXPECT_TRUE(graph.ClearPoints());
    EXPECT_EQ(render(100), empty);
}

TEST_F(ProofGraphTest, FarAndNegativePointsAreCutOnlyByTheWindowEdges) {
    struct Case {
        velmora::ProofPointList points;
        int zoom;
        QPoint probe;  // a logical point on the curve, inside the window
    };
    for (const Case& c : std::vector<Case>{
             {{{0, 0}, {65535, 65535}}, 200, {30, 30}},
             {{{0, 0}, {INT32_MAX, INT32_MAX}}, 200, {30, 30}},
             {{{INT32_MIN, 10}, {0, 10}}, 200, {-10, 10}},
             {{{-20, 30}, {-20, 60}}, 100, {-20, 45}},
             {{{10, -10}, {400, -10}}, 100, {200, -10}},
         }) {
        graph.SetPoints(c.points);
        EXPECT_EQ(render(c.zoom).pixel(pixel(c.probe.x(), c.probe.y(), c.zoom)), kYellow)
            << c.points.front().x << ' ' << c.points.back().x;
    }
}

TEST_F(ProofGraphTest, ZoomStepsByTenBetweenLimitsAndSurvivesRecreation) {
    std::vector<int> seen;
    for (int i = 0; i < 37; ++i) {
        i < 17 ? graph.OnGraphZoomIn() : graph.OnGraphZoomOut();
        seen.push_back(graph.zoom());
    }
    EXPECT_EQ((std::vector<int>{seen[0], seen[14], seen[16], seen[17], seen[34], seen[36]}),
              (std::vector<int>{60, 200, 200, 190, 20, 20}));
    graph.OnGraphZoomIn();
    graph.Create(QRect(0, 0, 100, 80), &host, 100);
    EXPECT_EQ(graph.zoom(), 30);
    EXPECT_EQ(graph.findChildren<QPushButton*>().size(), 2);  // replaced, not doubled
}

TEST_F(ProofGraphTest, EveryChangeButAQuietAddPointRequestsARepaint) {
    showAll();
    EXPECT_EQ(paintsAfter([&] { graph.AddPoint(5, 6, false); }), 0);
    EXPECT_EQ(paintsAfter([&] { graph.AddPoint(7, 8, true); }), 1);
    EXPECT_EQ(paintsAfter([&] { graph.SetPoints({{1, 2}, {1, 2}}); }), 1);
    EXPECT_EQ(graph.points().size(), 2u);
    EXPECT_EQ(paintsAfter([&] { graph.ClearPoints(); }), 1);
    render(200);  // at either limit the zoom stays and the window still repaints
    EXPECT_EQ(paintsAfter([&] { graph.OnGraphZoomIn(); }), 1);
    render(20);
    EXPECT_EQ(paintsAfter([&] { graph.OnGraphZoomOut(); }), 1);
}

TEST_F(ProofGraphTest, ZoomButtonsShowUnderTheCursorAndKeepToTheTopCorners) {
    auto* plus = graph.findChild<QPushButton*>("ctrl_32001");
    auto* minus = graph.findChild<QPushButton*>("ctrl_32002");
    ASSERT_NE(plus, nullptr);
    ASSERT_NE(minus, nullptr);
    EXPECT_EQ(plus->text() + minus->text(), "+-");
    EXPECT_TRUE(plus->isFlat());
    EXPECT_TRUE(minus->isFlat());
    showAll();
    // Showing the graph keeps them hidden.
    EXPECT_FALSE(plus->isVisible());
    EXPECT_FALSE(minus->isVisible());
    EXPECT_EQ(minus->geometry(), QRect(0, 0, 16, 16));
    EXPECT_EQ(plus->geometry(), QRect(kW - 16, 0, 16, 16));
    graph.resize(250, 120);
    EXPECT_EQ(plus->geometry(), QRect(234, 0, 16, 16));

    QTest::mouseMove(&graph, QPoint(240, 8));
    EXPECT_TRUE(plus->isVisible());
    EXPECT_FALSE(minus->isVisible());
    QTest::mouseMove(&graph, QPoint(120, 60));
    EXPECT_FALSE(plus->isVisible());
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 15), graph.mapToGlobal(QPointF(3, 15)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&graph, &move);
    EXPECT_TRUE(minus->isVisible());

    QTest::mouseMove(&graph, QPoint(240, 8));
    QTest::mouseClick(plus, Qt::LeftButton);
    EXPECT_EQ(graph.zoom(), 60);
    // Leaving the shown button for somewhere outside the graph hides it as well.
    QTest::mouseMove(plus, QPoint(8, 8));
    ASSERT_TRUE(plus->isVisible());
    QTest::mouseMove(&host, QPoint(host.width() - 1, host.height() - 1));
    EXPECT_FALSE(plus->isVisible());
}
