// The chart window: what it repaints, the pixels it draws, and its context menu.
#include "chart/wavechart.h"

#include "platform/keystate.h"
#include "platform/menu.h"
#include "platform/tick.h"
#include "res/editions.h"
#include "res/resource.h"

#include <QApplication>
#include <QBackingStore>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

const QRgb kBlue = qRgb(0, 0, 192), kWhite = qRgb(255, 255, 255), kRed = qRgb(255, 0, 0),
           kGreen = qRgb(0, 255, 0), kBlack = qRgb(0, 0, 0);

// floor(p / q + 1/2) for q > 0; exact in double for the small values used here.
int roundHalfUp(long long p, long long q) { return int(std::floor((2.0 * p + q) / (2.0 * q))); }

// Where a value lands: 100 logical units to zoom-percent pixels, rounded half up; top() is
// the value on the top row, so that 0 lies on the bottom row.
struct Rule {
    int height, zoomX, zoomY;
    int top() const { return -(roundHalfUp(-100 * height, zoomY) + roundHalfUp(100, zoomY)); }
    int row(int value) const { return roundHalfUp((top() - value) * zoomY, 100); }
    int col(int position) const { return roundHalfUp(position * zoomX, 100); }
};
const Rule kPlot{100, 100, 20};  // the main dialog's zoom on a 100-pixel plot: 5 units a row

// Runs the event loop until what is posted now, and what that posts, has been handled.
void pump() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

int countColor(const QImage& image, QRgb color) {  // RGB32 rows have no padding
    const QRgb* pixels = reinterpret_cast<const QRgb*>(image.constBits());
    return int(std::count(pixels, pixels + image.width() * image.height(), color));
}
// The smallest rectangle holding every pixel of `color`; null when there is none.
QRect boxOf(const QImage& image, QRgb color) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == color) box |= QRect(x, y, 1, 1);
    return box;
}

// The tick, stopped at `now` until a test moves it.
struct FakeClock {
    std::uint32_t now = 1000;
    FakeClock() {
        velmora::setTickClock([this] { return now; });
    }
    ~FakeClock() { velmora::setTickClock({}); }
};

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

// The chart as the main dialog prepares it, in a host window shown on request.
struct Plot {
    QWidget host;
    CWaveChart chart;
    explicit Plot(int width = 774, int height = 100) {
        chart.ClearData();
        chart.m_bShowAux = true;
        chart.SetZoom(100, 20);
        host.resize(width + 20, height + 20);
        chart.Create(QRect(10, 10, width, height), &host, IDC_WAVE_CHART);
    }
    bool show() {
        host.show();
        const bool exposed = QTest::qWaitForWindowExposed(&host);
        QApplication::processEvents();
        return exposed;
    }
    void add(int value, int count, int ch1 = 0, int ch2 = 0) {
        for (int i = 0; i < count; ++i) chart.AddPoint(value, ch1, ch2, 0);
        chart.EndOfEvent();
    }
    // What the window shows of the chart: its backing store, which keeps every paint.
    QImage shown() {
        const auto* screen = static_cast<const QImage*>(host.backingStore()->paintDevice());
        return screen->copy(chart.geometry());
    }
    // The paint pass into an image; anything it leaves out stays magenta.
    QImage render() {
        QImage image(chart.size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        chart.PaintPlot(&painter);
        return image;
    }
    std::string zoomStatus() {
        velmora::Menu menu;
        QMenu* popup = chart.PrepareMenu(menu);
        return velmora::Menu::findCommand(popup, ID_ZOOM_STATUS)->text().toStdString();
    }
};

// The menu as read on screen: "text#id" per command, '*' when marked, 'o' for an empty check
// box; "-" per separator; "title(...)" per sub-menu.
std::string describe(const QMenu* menu) {
    std::string text;
    for (const QAction* action : menu->actions()) {
        if (!text.empty()) text += " | ";
        if (action->isSeparator())
            text += "-";
        else if (action->menu())
            text += action->text().toStdString() + "(" + describe(action->menu()) + ")";
        else
            text += action->text().toStdString() + "#" +
                    std::to_string(velmora::Menu::commandId(action)) +
                    (action->isChecked()     ? "*"
                     : action->isCheckable() ? "o"
                                             : "");
    }
    return text;
}

}  // namespace

TEST(WaveChart, DropsSamplesUntilCreatedAndTakesItsSizeOnCreateAndResize) {
    QWidget host;
    CWaveChart chart;
    chart.AddPoint(1234, 1, 2, 3);
    EXPECT_EQ(chart.m_nWrite, 0);
    chart.Create(QRect(0, 0, 200, 60), &host, IDC_WAVE_CHART);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    chart.resize(50, 60);
    EXPECT_EQ(chart.RecalcCapacity(), 50);
}

TEST(WaveChart, EachChangeRepaintsWhatItChangesAndNeverTheParent) {
    using Step = std::function<void(Plot&)>;
    const Step none = [](Plot&) {};
    const Step sample = [](Plot& p) { p.add(5, 1); };
    const auto command = [](int id) { return [id](Plot& p) { p.chart.OnCommand(id); }; };
    const QRect all(0, 0, 200, 60), strip(0, 0, 5, 60);  // the first sample's strip: x -3..5
    const std::tuple<const char*, Step, Step, QRect> cases[] = {
        {"sample", none, sample, strip},
        {"sample on a new page", [](Plot& p) { p.add(5, 200); }, sample, all},
        {"sample, scrolling", command(ID_DISPLAY_SCROLL), sample, all},
        {"ClearData", none, [](Plot& p) { p.chart.ClearData(); }, all},
        {"CalcBaseline", none, [](Plot& p) { p.chart.CalcBaseline(); }, all},
        {"SetZoom", none, [](Plot& p) { p.chart.SetZoom(150, 30); }, all},
        {"zoom in", none, command(ID_ZOOM_IN), all},
        {"page-turning display", command(ID_DISPLAY_SCROLL), command(ID_DISPLAY_TURN), all},
    };
    for (const auto& [name, before, change, repainted] : cases) {
        FakeClock clock;
        Plot plot(200, 60);
        ASSERT_TRUE(plot.show());
        before(plot);
        QApplication::processEvents();
        clock.now += 1000;  // the chart is idle: a sample is painted at once
        Recorder chartEvents(&plot.chart), hostEvents(&plot.host);
        change(plot);
        pump();
        EXPECT_EQ(chartEvents.paints, std::vector<QRect>{repainted}) << name;
        EXPECT_EQ(hostEvents.paints.size(), 0u) << name;
    }
}

TEST(WaveChart, SamplesLandWhereTheMappingRoundsThemAtOddScales) {
    // A flat trace of each value from 0 to just above the plot, and 65535, lights exactly the
    // rule's row from column 0 to the last sample's; a value above the plot lights none.
    // {width, height, X zoom, Y zoom, samples}
    const int cases[][5] = {{150, 77, 150, 40, 12},
                            {101, 63, 70, 24, 32},
                            {120, 99, 45, 15, 40},
                            {90, 51, 130, 85, 9},
                            {64, 35, 200, 70, 20}};
    for (const auto& [width, height, zoomX, zoomY, samples] : cases) {
        const Rule rule{height, zoomX, zoomY};
        Plot plot(width, height);
        plot.chart.SetZoom(zoomX, zoomY);
        plot.chart.RecalcCapacity();
        std::vector<int> misplaced;
        for (int v = 0; v <= rule.top() + 3; ++v) {
            const int value = v > rule.top() + 2 ? 65535 : v;
            plot.chart.ClearData();
            plot.add(value, samples);
            const int row = rule.row(value);
            const QRect expected = row >= 0 && row < height
                                       ? QRect(QPoint(0, row), QPoint(rule.col(samples - 1), row))
                                       : QRect();
            if (boxOf(plot.render(), kWhite) != expected) misplaced.push_back(value);
        }
        EXPECT_EQ(misplaced, std::vector<int>{}) << width << "x" << height << " " << zoomX << "%";
    }
}

TEST(WaveChart, OneBandDrawsTheAuxTraceAndTheBaselineMovedDownByFourFifths) {
    Plot plot;
    plot.add(250, 1);  // one sample draws nothing: the blue field only
    EXPECT_EQ(countColor(plot.render(), kBlue), 774 * 100);
    plot.add(250, 39);
    EXPECT_EQ(boxOf(plot.render(), kGreen), QRect(0, 99, 40, 1));  // the aux 0, bottom row
    plot.chart.CalcBaseline();
    QImage image = plot.render();  // 250 - 200: trace and baseline at 50, the aux out of sight
    EXPECT_EQ(boxOf(image, kWhite), QRect(0, kPlot.row(50), 40, 1));
    EXPECT_EQ(boxOf(image, kRed), QRect(40, kPlot.row(50), 774 - 40, 1));
    EXPECT_EQ(countColor(image, kGreen), 0);
    plot.chart.m_bMoveDown = false;
    EXPECT_EQ(boxOf(plot.render(), kRed), QRect(40, kPlot.row(250), 774 - 40, 1));
    plot.chart.ClearData();  // also hides the aux trace
    plot.add(250, 40);
    EXPECT_EQ(countColor(plot.render(), kGreen), 0);
}

TEST(WaveChart, TwoAndThreeBandsPutChannelZeroOnTop) {
    Plot plot;
    CWaveChart& chart = plot.chart;
    chart.m_bMoveDown = false;
    chart.m_nChannels = 2;
    plot.add(200, 10, 50);
    chart.CalcBaseline();  // baselines 200 and 50, each in its own band
    QImage image = plot.render();
    for (int y : {250 + 200, 50}) EXPECT_EQ(image.pixel(5, kPlot.row(y)), kWhite) << y;
    for (int y : {250 + 200, 50}) EXPECT_EQ(image.pixel(400, kPlot.row(y)), kRed) << y;
    EXPECT_EQ(image.pixel(400, kPlot.row(250)), kBlack);  // separator
    chart.ClearData();
    chart.m_nChannels = 3;
    plot.add(150, 10, 100, 50);
    chart.CalcBaseline();  // baseline 0 = 150, shown in all three bands
    image = plot.render();
    const int t = 500 / 3;
    for (int y : {2 * t + 150, t + 100, 50}) EXPECT_EQ(image.pixel(5, kPlot.row(y)), kWhite) << y;
    for (int y : {2 * t, t}) EXPECT_EQ(image.pixel(400, kPlot.row(y)), kBlack) << y;
    EXPECT_EQ(countColor(image, kRed), 3 * 774 - 10);  // channel 0 hides 10 of its line
}

TEST(WaveChart, EachEditionsMenuShowsItsTextsAndIdsWithTheChartsMarks) {
    using Resources = const velmora::ResourceTable& (*)();
    const int modeX = ID_ZOOM_MODE_X, modeY = ID_ZOOM_MODE_Y, scroll = ID_DISPLAY_SCROLL;
    const std::tuple<Resources, std::vector<int>, const char*> cases[] = {
        {velmora::englishResources,
         {modeX, scroll},
         "Zoom In#32771 | Zoom Out#32772 | - | Zoom Mode(Zoom X-Axis#32773 | Zoom Y-Axis#32774*) "
         "| Display Mode(Turn-Start#32776 | Scroll Display#32778*) | - | [X=100%; Y=20%]#32775"},
        {velmora::chineseResources,
         {modeY, scroll, ID_DISPLAY_TURN},
         "放大#32771 | 缩小#32772 | - | 缩放模式(缩放X轴向#32773* | 缩放Y轴向#32774) | "
         "波形显示(翻屏显示#32776* | 滚动显示#32778) | - | [X=100%; Y=20%]#32775"},
    };
    for (const auto& [resources, commands, shown] : cases) {
        velmora::installResources(resources());
        Plot plot;
        for (int id : commands) plot.chart.OnCommand(id);
        velmora::Menu menu;
        EXPECT_EQ(describe(plot.chart.PrepareMenu(menu)), shown);
        EXPECT_FALSE(plot.chart.OnCommand(ID_ZOOM_STATUS));  // the status item does nothing
    }
}

TEST(WaveChart, ZoomCommandsStepWithinTheirLimitsAndSetZoomWithinOneToTenThousand) {
    velmora::installResources(velmora::englishResources());
    const int in = ID_ZOOM_IN, out = ID_ZOOM_OUT, modeX = ID_ZOOM_MODE_X, modeY = ID_ZOOM_MODE_Y;
    // SetZoom(x, y) on the main dialog's zoom (100 %, 20 %), the commands with Shift held or
    // not, then the status shown. Zoom In from there: the right-click test.
    const std::tuple<int, int, std::vector<int>, bool, const char*> cases[] = {
        {100, 20, {out}, false, "[X=90%; Y=15%]"},
        {30, 20, {out, out, out}, false, "[X=100%; Y=50%]"},  // both at 10 %: the default
        {100, 15, {out, out}, false, "[X=80%; Y=10%]"},       // Y rests while X goes on
        {200, 200, {in}, false, "[X=100%; Y=50%]"},           // both at 200 %: the default
        {200, 100, {in}, false, "[X=200%; Y=105%]"},          // X rests while Y climbs
        {130, 30, {in}, true, "[X=100%; Y=50%]"},             // Shift: the default either way
        {130, 30, {out}, true, "[X=100%; Y=50%]"},
        {100, 20, {modeX, in}, false, "[X=100%; Y=25%]"},  // a switched-off axis stays
        {100, 20, {modeY, out}, false, "[X=90%; Y=20%]"},
        {500, 3, {in}, false, "[X=500%; Y=8%]"},  // steps go on from any accepted value
        {0, -5, {}, false, "[X=100%; Y=20%]"},    // SetZoom keeps 1..10,000 % only
        {10001, INT_MAX, {}, false, "[X=100%; Y=20%]"},
        {10000, 1, {}, false, "[X=10000%; Y=1%]"},
    };
    for (const auto& [x, y, commands, shift, shown] : cases) {
        Plot plot;
        plot.chart.SetZoom(x, y);
        velmora::setShiftQuery([held = shift] { return held; });
        for (int id : commands) plot.chart.OnCommand(id);
        velmora::setShiftQuery({});
        EXPECT_EQ(plot.zoomStatus(), shown) << x << " " << y;
    }
}

TEST(WaveChart, RightClickOpensTheMenuAndNeverReachesTheParent) {
    velmora::installResources(velmora::englishResources());
    Plot plot(200, 60);
    ASSERT_TRUE(plot.show());
    Recorder hostEvents(&plot.host);
    // While the menu is open, choose its first item (Zoom In) by keyboard.
    QTimer::singleShot(0, [&] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!popup) return;
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return);
    });
    // Through the window, so that the press also raises a context-menu request.
    QTest::mouseClick(plot.host.windowHandle(), Qt::RightButton, {},
                      plot.chart.mapTo(&plot.host, QPoint(20, 20)));
    EXPECT_EQ(plot.zoomStatus(), "[X=110%; Y=25%]");
    EXPECT_EQ(hostEvents.clicks, 0);
}

TEST(WaveChart, PacedPaintsShowWhatPaintingEverySampleShows) {
    // Two charts take the same samples and commands. One paints every sample, each arriving
    // on an idle chart; the other gets them in receive events of 1 to 9 samples every 5 ms,
    // paced to the display's frames. Whenever the paced chart has caught up, both screens
    // are equal, and equal to what a whole paint of the chart shows.
    using Step = std::function<void(Plot&)>;
    const auto command = [](int id) { return [id](Plot& p) { p.chart.OnCommand(id); }; };
    const std::tuple<const char*, Step, int> script[] = {
        {"page", [](Plot&) {}, 150},
        {"new page", [](Plot&) {}, 100},
        {"zoom in", command(ID_ZOOM_IN), 60},
        {"resize", [](Plot& p) { p.chart.resize(150, 60); }, 80},
        {"scrolling", command(ID_DISPLAY_SCROLL), 300},
        {"page-turning", command(ID_DISPLAY_TURN), 50},
    };
    FakeClock clock;
    Plot every(200, 60), paced(200, 60);
    ASSERT_TRUE(every.show());
    ASSERT_TRUE(paced.show());
    Recorder pacedPaints(&paced.chart);
    int value = 0;
    for (const auto& [name, change, samples] : script) {
        SCOPED_TRACE(name);
        change(every);
        change(paced);
        const int first = value;
        for (int i = 0; i < samples; ++i) {
            clock.now += 100;
            every.add(value++ * 53 % 300, 1);
        }
        pacedPaints.paints.clear();
        const std::uint32_t start = clock.now;
        for (int i = 0, group = 1; i < samples; i += group, group = group % 9 + 1) {
            for (int k = i; k < std::min(samples, i + group); ++k)
                paced.chart.AddPoint((first + k) * 53 % 300, 0, 0, 0);
            paced.chart.EndOfEvent();
            QApplication::processEvents();
            clock.now += 5;
        }
        // One paint per 60 Hz frame at most, besides the first and the change's own.
        EXPECT_LE(pacedPaints.paints.size(), (clock.now - start) / 17 + 2);
        clock.now += 100;  // the stream has stopped: the last samples are painted
        const QImage expected = every.shown();
        EXPECT_TRUE(QTest::qWaitFor([&] { return paced.shown() == expected; }, 5000));
        every.chart.repaint(QRect(37, 0, 33, 60));  // a part, with segments across its edges
        EXPECT_TRUE(every.shown() == expected);
        every.chart.repaint();  // the whole
        EXPECT_TRUE(every.shown() == expected);
    }
}

TEST(WaveChart, ASampleReachingAnIdleChartIsPaintedAtOnce) {
    FakeClock clock;
    Plot plot;
    ASSERT_TRUE(plot.show());
    plot.add(100, 1);
    pump();
    clock.now += 1000;
    plot.add(200, 1);  // the second sample draws the trace's first segment
    EXPECT_TRUE(plot.shown() == plot.render());  // when EndOfEvent returns, no time passed
}
