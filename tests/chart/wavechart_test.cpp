// The chart window as the operator meets it: what is repainted, the pixels drawn, and the
// context menu of both editions.
#include "chart/wavechart.h"

#include "platform/keystate.h"
#include "platform/menu.h"
#include "res/editions.h"
#include "res/resource.h"

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace {

const QRgb kBlue = qRgb(0, 0, 192), kWhite = qRgb(255, 255, 255), kRed = qRgb(255, 0, 0),
           kGreen = qRgb(0, 255, 0), kBlack = qRgb(0, 0, 0);

// floor(p / q + 1/2) for q > 0: the nearest integer, halves upward.
int roundHalfUp(long long p, long long q) {
    const long long n = 2 * p + q, d = 2 * q;
    return int(n >= 0 ? n / d : -((-n + d - 1) / d));
}

// Where the chart should draw, from the rounding rule of its integer mapping: 100 logical
// units to zoom-percent pixels. top() is the value on the top row: the client height in
// units less one row, each rounded, so that 0 lies on the bottom row.
struct Rule {
    int height, zoomX, zoomY;
    int top() const { return -(roundHalfUp(-100 * height, zoomY) + roundHalfUp(100, zoomY)); }
    int row(int value) const { return roundHalfUp((top() - value) * zoomY, 100); }
    int col(int position) const { return roundHalfUp(position * zoomX, 100); }
};
const Rule kPlot{100, 100, 20};  // the main dialog's zoom on a 100-pixel plot: 5 units a row

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

// The chart as the main dialog prepares it, inside a host window that is shown on request.
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
    }
    // The paint pass into an image; anything it leaves out stays magenta.
    QImage render() {
        QImage image(chart.size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        chart.PaintPlot(&painter);
        return image;
    }
    // The marks of zoom X, zoom Y, page-turning and scrolling ('+' or '-'), then the status.
    std::string menuState() {
        velmora::Menu menu;
        QMenu* popup = chart.PrepareMenu(menu);
        std::string state;
        for (int id : {ID_ZOOM_MODE_X, ID_ZOOM_MODE_Y, ID_DISPLAY_TURN, ID_DISPLAY_SCROLL})
            state += velmora::Menu::findCommand(popup, id)->isChecked() ? '+' : '-';
        return state + ' ' +
               velmora::Menu::findCommand(popup, ID_ZOOM_STATUS)->text().toStdString();
    }
};

// The menu as read on screen: "text#id" per command, with '*' when marked and 'o' for an
// empty check box; "-" per separator; "title(...)" per sub-menu.
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
    chart.AddPoint(1234, 1, 2, 3);  // no window yet: dropped
    EXPECT_EQ(chart.m_nWrite, 0);
    chart.Create(QRect(0, 0, 200, 60), &host, IDC_WAVE_CHART);  // the host is not shown
    EXPECT_EQ(chart.RecalcCapacity(), 200);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    chart.resize(50, 60);
    EXPECT_EQ(chart.RecalcCapacity(), 50);
}

TEST(WaveChart, EachChangeRepaintsWhatItChangesAndNeverTheParent) {
    using Step = std::function<void(Plot&)>;
    const Step none = [](Plot&) {};
    const auto command = [](int id) { return [id](Plot& p) { p.chart.OnCommand(id); }; };
    const QRect all(0, 0, 200, 60), strip(0, 0, 5, 60);  // the first sample's strip: x -3..5
    struct Case {
        const char* name;
        Step before, change;
        QRect repainted;
    };
    const Case cases[] = {
        {"sample", none, [](Plot& p) { p.add(5, 1); }, strip},
        {"sample on a new page", [](Plot& p) { p.add(5, 200); }, [](Plot& p) { p.add(5, 1); }, all},
        {"sample, scrolling", command(ID_DISPLAY_SCROLL), [](Plot& p) { p.add(5, 1); }, all},
        {"ClearData", none, [](Plot& p) { p.chart.ClearData(); }, all},
        {"CalcBaseline", none, [](Plot& p) { p.chart.CalcBaseline(); }, all},
        {"SetZoom", none, [](Plot& p) { p.chart.SetZoom(150, 30); }, all},
        {"RecalcCapacity", none, [](Plot& p) { p.chart.RecalcCapacity(); }, all},
        {"zoom in", none, command(ID_ZOOM_IN), all},
        {"page-turning display", command(ID_DISPLAY_SCROLL), command(ID_DISPLAY_TURN), all},
    };
    for (const Case& c : cases) {
        Plot plot(200, 60);
        ASSERT_TRUE(plot.show());
        c.before(plot);
        QApplication::processEvents();
        Recorder chartEvents(&plot.chart), hostEvents(&plot.host);
        c.change(plot);
        QApplication::processEvents();
        EXPECT_EQ(chartEvents.paints, std::vector<QRect>{c.repainted}) << c.name;
        EXPECT_EQ(hostEvents.paints.size(), 0u) << c.name;
    }
}

TEST(WaveChart, SamplesLandWhereTheMappingRoundsThemAtOddScales) {
    // A flat trace of each value from 0 to just above the plot, and 65535, must light exactly
    // the row the rule gives, from column 0 to the last sample's; values above the plot none.
    // The last two samples lie in different columns: a zero-length last segment of a
    // polyline lights no pixel.
    struct Case {
        int width, height, zoomX, zoomY, samples;
    };
    const Case cases[] = {{150, 77, 150, 40, 12},
                          {101, 63, 70, 24, 32},
                          {120, 99, 45, 15, 40},
                          {90, 51, 130, 85, 9},
                          {64, 35, 200, 70, 20}};
    for (const Case& c : cases) {
        const Rule rule{c.height, c.zoomX, c.zoomY};
        Plot plot(c.width, c.height);
        plot.chart.SetZoom(c.zoomX, c.zoomY);
        plot.chart.RecalcCapacity();
        std::vector<int> values(rule.top() + 3);
        for (int v = 0; v < int(values.size()); ++v) values[v] = v;
        values.push_back(65535);
        std::vector<int> misplaced;
        for (int v : values) {
            plot.chart.ClearData();
            plot.add(v, c.samples);
            const int row = rule.row(v);
            const QRect expected = row >= 0 && row < c.height
                                       ? QRect(QPoint(0, row), QPoint(rule.col(c.samples - 1), row))
                                       : QRect();
            if (boxOf(plot.render(), kWhite) != expected) misplaced.push_back(v);
        }
        EXPECT_EQ(misplaced, std::vector<int>{})
            << c.width << "x" << c.height << " at X " << c.zoomX << "%, Y " << c.zoomY << "%";
    }
}

TEST(WaveChart, OneBandTracesAuxLineAndMovedDownBaseline) {
    Plot plot;
    plot.add(250, 1);  // the blue field only: one sample draws nothing
    EXPECT_EQ(countColor(plot.render(), kBlue), 774 * 100);
    plot.add(250, 39);  // the auxiliary 0 runs along the bottom row
    QImage image = plot.render();
    EXPECT_EQ(boxOf(image, kWhite), QRect(0, kPlot.row(250), 40, 1));
    EXPECT_EQ(boxOf(image, kGreen), QRect(0, 99, 40, 1));
    EXPECT_EQ(plot.chart.CalcBaseline(), 250);
    image = plot.render();  // moved down by 4/5 of 250: trace and line at 50, aux out of sight
    EXPECT_EQ(boxOf(image, kWhite), QRect(0, kPlot.row(50), 40, 1));
    EXPECT_EQ(boxOf(image, kRed), QRect(40, kPlot.row(50), 774 - 40, 1));
    EXPECT_EQ(countColor(image, kGreen), 0);
    plot.chart.m_bMoveDown = false;
    EXPECT_EQ(boxOf(plot.render(), kRed), QRect(40, kPlot.row(250), 774 - 40, 1));
    plot.chart.ClearData();  // forgets the aux trace and baseline 0
    plot.add(250, 40);
    image = plot.render();
    EXPECT_EQ(countColor(image, kGreen), 0);
    EXPECT_EQ(countColor(image, kRed), 0);
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
    EXPECT_EQ(image.pixel(400, kPlot.row(t + 150)), kRed);
    EXPECT_EQ(countColor(image, kRed), 3 * 774 - 10);  // channel 0 hides 10 of its line
}

TEST(WaveChart, EachEditionsMenuShowsItsTextsWithTheChartsMarksAndZoom) {
    struct Edition {
        const velmora::ResourceTable& (*resources)();
        const char* menu;
    };
    const Edition editions[] = {
        {velmora::englishResources,
         "Zoom In#32771 | Zoom Out#32772 | - | Zoom Mode(Zoom X-Axis#32773* | Zoom "
         "Y-Axis#32774*) | Display Mode(Turn-Start#32776* | Scroll Display#32778) | - | [X=100%; "
         "Y=20%]#32775"},
        {velmora::chineseResources,
         "放大#32771 | 缩小#32772 | - | 缩放模式(缩放X轴向#32773* | 缩放Y轴向#32774*) | "
         "波形显示(翻屏显示#32776* | 滚动显示#32778) | - | [X=100%; Y=20%]#32775"},
    };
    // Commands given, then the marks and status shown.
    const std::pair<std::vector<int>, const char*> states[] = {
        {{ID_ZOOM_MODE_X, ID_DISPLAY_SCROLL}, "-+-+ [X=100%; Y=20%]"},
        {{ID_ZOOM_MODE_Y, ID_ZOOM_IN}, "+-+- [X=110%; Y=20%]"},
        {{ID_DISPLAY_SCROLL, ID_DISPLAY_TURN, ID_ZOOM_OUT}, "+++- [X=90%; Y=15%]"},
    };
    for (const Edition& edition : editions) {
        velmora::installResources(edition.resources());
        Plot plot;
        velmora::Menu menu;
        EXPECT_EQ(describe(plot.chart.PrepareMenu(menu)), edition.menu);
        for (const auto& [commands, shown] : states) {
            Plot changed;
            for (int id : commands) changed.chart.OnCommand(id);
            EXPECT_EQ(changed.menuState(), shown) << edition.menu;
        }
    }
}

TEST(WaveChart, ZoomCommandsStepWithinTheirLimitsAndSetZoomWithinOneToTenThousand) {
    velmora::installResources(velmora::englishResources());
    const int in = ID_ZOOM_IN, out = ID_ZOOM_OUT, modeX = ID_ZOOM_MODE_X, modeY = ID_ZOOM_MODE_Y;
    // SetZoom(x, y) on the main dialog's zoom (100 %, 20 %), the commands with Shift held or
    // not, then the status shown.
    struct Case {
        int x, y;
        std::vector<int> commands;
        bool shift;
        const char* status;
    };
    const Case cases[] = {
        {100, 20, {in}, false, "[X=110%; Y=25%]"},
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
    for (const Case& c : cases) {
        Plot plot;
        plot.chart.SetZoom(c.x, c.y);
        velmora::setShiftQuery([&] { return c.shift; });
        for (int id : c.commands) plot.chart.OnCommand(id);
        velmora::setShiftQuery({});
        EXPECT_EQ(plot.menuState().substr(5), c.status) << c.x << " " << c.y;
    }
    Plot plot(200, 60);  // a step refits the ring: at X = 200 % the page holds 100 samples
    for (int i = 0; i < 10; ++i) plot.chart.OnCommand(in);
    plot.add(1, 101);
    EXPECT_EQ(plot.chart.m_nWrite, 1);
    EXPECT_FALSE(plot.chart.OnCommand(ID_ZOOM_STATUS));  // the status item does nothing
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
    EXPECT_EQ(plot.menuState(), "+++- [X=110%; Y=25%]");
    EXPECT_EQ(hostEvents.clicks, 0);
}
