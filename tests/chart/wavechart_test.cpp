// The chart window: creation, repaint requests, rendered pixels and the context menu.
#include "chart/wavechart.h"

#include "platform/keystate.h"
#include "platform/menu.h"
#include "res/editions.h"
#include "res/resource.h"

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <tuple>
#include <vector>

namespace {

const QRgb kBlue = qRgb(0, 0, 192), kWhite = qRgb(255, 255, 255), kRed = qRgb(255, 0, 0),
           kGreen = qRgb(0, 255, 0), kBlack = qRgb(0, 0, 0);

// Pixel row of logical y in a 100-pixel plot at Y zoom 20 %: 5 units a row, 0 on row 99.
int row(int y) { return (995 - 2 * y) / 10; }

std::vector<int> columnsWith(const QImage& image, int y, QRgb color) {
    std::vector<int> xs;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) == color) xs.push_back(x);
    return xs;
}
int countColor(const QImage& image, QRgb color) {  // RGB32 rows have no padding
    const QRgb* pixels = reinterpret_cast<const QRgb*>(image.constBits());
    return int(std::count(pixels, pixels + image.width() * image.height(), color));
}

// Records the repainted rectangles and counts the mouse and context-menu events of a widget.
class Recorder : public QObject {
public:
    explicit Recorder(QWidget* w) { w->installEventFilter(this); }
    std::vector<QRect> paints;
    int clicks = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            paints.push_back(static_cast<QPaintEvent*>(e)->region().boundingRect());
        clicks += e->type() == QEvent::ContextMenu || e->type() == QEvent::MouseButtonPress ||
                  e->type() == QEvent::MouseButtonRelease;
        return false;
    }
};

class WaveChartTest : public ::testing::Test {
protected:
    void SetUp() override { velmora::installResources(velmora::englishResources()); }

    // The chart as the main dialog prepares it.
    void startUp(int width = 774, int height = 100) {
        chart.ClearData();
        chart.m_bShowAux = true;
        chart.SetZoom(100, 20);
        host.resize(width + 20, height + 20);
        chart.Create(QRect(10, 10, width, height), &host, IDC_WAVE_CHART);
    }
    void add(int value, int count, int ch1 = 0, int ch2 = 0) {
        for (int i = 0; i < count; ++i) chart.AddPoint(value, ch1, ch2, 0);
    }
    QImage render() {
        QImage image(chart.size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);  // anything the paint leaves out shows up
        chart.render(&image);
        return image;
    }
    // The zoom status, then the marks of zoom X, zoom Y, page-turning and scrolling.
    QString menuState() {
        velmora::Menu menu;
        QMenu* popup = chart.PrepareMenu(menu);
        QString state = velmora::Menu::findCommand(popup, ID_ZOOM_STATUS)->text() + ' ';
        for (int id : {ID_ZOOM_MODE_X, ID_ZOOM_MODE_Y, ID_DISPLAY_TURN, ID_DISPLAY_SCROLL})
            state += velmora::Menu::findCommand(popup, id)->isChecked() ? '+' : '-';
        return state;
    }
    QString step(int id, int n = 1) {
        while (n-- > 0) chart.OnCommand(id);
        return menuState();
    }

    QWidget host;
    CWaveChart chart;
};

}  // namespace

TEST_F(WaveChartTest, SizedOnCreateThenRepaintsAStripPerSampleOrAllWhenScrolling) {
    chart.AddPoint(1234, 1, 2, 3);  // no window yet: dropped
    EXPECT_EQ(chart.m_nWrite, 0);
    startUp(200, 60);  // the host is not shown: the capacity must not wait for it
    EXPECT_EQ(chart.RecalcCapacity(), 200);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    QApplication::processEvents();
    Recorder chartEvents(&chart), hostEvents(&host);
    chart.AddPoint(100, 0, 0, 0);  // x = 1: strip from -3 to 5, full height
    QApplication::processEvents();
    chart.OnCommand(ID_DISPLAY_SCROLL);
    chart.AddPoint(100, 0, 0, 0);
    QApplication::processEvents();
    EXPECT_EQ(chartEvents.paints, (std::vector<QRect>{{0, 0, 5, 60}, {0, 0, 200, 60}}));
    EXPECT_TRUE(hostEvents.paints.empty());
    chart.resize(50, 60);  // a resize recomputes the capacity and compacts
    EXPECT_EQ(chart.RecalcCapacity(), 50);
}

TEST_F(WaveChartTest, ValuesMapOntoRowsAndOutOfRangeValuesAreClipped) {
    startUp();
    chart.m_bShowAux = false;
    EXPECT_EQ(countColor(render(), kBlue), 774 * 100);  // empty: the blue field only
    for (int v = 0; v <= 495; v += 5) add(v, 1);        // 0 on row 99 ... 495 on row 0
    const QImage image = render();
    for (int p = 0; p < 100; ++p) EXPECT_EQ(image.pixel(p, row(5 * p)), kWhite) << p;
    // 500 lies one row above the plot, 65535 far above; neither wraps into view.
    chart.ClearData();
    add(500, 5);
    add(65535, 5);
    EXPECT_EQ(countColor(render(), kBlue), 774 * 100);
}

TEST_F(WaveChartTest, OneBandTracesAuxLineAndMovedDownBaseline) {
    startUp();
    add(250, 1);  // one sample draws nothing, two a segment
    EXPECT_EQ(countColor(render(), kWhite) + countColor(render(), kGreen), 0);
    add(250, 1);
    EXPECT_EQ(columnsWith(render(), row(250), kWhite), (std::vector<int>{0, 1}));
    add(250, 38);  // the auxiliary 0 runs along the bottom up to the newest sample
    const std::vector<int> green = columnsWith(render(), 99, kGreen);
    EXPECT_EQ(green.size(), 40u);
    EXPECT_EQ(green.back(), 39);
    EXPECT_EQ(chart.CalcBaseline(), 250);
    QImage image = render();  // moved down by 4/5 of 250: line and trace at 50, aux below
    EXPECT_EQ(image.pixel(5, row(50)), kWhite);
    EXPECT_EQ(columnsWith(image, row(50), kRed).size(), 774u - 40);
    EXPECT_EQ(countColor(image, kRed) + countColor(image, kGreen), 774 - 40);
    chart.m_bMoveDown = false;
    EXPECT_EQ(columnsWith(render(), row(250), kRed).size(), 774u - 40);
    chart.ClearData();  // forgets the aux trace and baseline 0
    add(250, 40);
    image = render();
    EXPECT_EQ(countColor(image, kGreen) + countColor(image, kRed), 0);
    EXPECT_EQ(countColor(image, kWhite), 40);
}

TEST_F(WaveChartTest, TwoAndThreeBandsPutChannelZeroOnTop) {
    startUp();
    chart.m_bMoveDown = false;
    chart.m_nChannels = 2;
    add(200, 10, 50);
    chart.CalcBaseline();  // baselines 200 and 50, each in its own band
    QImage image = render();
    for (int y : {250 + 200, 50}) EXPECT_EQ(image.pixel(5, row(y)), kWhite) << y;
    for (int y : {250 + 200, 50}) EXPECT_EQ(image.pixel(400, row(y)), kRed) << y;
    EXPECT_EQ(image.pixel(400, row(250)), kBlack);  // separator
    chart.ClearData();
    chart.m_nChannels = 3;
    add(150, 10, 100, 50);
    chart.CalcBaseline();  // baseline 0 = 150, shown in all three bands
    image = render();
    const int t = 500 / 3;
    for (int y : {2 * t + 150, t + 100, 50}) EXPECT_EQ(image.pixel(5, row(y)), kWhite) << y;
    for (int y : {2 * t, t}) EXPECT_EQ(image.pixel(400, row(y)), kBlack) << y;
    EXPECT_EQ(image.pixel(400, row(t + 150)), kRed);
    EXPECT_EQ(countColor(image, kRed), 3 * 774 - 10);  // channel 0 hides 10 of its line
}

TEST_F(WaveChartTest, MenuCommandsZoomStepwiseAndSwitchModes) {
    startUp();
    EXPECT_EQ(menuState(), "[X=100%; Y=20%] +++-");
    EXPECT_EQ(step(ID_DISPLAY_SCROLL), "[X=100%; Y=20%] ++-+");
    add(0, 800);  // wrapped: start 26, write 26
    EXPECT_EQ(step(ID_DISPLAY_TURN), "[X=100%; Y=20%] +++-");
    EXPECT_EQ(chart.m_nWrite, 26);  // the entries from index 0 on
    EXPECT_FALSE(chart.OnCommand(ID_ZOOM_STATUS));  // the status item does nothing

    EXPECT_EQ(step(ID_ZOOM_IN, 10), "[X=200%; Y=70%] +++-");
    EXPECT_EQ(chart.RecalcCapacity(), 387);
    EXPECT_EQ(step(ID_ZOOM_IN, 26), "[X=200%; Y=200%] +++-");  // X rests while Y climbs
    EXPECT_EQ(step(ID_ZOOM_IN), "[X=100%; Y=50%] +++-");
    EXPECT_EQ(step(ID_ZOOM_OUT, 9), "[X=10%; Y=10%] +++-");
    EXPECT_EQ(step(ID_ZOOM_OUT), "[X=100%; Y=50%] +++-");
    EXPECT_EQ(chart.RecalcCapacity(), 774);

    velmora::setShiftQuery([] { return true; });  // Shift resets either way
    EXPECT_EQ(step(ID_ZOOM_IN), "[X=100%; Y=50%] +++-");
    EXPECT_EQ(step(ID_ZOOM_OUT), "[X=100%; Y=50%] +++-");
    velmora::setShiftQuery({});

    // A switched-off axis stays; the other stops at its limit without a reset.
    EXPECT_EQ(step(ID_ZOOM_MODE_X), "[X=100%; Y=50%] -++-");
    EXPECT_EQ(step(ID_ZOOM_IN, 60), "[X=100%; Y=200%] -++-");

    // Values within 1..10,000 % are stored as given and stepped from there.
    chart.SetZoom(500, 3);
    EXPECT_EQ(step(ID_ZOOM_IN), "[X=500%; Y=8%] -++-");
}

TEST_F(WaveChartTest, SetZoomIgnoresValuesOutsideOneToTenThousandPercent) {
    startUp();
    // {X, Y, status afterwards}, each from X = 100 %, Y = 20 %.
    const std::tuple<int, int, const char*> cases[] = {
        {0, -5, "[X=100%; Y=20%]"},           {10001, INT_MAX, "[X=100%; Y=20%]"},
        {INT_MIN, 10001, "[X=100%; Y=20%]"}, {10000, 1, "[X=10000%; Y=1%]"},
        {1, 10000, "[X=1%; Y=10000%]"},
    };
    for (const auto& [x, y, status] : cases) {
        chart.SetZoom(100, 20);
        chart.SetZoom(x, y);
        EXPECT_EQ(menuState().section(' ', 0, 1), status) << x << " " << y;
    }
}

TEST_F(WaveChartTest, RightClickOpensTheMenuAndNeverReachesTheParent) {
    startUp(200, 60);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    Recorder hostEvents(&host);
    // While the menu is open, choose its first item (Zoom In) by keyboard.
    QTimer::singleShot(0, [&] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!popup) return;
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return);
    });
    // Through the window, so that the press also raises a context-menu request.
    QTest::mouseClick(host.windowHandle(), Qt::RightButton, {}, chart.mapTo(&host, QPoint(20, 20)));
    EXPECT_EQ(menuState(), "[X=110%; Y=25%] +++-");
    EXPECT_EQ(hostEvents.clicks, 0);
}

TEST_F(WaveChartTest, MenuItemsAreFoundAndMarkedByCommandId) {
    velmora::Menu menu;
    EXPECT_FALSE(menu.loadMenu(9999));
    ASSERT_TRUE(menu.loadMenu(IDR_WAVE_MENU));
    QMenu* popup = menu.subMenu(0);
    EXPECT_FALSE(velmora::Menu::checkItem(popup, 12345, true));
    ASSERT_TRUE(velmora::Menu::checkItem(popup, ID_DISPLAY_SCROLL, true));
    ASSERT_TRUE(velmora::Menu::checkItem(popup, ID_DISPLAY_SCROLL, false));
    EXPECT_FALSE(velmora::Menu::findCommand(popup, ID_DISPLAY_SCROLL)->isCheckable());
}
