// The chart window: creation, invalidation, rendering checked pixel by pixel, and the
// context menu with its zoom and display commands.
#include "chart/wavechart.h"

#include "platform/keystate.h"
#include "platform/menu.h"
#include "res/editions.h"
#include "res/resource.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QPaintEvent>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

const QRgb kBlue = qRgb(0, 0, 192);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kBlack = qRgb(0, 0, 0);

// The pixel row of logical y for a 100-pixel plot at Y zoom 20 %: 5 units per row, y = 0
// on row 99, rounded to the nearest row.
int row(int y) { return static_cast<int>(std::floor((495 - y) / 5.0 + 0.5)); }

QImage render(CWaveChart& chart) {
    QImage image(chart.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);  // anything the paint leaves out shows up
    chart.render(&image);
    return image;
}

// Columns of row y holding `color`, and the count of such pixels in the whole image.
std::vector<int> columnsWith(const QImage& image, int y, QRgb color) {
    std::vector<int> xs;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) == color) xs.push_back(x);
    return xs;
}
int countColor(const QImage& image, QRgb color) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) n += int(columnsWith(image, y, color).size());
    return n;
}

// Records the paint events a widget receives.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget* w) { w->installEventFilter(this); }
    std::vector<QRegion> regions;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) regions.push_back(static_cast<QPaintEvent*>(e)->region());
        return false;
    }
};

// A parent that counts what reaches it from the chart.
class Host : public QWidget {
public:
    int contextMenus = 0;
    int releases = 0;
    int presses = 0;

protected:
    void contextMenuEvent(QContextMenuEvent*) override { ++contextMenus; }
    void mouseReleaseEvent(QMouseEvent*) override { ++releases; }
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

class WaveChartTest : public ::testing::Test {
protected:
    void SetUp() override { velmora::installResources(velmora::englishResources()); }
    void TearDown() override { velmora::setShiftQuery({}); }

    // The chart as the main dialog prepares it, on a plot of width x height pixels.
    CWaveChart& startUp(int width = 774, int height = 100) {
        chart.ClearData();
        chart.m_nChannels = 1;
        chart.m_bShowAux = true;
        chart.SetZoom(100, 20);
        host.resize(width + 20, height + 20);
        chart.Create(QRect(10, 10, width, height), &host, IDC_WAVE_CHART);
        return chart;
    }

    void add(int value, int count, int ch1 = 0, int ch2 = 0) {
        for (int i = 0; i < count; ++i)
            chart.AddPoint(static_cast<std::uint16_t>(value), static_cast<std::uint16_t>(ch1),
                           static_cast<std::uint16_t>(ch2), 0);
    }

    QString statusText() {
        velmora::Menu menu;
        QMenu* popup = chart.PrepareMenu(menu);
        return popup ? velmora::Menu::findCommand(popup, ID_ZOOM_STATUS)->text() : QString();
    }
    bool marked(int id) {
        velmora::Menu menu;
        QMenu* popup = chart.PrepareMenu(menu);
        return popup && velmora::Menu::findCommand(popup, id)->isChecked();
    }

    Host host;
    CWaveChart chart;
};

}  // namespace

TEST_F(WaveChartTest, CreateMakesANamedVisibleChildSizedAtOnce) {
    chart.AddPoint(1234, 1, 2, 3);  // no window yet: dropped
    EXPECT_FALSE(chart.IsWindow());
    EXPECT_EQ(chart.m_nWrite, 0);
    EXPECT_EQ(chart.m_wData[0][0], 0);

    startUp();  // the host is not shown: the capacity must not wait for it
    EXPECT_TRUE(chart.IsWindow());
    EXPECT_EQ(chart.parentWidget(), &host);
    EXPECT_EQ(chart.objectName(), "ctrl_100");
    EXPECT_EQ(chart.geometry(), QRect(10, 10, 774, 100));
    EXPECT_TRUE(chart.isVisibleTo(&host));
    EXPECT_EQ(chart.m_nCapacity, 774);

    add(1234, 100);
    host.show();
    chart.resize(50, 100);  // a resize recomputes the capacity and compacts
    EXPECT_EQ(chart.m_nCapacity, 50);
    EXPECT_EQ(chart.m_nWrite, 50);
}

TEST_F(WaveChartTest, RepaintsAStripPerSampleWithoutTouchingTheParent) {
    startUp(200, 60);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    QApplication::processEvents();
    PaintRecorder chartPaints(&chart);
    PaintRecorder hostPaints(&host);

    // First sample: x = 100 * 1 / 100 = 1, strip from -3 to 5 over the full height.
    chart.AddPoint(100, 0, 0, 0);
    QApplication::processEvents();
    ASSERT_EQ(chartPaints.regions.size(), 1u);
    EXPECT_EQ(chartPaints.regions[0].boundingRect(), QRect(0, 0, 5, 60));

    // At 200 %: x = 4 (strip 0..8) and x = 6 (strip 2..10), coalesced into one paint.
    chart.SetZoom(200, 20);
    QApplication::processEvents();
    chartPaints.regions.clear();
    add(100, 2);
    QApplication::processEvents();
    ASSERT_EQ(chartPaints.regions.size(), 1u);
    EXPECT_EQ(chartPaints.regions[0].boundingRect(), QRect(0, 0, 10, 60));

    // Scrolling repaints the whole plot per sample.
    chart.OnDisplayScroll();
    QApplication::processEvents();
    chartPaints.regions.clear();
    chart.AddPoint(100, 0, 0, 0);
    QApplication::processEvents();
    ASSERT_EQ(chartPaints.regions.size(), 1u);
    EXPECT_EQ(chartPaints.regions[0].boundingRect(), QRect(0, 0, 200, 60));
    EXPECT_TRUE(hostPaints.regions.empty());
}

TEST_F(WaveChartTest, ValuesMapOntoRowsAndOutOfRangeValuesAreClipped) {
    startUp();
    EXPECT_EQ(countColor(render(chart), kBlue), 774 * 100);  // empty: the blue field only
    chart.m_bShowAux = false;
    add(495, 10);
    QImage image = render(chart);
    EXPECT_EQ(columnsWith(image, 0, kWhite), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(countColor(image, kWhite), 10);

    chart.ClearData();
    add(0, 10);
    EXPECT_EQ(columnsWith(render(chart), 99, kWhite).size(), 10u);

    // 500 lies one row above the plot, 65535 far above; neither wraps into view.
    chart.ClearData();
    add(500, 5);
    add(65535, 5);
    EXPECT_EQ(countColor(render(chart), kBlue), 774 * 100);

    // A rising ramp: every sample at its own column and row.
    chart.ClearData();
    for (int v = 0; v <= 495; v += 5) add(v, 1);
    image = render(chart);
    for (int p = 0; p < 100; ++p) EXPECT_EQ(image.pixel(p, row(5 * p)), kWhite) << p;
}

TEST_F(WaveChartTest, OneSampleDrawsNothingAndTwoDrawASegment) {
    startUp();
    chart.m_bShowAux = false;
    add(300, 1);
    EXPECT_EQ(countColor(render(chart), kWhite), 0);
    add(300, 1);
    const QImage image = render(chart);
    EXPECT_EQ(columnsWith(image, row(300), kWhite), (std::vector<int>{0, 1}));
    EXPECT_EQ(countColor(image, kWhite), 2);
}

TEST_F(WaveChartTest, BaselineIsRedAndMovesDownWithTheTraces) {
    startUp();
    add(250, 10);
    EXPECT_EQ(chart.CalcBaseline(), 250);
    // Moved down by 4/5 of 250: the line and the trace both sit at 50.
    QImage image = render(chart);
    EXPECT_EQ(image.pixel(5, row(50)), kWhite);  // the trace is drawn over the line
    EXPECT_EQ(columnsWith(image, row(50), kRed).size(), 774u - 10);
    EXPECT_EQ(countColor(image, kRed), 774 - 10);
    EXPECT_EQ(countColor(image, kGreen), 0);  // the auxiliary 0 - 200 lies below the plot

    chart.m_bMoveDown = false;  // no repaint requested, the next paint shows it
    image = render(chart);
    EXPECT_EQ(image.pixel(100, row(250)), kRed);
    EXPECT_EQ(image.pixel(100, row(50)), kBlue);
    EXPECT_EQ(columnsWith(image, 99, kGreen).size(), 10u);
}

TEST_F(WaveChartTest, AuxiliaryTraceRunsAlongTheBottomUpToTheNewestSample) {
    startUp();
    add(300, 40);
    std::vector<int> first40;
    for (int x = 0; x < 40; ++x) first40.push_back(x);
    QImage image = render(chart);
    EXPECT_EQ(columnsWith(image, 99, kGreen), first40);
    EXPECT_EQ(columnsWith(image, row(300), kWhite), first40);

    chart.ClearData();
    add(300, 40);
    image = render(chart);
    EXPECT_EQ(countColor(image, kGreen), 0);
    EXPECT_EQ(countColor(image, kWhite), 40);
}

TEST_F(WaveChartTest, TwoAndThreeBandsPutChannelZeroOnTop) {
    startUp();
    chart.m_bMoveDown = false;
    chart.m_nChannels = 2;
    add(200, 10, 50);
    chart.CalcBaseline();  // baselines 200 and 50
    QImage image = render(chart);
    const int h = 500 / 2;
    EXPECT_EQ(image.pixel(5, row(h + 200)), kWhite);  // channel 0, upper band
    EXPECT_EQ(image.pixel(5, row(50)), kWhite);       // channel 1, lower band
    EXPECT_EQ(image.pixel(400, row(h)), kBlack);      // separator
    EXPECT_EQ(image.pixel(400, row(h + 200)), kRed);  // each band's own baseline
    EXPECT_EQ(image.pixel(400, row(50)), kRed);
    EXPECT_EQ(countColor(image, kGreen), 0);

    chart.ClearData();
    chart.m_nChannels = 3;
    add(150, 10, 100, 50);
    chart.CalcBaseline();  // baseline 0 = 150, used in all three bands
    image = render(chart);
    const int t = 500 / 3;
    EXPECT_EQ(image.pixel(5, row(2 * t + 150)), kWhite);
    EXPECT_EQ(image.pixel(5, row(t + 100)), kWhite);
    EXPECT_EQ(image.pixel(5, row(50)), kWhite);
    EXPECT_EQ(image.pixel(400, row(2 * t)), kBlack);
    EXPECT_EQ(image.pixel(400, row(t)), kBlack);
    // Three red lines; only channel 0 runs along its band's line and hides 10 pixels.
    EXPECT_EQ(countColor(image, kRed), 3 * 774 - 10);
    EXPECT_EQ(image.pixel(400, row(t + 150)), kRed);
}

TEST_F(WaveChartTest, OtherBandCountsDrawNoTraceButTheOneBandBaseline) {
    startUp();
    chart.m_bMoveDown = false;
    add(100, 10);
    chart.CalcBaseline();
    for (int channels : {0, 4, -1}) {
        chart.m_nChannels = channels;
        const QImage image = render(chart);
        EXPECT_EQ(countColor(image, kBlue) + countColor(image, kRed), 774 * 100) << channels;
        EXPECT_EQ(columnsWith(image, row(100), kRed).size(), 774u) << channels;
    }
}

TEST_F(WaveChartTest, ScrollingShowsTheNewestAtTheRightEdge) {
    startUp(100, 100);
    chart.m_bShowAux = false;
    chart.OnDisplayScroll();
    add(0, 100);
    add(495, 50);
    EXPECT_EQ(chart.m_nStart, 50);
    const QImage image = render(chart);
    EXPECT_EQ(columnsWith(image, 99, kWhite).size(), 50u);  // the 50 older on the left
    EXPECT_EQ(image.pixel(99, 0), kWhite);                  // the newest at the right edge
    EXPECT_EQ(image.pixel(10, 0), kBlue);

    // Back to page-turning: only the entries from index 0, the newest, from the left.
    chart.OnCommand(ID_DISPLAY_TURN);
    EXPECT_EQ(chart.m_nStart, 0);
    EXPECT_EQ(chart.displayCount(), 50);
    EXPECT_EQ(columnsWith(render(chart), 0, kWhite).size(), 50u);
}

TEST_F(WaveChartTest, MenuAfterStartUpShowsZoomAndMarks) {
    startUp();
    EXPECT_EQ(statusText(), "[X=100%; Y=20%]");
    EXPECT_TRUE(marked(ID_ZOOM_MODE_X));
    EXPECT_TRUE(marked(ID_ZOOM_MODE_Y));
    EXPECT_TRUE(marked(ID_DISPLAY_TURN));
    EXPECT_FALSE(marked(ID_DISPLAY_SCROLL));

    // Toggling an axis changes no percentage; the next menu shows the new mark.
    EXPECT_TRUE(chart.OnCommand(ID_ZOOM_MODE_X));
    EXPECT_FALSE(marked(ID_ZOOM_MODE_X));
    EXPECT_EQ(statusText(), "[X=100%; Y=20%]");
    EXPECT_TRUE(chart.OnCommand(ID_DISPLAY_SCROLL));
    EXPECT_TRUE(marked(ID_DISPLAY_SCROLL));
    EXPECT_FALSE(marked(ID_DISPLAY_TURN));
    EXPECT_FALSE(chart.OnCommand(ID_ZOOM_STATUS));  // the status item does nothing

    // Without the menu resource there is no menu.
    velmora::ResourceTable empty = velmora::englishResources();
    empty.menus = {};
    velmora::installResources(empty);
    velmora::Menu menu;
    EXPECT_EQ(chart.PrepareMenu(menu), nullptr);
}

TEST_F(WaveChartTest, ZoomStepsStopAtTheLimitsAndResetBeyondThem) {
    startUp();
    for (int i = 0; i < 10; ++i) chart.OnCommand(ID_ZOOM_IN);
    EXPECT_EQ(chart.m_nZoomX, 200);
    EXPECT_EQ(chart.m_nZoomY, 70);
    EXPECT_EQ(chart.m_nCapacity, 387);
    for (int i = 0; i < 26; ++i) chart.OnCommand(ID_ZOOM_IN);  // X rests while Y climbs
    EXPECT_EQ(chart.m_nZoomY, 200);
    chart.OnCommand(ID_ZOOM_IN);
    EXPECT_EQ(statusText(), "[X=100%; Y=50%]");

    chart.SetZoom(100, 20);
    for (int i = 0; i < 9; ++i) chart.OnCommand(ID_ZOOM_OUT);
    EXPECT_EQ(chart.m_nZoomX, 10);
    EXPECT_EQ(chart.m_nZoomY, 10);
    EXPECT_EQ(chart.m_nCapacity, 2048);
    chart.OnCommand(ID_ZOOM_OUT);
    EXPECT_EQ(statusText(), "[X=100%; Y=50%]");
    EXPECT_EQ(chart.m_nCapacity, 774);
}

TEST_F(WaveChartTest, ShiftResetsAndASwitchedOffAxisStopsTheOther) {
    startUp();
    velmora::setShiftQuery([] { return true; });
    chart.OnZoomIn();
    EXPECT_EQ(statusText(), "[X=100%; Y=50%]");
    chart.SetZoom(150, 120);
    chart.OnZoomOut();
    EXPECT_EQ(statusText(), "[X=100%; Y=50%]");
    velmora::setShiftQuery([] { return false; });

    chart.OnCommand(ID_ZOOM_MODE_X);
    for (int i = 0; i < 60; ++i) chart.OnZoomIn();
    EXPECT_EQ(statusText(), "[X=100%; Y=200%]");  // no reset: X is not at its limit
    chart.OnCommand(ID_ZOOM_MODE_X);
    chart.OnCommand(ID_ZOOM_MODE_Y);
    for (int i = 0; i < 60; ++i) chart.OnZoomOut();
    EXPECT_EQ(statusText(), "[X=10%; Y=200%]");

    // Non-positive values are ignored; others are stored as given and stepped from there.
    chart.OnCommand(ID_ZOOM_MODE_Y);
    chart.SetZoom(500, 3);
    chart.SetZoom(0, -5);
    EXPECT_EQ(render(chart).pixel(0, 0), kBlue);  // paints at such a zoom
    chart.OnZoomIn();
    EXPECT_EQ(statusText(), "[X=500%; Y=8%]");
}

TEST_F(WaveChartTest, RightClickOpensTheMenuAndNeverReachesTheParent) {
    startUp(200, 60);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));

    QString shownStatus;
    // While the menu is open, read it and choose the first item (Zoom In) by keyboard.
    QTimer::singleShot(0, [&] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!popup) return;
        if (QAction* status = velmora::Menu::findCommand(popup, ID_ZOOM_STATUS))
            shownStatus = status->text();
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return);
    });
    // Through the window, as the window system delivers it: the press also raises the
    // context-menu request that must stop at the chart.
    QTest::mouseClick(host.windowHandle(), Qt::RightButton, {}, chart.mapTo(&host, QPoint(20, 20)));
    EXPECT_EQ(shownStatus, "[X=100%; Y=20%]");
    EXPECT_EQ(chart.m_nZoomX, 110);
    EXPECT_EQ(chart.m_nZoomY, 25);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    QTest::mouseClick(host.windowHandle(), Qt::LeftButton, {}, chart.mapTo(&host, QPoint(20, 20)));
    QContextMenuEvent keyboardMenu(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                   chart.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&chart, &keyboardMenu);
    EXPECT_EQ(host.contextMenus, 0);
    EXPECT_EQ(host.releases, 0);
    EXPECT_EQ(host.presses, 0);
}
