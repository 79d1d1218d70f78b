// Cost of storing a sample and of painting a full plot or a strip.
#include "chart/wavechart.h"
#include "res/resource.h"
#include "tools/sim/skinsignal.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

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
        if (scroll) chart.OnCommand(ID_DISPLAY_SCROLL);
    }
};

// Per-sample cost of AddPoint on a shown window (argument: 0 page-turning, 1 scrolling):
// storing the sample. The repaints run between batches of 1000 samples, outside the
// timing, as the event loop would run them between data events.
void BM_AddPoint(benchmark::State& state) {
    Plot plot(state.range(0) != 0);
    plot.host.show();
    QApplication::processEvents();
    std::uint16_t v = 0;
    int batch = 0;
    for (auto _ : state) {
        plot.chart.AddPoint(v, 0, 0, 0);
        v = static_cast<std::uint16_t>(v + 7);
        if (++batch == 1000) {
            state.PauseTiming();
            plot.chart.EndOfEvent();
            QApplication::processEvents();
            batch = 0;
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddPoint)->ArgName("scroll")->Arg(0)->Arg(1);

// A scrolling plot holding 2048 samples (X zoom 10 % so that the whole ring is displayed):
// argument 0 the simulator's skin-conductance signal, 1 white noise from the bottom row to
// the top row.
void fillRing(Plot& plot, int signal) {
    plot.chart.SetZoom(10, 20);
    plot.chart.RecalcCapacity();
    velmora::sim::SkinSignal skin(1, 1152);
    std::mt19937 noise(1);
    std::uniform_int_distribution<int> fullScale(0, kHeight * 100 / 20);
    // 3000 samples wrap the scrolling ring, so all 2048 entries are displayed.
    for (int i = 0; i < 3000; ++i)
        plot.chart.AddPoint(signal ? fullScale(noise) : skin.next(), 0, 0, 0);
}

// One paint pass into an image the size of the plot: the whole plot, or (argument 1) the
// 8-pixel strip that the page-turning display repaints for one sample, mid-plot.
void paintPass(benchmark::State& state, Plot& plot, const QRect& area) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        plot.chart.PaintPlot(&painter, area);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_PaintFullPlot2048(benchmark::State& state) {
    Plot plot(true);
    fillRing(plot, static_cast<int>(state.range(0)));
    paintPass(state, plot, QRect());
}
BENCHMARK(BM_PaintFullPlot2048)->ArgName("noise")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_PaintStrip(benchmark::State& state) {
    Plot plot(false);
    fillRing(plot, static_cast<int>(state.range(0)));
    paintPass(state, plot, QRect(kWidth / 8 - 4, 0, 8, kHeight));
}
BENCHMARK(BM_PaintStrip)->ArgName("noise")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

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
