// Cost of storing a sample and of painting a full plot.
#include "chart/wavechart.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

constexpr int kWidth = 774;
constexpr int kHeight = 488;

// A chart prepared as the main dialog does, on a 774 x 488 plot.
struct Plot {
    QWidget host;
    CWaveChart chart;
    explicit Plot(bool scroll) {
        chart.ClearData();
        chart.m_nChannels = 1;
        chart.m_bShowAux = true;
        chart.SetZoom(100, 20);
        host.resize(kWidth, kHeight);
        chart.Create(QRect(0, 0, kWidth, kHeight), &host, 100);
        if (scroll) chart.OnDisplayScroll();
    }
    // A wave spanning the plot's height.
    void fill(int count) {
        for (int i = 0; i < count; ++i)
            chart.AddPoint(static_cast<std::uint16_t>((i * 37) % 2400), 0, 0, 0);
    }
};

// Per-sample cost of AddPoint on a shown window: storing the sample and asking for the
// repaint (strip or whole plot). The repaints themselves run between batches of 1000
// samples, outside the timing, as the event loop would run them between data events.
void addPoints(benchmark::State& state, bool scroll) {
    Plot plot(scroll);
    plot.host.show();
    QApplication::processEvents();
    std::uint16_t v = 0;
    int batch = 0;
    for (auto _ : state) {
        plot.chart.AddPoint(v, 0, 0, 0);
        v = static_cast<std::uint16_t>(v + 7);
        if (++batch == 1000) {
            state.PauseTiming();
            QApplication::processEvents();
            batch = 0;
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_AddPointPageTurning(benchmark::State& state) { addPoints(state, false); }
BENCHMARK(BM_AddPointPageTurning);

void BM_AddPointScrolling(benchmark::State& state) { addPoints(state, true); }
BENCHMARK(BM_AddPointScrolling);

// The ring alone, without a shown window (repaint requests are then dropped at once).
void BM_AddPointHidden(benchmark::State& state) {
    Plot plot(true);
    std::uint16_t v = 0;
    for (auto _ : state) {
        plot.chart.AddPoint(v, 0, 0, 0);
        v = static_cast<std::uint16_t>(v + 7);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddPointHidden);

// One full paint pass of a scrolling plot holding 2048 samples (X zoom 10 % so that the
// whole ring is displayed), into an image the size of the plot.
void BM_PaintFullPlot2048Scrolling(benchmark::State& state) {
    Plot plot(true);
    plot.chart.SetZoom(10, 20);
    plot.chart.RecalcCapacity();
    plot.fill(3000);  // wrapped ring, 2048 displayed
    if (plot.chart.displayCount() != 2048) state.SkipWithError("ring not full");
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        plot.chart.PaintPlot(&painter);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PaintFullPlot2048Scrolling)->Unit(benchmark::kMicrosecond);

// The same through the widget's own paint event (QWidget::render).
void BM_RenderWidget2048Scrolling(benchmark::State& state) {
    Plot plot(true);
    plot.chart.SetZoom(10, 20);
    plot.chart.RecalcCapacity();
    plot.fill(3000);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        plot.chart.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_RenderWidget2048Scrolling)->Unit(benchmark::kMicrosecond);

// A full page at 100 % (774 samples across the plot), as seen most of the time.
void BM_PaintFullPage774(benchmark::State& state) {
    Plot plot(false);
    plot.fill(774);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        plot.chart.PaintPlot(&painter);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PaintFullPage774)->Unit(benchmark::kMicrosecond);

// The field and mapping alone, without traces, for comparison.
void BM_PaintFieldOnly(benchmark::State& state) {
    Plot plot(true);
    plot.chart.m_nChannels = 0;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        plot.chart.PaintPlot(&painter);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PaintFieldOnly)->Unit(benchmark::kMicrosecond);
}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
