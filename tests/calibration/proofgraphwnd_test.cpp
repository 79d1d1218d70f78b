// The calibration graph: its pixels at each zoom, the zoom steps and the zoom buttons.
#include "calibration/proofgraphwnd.h"

#include "support/testsupport.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <tuple>

namespace {

const QRgb kBack = qRgb(0, 64, 128), kGrid = qRgb(0, 128, 128), kYellow = qRgb(255, 255, 0);
constexpr int kW = 300, kH = 200;  // client size; zooms 50, 100 and 200 map it to whole units

// Pixel of logical (x, y) at `zoom`: 24 units of margin, y upwards from the bottom edge.
QPoint pixel(int x, int y, int zoom) { return {(24 + x) * zoom / 100, kH - (24 + y) * zoom / 100}; }

}  // namespace

TEST(ProofGraph, GridAxesCurveAndMarkersScaleWithTheZoomThatStepsAndTheButtons) {
    QWidget host;
    CProofGraphWnd graph;
    graph.Create(QRect(10, 10, kW, kH), &host, 100);
    host.show();
    graph.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    const auto render = [&](int zoom) {  // steps to `zoom` and takes what the window paints
        for (int i = 0; i < 20 && graph.zoom() != zoom; ++i)
            graph.zoom() < zoom ? graph.OnGraphZoomIn() : graph.OnGraphZoomOut();
        return graph.grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    // A curve that runs below the x axis and out to a 32-bit extreme.
    graph.SetPoints({{50, 30}, {10, 30}, {10, -10}, {INT32_MAX, -10}});
    for (int zoom : {50, 100, 200}) {
        const QImage image = render(zoom);
        const int s2 = zoom / 50, pen = std::max(1, zoom / 100);  // pixels per 2 units; pen
        EXPECT_EQ(image.pixel(kW - 1, 0), kBack) << "background at " << zoom;
        EXPECT_EQ(image.pixel(pixel(20, 45, zoom)), kGrid) << "vertical grid line at " << zoom;
        EXPECT_EQ(image.pixel(pixel(70, 20, zoom)), kGrid) << "horizontal grid line at " << zoom;
        EXPECT_EQ(image.pixel(pixel(0, 50, zoom)), kYellow) << "y axis at " << zoom;
        EXPECT_EQ(image.pixel(kW - 16 * s2, kH - 14 * s2), kYellow) << "x arrowhead at " << zoom;
        EXPECT_EQ(image.pixel(10 * s2, 16 * s2), kYellow) << "y arrowhead at " << zoom;
        for (QPoint line : {pixel(70, 0, zoom), pixel(30, 30, zoom)}) {  // x axis and curve
            int n = 0;  // the line's thickness: one logical unit, at least one pixel
            for (int dy = -3; dy <= 3; ++dy) n += image.pixel(line + QPoint(0, dy)) == kYellow;
            EXPECT_EQ(n, pen) << "line thickness at " << zoom;
        }
        EXPECT_EQ(image.pixel(pixel(51, 30, zoom)), qRgb(255, 255, 255)) << "marker at " << zoom;
        EXPECT_EQ(image.pixel(pixel(10, -5, zoom)), kYellow) << "curve below the axis at " << zoom;
        EXPECT_EQ(image.pixel(pixel(100, -10, zoom)), kYellow) << "curve to the edge at " << zoom;
    }
    graph.SetPoints({{10, 30}});
    EXPECT_EQ(render(100).pixel(pixel(11, 31, 100)), kBack) << "one point: no curve, no marker";
    graph.SetPoints({{10, 20}, {80, 90}, {40, 60}});
    EXPECT_EQ(render(100).pixel(pixel(13, 24, 100)), kBack) << "joined as listed: no 10 -> 40";

    for (int i = 0; i < 32; ++i) {  // from 100: 10 steps up to 200, 2 more, 18 down to 20, 2 more
        const int expected = std::clamp(graph.zoom() + (i < 12 ? 10 : -10), 20, 200);
        QCoreApplication::processEvents();
        velmora::test::PaintCounter counter(&graph);
        i < 12 ? graph.OnGraphZoomIn() : graph.OnGraphZoomOut();
        QCoreApplication::processEvents();
        EXPECT_EQ(counter.paints, 1) << "zoom step " << i << " repaints";
        EXPECT_EQ(graph.zoom(), expected) << "zoom step " << i;
    }
    // The buttons show only under the cursor, "+" top right and "-" top left.
    auto* plus = graph.findChild<QPushButton*>("ctrl_32001");
    auto* minus = graph.findChild<QPushButton*>("ctrl_32002");
    ASSERT_TRUE(plus && minus);
    graph.resize(250, 120);
    for (auto [x, y, shown] :
         {std::tuple{240, 8, "+"}, {233, 15, ""}, {120, 60, ""}, {3, 15, "-"}}) {
        QTest::mouseMove(&graph, QPoint(x, y));
        EXPECT_EQ(QString(plus->isVisible() ? "+" : "") + (minus->isVisible() ? "-" : ""), shown)
            << "with the cursor at " << x << ',' << y;
    }
    QTest::mouseMove(&graph, QPoint(240, 8));
    QTest::mouseClick(plus, Qt::LeftButton);
    EXPECT_EQ(graph.zoom(), 30) << "\"+\" zooms in";
    QTest::mouseMove(plus, QPoint(8, 8));
    ASSERT_TRUE(plus->isVisible());
    QTest::mouseMove(&host, QPoint(host.width() - 1, host.height() - 1));
    EXPECT_FALSE(plus->isVisible()) << "leaving the button for outside the graph hides it";
}
