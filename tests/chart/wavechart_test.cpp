// The chart window: the pixels it draws and shows, its paint pacing, and its context menu.
#include "chart/wavechart.h"

#include "platform/keystate.h"
#include "platform/menu.h"
#include "platform/tick.h"
#include "res/editions.h"
#include "res/resource.h"
#include "testsupport.h"

#include <QApplication>
#include <QBackingStore>
#include <QDebug>  // QRect in failure messages
#include <QPainter>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

void PrintTo(const QRect& r, std::ostream* os) { *os << QDebug::toString(r).toStdString(); }

namespace {

const QRgb kWhite = qRgb(255, 255, 255), kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 255, 0);

// floor(p / q + 1/2) for q > 0; exact in double for the small values used here.
int roundHalfUp(long long p, long long q) { return int(std::floor((2.0 * p + q) / (2.0 * q))); }

// Where a value lands: 100 logical units to zoom-percent pixels, rounded half up; top() is
// the value on the top row, so that 0 lies on the bottom row.
struct Rule {
    int height, zoomX, zoomY;
    int top() const { return -(roundHalfUp(-100 * height, zoomY) + roundHalfUp(100, zoomY)); }
    int row(int value) const { return roundHalfUp((top() - value) * zoomY, 100); }
    int col(int position) const { return roundHalfUp(position * zoomX, 100); }
    // The pixels of `value`'s row from column x0 to x1; none when the row is off the plot.
    QRect line(int value, int x0, int x1) const {
        const int y = row(value);
        return y >= 0 && y < height ? QRect(QPoint(x0, y), QPoint(x1, y)) : QRect();
    }
};

// The smallest rectangle holding every pixel of `color`; null when there is none.
QRect boxOf(const QImage& image, QRgb color) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == color) box |= QRect(x, y, 1, 1);
    return box;
}

// The chart as the main dialog prepares it, in a host window shown on request. The sample
// given before the window exists is dropped: a plot's first sample draws nothing.
struct Plot {
    QWidget host;
    CWaveChart chart;
    explicit Plot(int width = 200, int height = 60) {
        chart.m_bShowAux = true;
        chart.SetZoom(100, 20);
        chart.AddPoint(1234, 1, 2, 3);
        host.resize(width + 20, height + 20);
        chart.Create(QRect(10, 10, width, height), &host, IDC_WAVE_CHART);
    }
    bool show() {
        host.show();
        return QTest::qWaitForWindowExposed(&host);
    }
    void add(int value, int count) {
        for (int i = 0; i < count; ++i) chart.AddPoint(value, 0, 0, 0);
        chart.EndOfEvent();
    }
    // What the window shows of the chart: its backing store, which keeps every paint.
    QImage shown() {
        const auto* screen = static_cast<const QImage*>(host.backingStore()->paintDevice());
        return screen->copy(chart.geometry());
    }
    // A whole paint pass into an image; anything it leaves out stays magenta.
    QImage render() {
        QImage image(chart.size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        chart.PaintPlot(&painter);
        return image;
    }
};

// The menu as read on screen: "text#id" per command, '*' when marked, 'o' for an empty check
// box; "-" per separator; "title(...)" per sub-menu.
std::string describe(const QMenu* menu) {
    std::string text;
    for (const QAction* a : menu->actions()) {
        const std::string id = "#" + std::to_string(velmora::Menu::commandId(a));
        text += (text.empty() ? "" : " | ") + a->text().toStdString();
        text += a->isSeparator() ? "-" : a->menu() ? "(" + describe(a->menu()) + ")" : id;
        text += a->isChecked() ? "*" : a->isCheckable() ? "o" : "";
    }
    return text;
}

}  // namespace

TEST(WaveChart, TracesAndTheBaselineLandWhereTheMappingRoundsThemAtOddScales) {
    // {width, height, X zoom, Y zoom, samples, capacity}: 7,740 samples at 10 % do not fit.
    const int cases[][6] = {{150, 77, 150, 40, 12, 100}, {101, 63, 70, 24, 32, 144},
                            {120, 99, 45, 15, 40, 266},  {90, 51, 130, 85, 9, 69},
                            {64, 35, 200, 70, 20, 32},   {774, 30, 10, 65, 60, 2048}};
    for (const auto& [width, height, zoomX, zoomY, samples, capacity] : cases) {
        SCOPED_TRACE(testing::Message() << width << "x" << height << " " << zoomX << "%");
        const Rule rule{height, zoomX, zoomY};
        const int end = rule.col(samples - 1), v = rule.top() / 2 + 1, down = v * 4 / 5;
        Plot plot(width, height);
        plot.chart.SetZoom(zoomX, zoomY);
        EXPECT_EQ(plot.chart.RecalcCapacity(), capacity);
        plot.add(3 * v, capacity);
        plot.add(v, 1);                                    // a new page
        EXPECT_EQ(boxOf(plot.render(), kWhite), QRect());  // one sample draws nothing
        plot.add(v, samples - 1);
        EXPECT_EQ(boxOf(plot.render(), kGreen), rule.line(0, 0, end));  // the aux trace at 0
        plot.chart.CalcBaseline();  // the page's mean, v; trace and baseline move down by 4/5
        QImage image = plot.render();
        EXPECT_EQ(boxOf(image, kWhite), rule.line(v - down, 0, end));
        EXPECT_EQ(boxOf(image, kRed), rule.line(v - down, end + 1, width - 1));
        EXPECT_EQ(boxOf(image, kGreen), QRect());  // the aux trace, out of sight below
        plot.chart.m_bMoveDown = false;
        EXPECT_EQ(boxOf(plot.render(), kRed), rule.line(v, end + 1, width - 1));
        // Flat traces of 0 to just above the plot, and 65535, each after Clear Data: the row.
        std::vector<int> misplaced;
        for (int k = 0; k <= rule.top() + 3; ++k) {
            const int value = k > rule.top() + 2 ? 65535 : k;
            plot.chart.ClearData();
            plot.add(value, samples);
            image = plot.render();
            if (boxOf(image, kWhite) != rule.line(value, 0, end)) misplaced.push_back(value);
        }
        EXPECT_EQ(misplaced, std::vector<int>{});
        EXPECT_EQ(boxOf(image, kRed), QRect());    // Clear Data forgets the baseline
        EXPECT_EQ(boxOf(image, kGreen), QRect());  // and hides the aux trace
        plot.chart.ClearData();
        plot.chart.CalcBaseline();  // an empty chart's baseline: 0
        EXPECT_EQ(boxOf(plot.render(), kRed), rule.line(0, 0, width - 1));
    }
}

TEST(WaveChart, EachEditionsMenuOpensOnARightClickWithItsTextsIdsAndMarks) {
    // The commands given, then Zoom In chosen from the menu a right-click opens: the menu.
    const std::tuple<const velmora::ResourceTable& (*)(), std::vector<int>, const char*> cases[] = {
        {velmora::englishResources,
         {ID_ZOOM_MODE_X, ID_DISPLAY_SCROLL},
         "Zoom In#32771 | Zoom Out#32772 | - | Zoom Mode(Zoom X-Axis#32773 | Zoom Y-Axis#32774*) "
         "| Display Mode(Turn-Start#32776 | Scroll Display#32778*) | - | [X=100%; Y=25%]#32775"},
        {velmora::chineseResources,
         {ID_ZOOM_MODE_Y, ID_DISPLAY_SCROLL, ID_DISPLAY_TURN},
         "放大#32771 | 缩小#32772 | - | 缩放模式(缩放X轴向#32773* | 缩放Y轴向#32774) | "
         "波形显示(翻屏显示#32776* | 滚动显示#32778) | - | [X=110%; Y=20%]#32775"},
    };
    for (const auto& [resources, commands, shown] : cases) {
        velmora::installResources(resources());
        Plot plot;
        ASSERT_TRUE(plot.show());
        for (int id : commands) plot.chart.OnCommand(id);
        int hostMenus = 0;  // the dialog would open its own menu: one right-click, two menus
        plot.host.setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(&plot.host, &QWidget::customContextMenuRequested, [&] { ++hostMenus; });
        QTimer::singleShot(0, [] {  // while the menu is open, choose its first item by keyboard
            auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!popup) return;
            QTest::keyClick(popup, Qt::Key_Down);
            QTest::keyClick(popup, Qt::Key_Return);
        });
        // Through the window, so that the press also raises a context-menu request.
        QTest::mouseClick(plot.host.windowHandle(), Qt::RightButton, {},
                          plot.chart.mapTo(&plot.host, QPoint(20, 20)));
        velmora::Menu menu;
        EXPECT_EQ(describe(plot.chart.PrepareMenu(menu)), shown);
        EXPECT_EQ(hostMenus, 0);
    }
}

TEST(WaveChart, ZoomCommandsStepWithinTheirLimitsAndSetZoomWithinOneToTenThousand) {
    velmora::installResources(velmora::englishResources());
    const int in = ID_ZOOM_IN, out = ID_ZOOM_OUT;
    // SetZoom(x, y) on the main dialog's zoom (100 %, 20 %), the commands with Shift held or
    // not, then the status shown. (A switched-off axis: the menu test.)
    const std::tuple<int, int, std::vector<int>, bool, const char*> cases[] = {
        {100, 20, {out}, false, "[X=90%; Y=15%]"},
        {30, 20, {out, out, out}, false, "[X=100%; Y=50%]"},  // both at 10 %: the default
        {100, 15, {out, out}, false, "[X=80%; Y=10%]"},       // Y rests while X goes on
        {200, 200, {in}, false, "[X=100%; Y=50%]"},           // both at 200 %: the default
        {200, 100, {in}, false, "[X=200%; Y=105%]"},          // X rests while Y climbs
        {130, 30, {in}, true, "[X=100%; Y=50%]"},             // Shift: the default
        {0, -5, {}, false, "[X=100%; Y=20%]"},                // SetZoom keeps 1..10,000 % only
        {10001, INT_MAX, {}, false, "[X=100%; Y=20%]"},
        {10000, 1, {}, false, "[X=10000%; Y=1%]"},
    };
    for (const auto& [x, y, commands, shift, shown] : cases) {
        Plot plot;
        plot.chart.SetZoom(x, y);
        velmora::setShiftQuery([held = shift] { return held; });
        for (int id : commands) plot.chart.OnCommand(id);
        velmora::setShiftQuery({});
        velmora::Menu menu;
        QAction* status = velmora::Menu::findCommand(plot.chart.PrepareMenu(menu), ID_ZOOM_STATUS);
        EXPECT_EQ(status->text().toStdString(), shown) << x << " " << y;
    }
}

TEST(WaveChart, PacedPaintsShowWhatPaintingEachSampleAtOnceShows) {
    // Two charts take the same samples and commands. One gets each alone on an idle chart,
    // which paints before EndOfEvent returns: its window then shows a whole paint's pixels.
    // The other gets 1 to 9 per receive event every 5 ms, paced to the display's frames;
    // once it has caught up, it shows the same.
    const std::tuple<const char*, void (*)(CWaveChart&), int> script[] = {
        {"a page and a new one", [](CWaveChart&) {}, 250},
        {"baseline", [](CWaveChart& c) { c.CalcBaseline(); }, 20},
        {"zoom in", [](CWaveChart& c) { c.OnCommand(ID_ZOOM_IN); }, 60},
        {"clear", [](CWaveChart& c) { c.ClearData(); }, 10},
        {"resize", [](CWaveChart& c) { c.resize(150, 60); }, 150},
        {"scrolling", [](CWaveChart& c) { c.OnCommand(ID_DISPLAY_SCROLL); }, 300},
        {"page-turning", [](CWaveChart& c) { c.OnCommand(ID_DISPLAY_TURN); }, 50},
    };
    Plot every, paced;
    ASSERT_TRUE(every.show());
    ASSERT_TRUE(paced.show());
    std::uint32_t now = 1000;  // the tick, moved by the test only
    velmora::setTickClock([&now] { return now; });
    velmora::test::PaintCounter pacedPaints(&paced.chart), hostPaints(&every.host);
    int value = 0, pacedValue = 0;
    for (const auto& [name, change, samples] : script) {
        SCOPED_TRACE(name);
        change(every.chart);
        change(paced.chart);
        QApplication::processEvents();
        hostPaints.paints = 0;
        int stale = 0;  // samples after which the window did not show a whole paint's pixels
        for (int i = 0; i < samples; ++i) {
            now += 100;
            every.add(value++ * 53 % 300, 1);
            stale += every.shown() != every.render();
        }
        EXPECT_EQ(stale, 0);
        EXPECT_EQ(hostPaints.paints, 0);  // the samples never repaint the dialog under it
        pacedPaints.paints = 0;
        const std::uint32_t start = now;
        for (int i = 0, group = 1; i < samples; i += group, group = group % 9 + 1) {
            for (int k = i; k < std::min(samples, i + group); ++k)
                paced.chart.AddPoint(pacedValue++ * 53 % 300, 0, 0, 0);
            paced.chart.EndOfEvent();
            QApplication::processEvents();
            now += 5;
        }
        // One paint per 60 Hz frame at most, besides the first and the change's own.
        EXPECT_LE(pacedPaints.paints, int(now - start) / 17 + 2);
        now += 100;  // the stream has stopped: the last samples are painted
        const QImage expected = every.shown();
        EXPECT_TRUE(QTest::qWaitFor([&] { return paced.shown() == expected; }, 5000));
    }
    EXPECT_EQ(every.chart.RecalcCapacity(), 150 * 100 / 110);  // the width the resize gave
    velmora::setTickClock({});
}
