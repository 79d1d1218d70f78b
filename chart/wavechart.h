// The live waveform window: keeps the latest samples of three channels and an auxiliary
// trace in a ring, draws them as polylines on a dark-blue plot, and offers zoom and the
// page-turning and scrolling display modes through its right-click menu.
#pragma once

#include "chart/plotraster.h"
#include "chart/wavechartdata.h"
#include "platform/mapping.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>

class QMenu;
class QPainter;

namespace velmora {
class Menu;
}  // namespace velmora

// The ring, zoom and geometry rules live in WaveChartData; the window owns that state
// privately so that its owner sees one set of operations, each of which also asks for the
// repaint that its change needs.
class CWaveChart : public QWidget, private velmora::WaveChartData {
    Q_OBJECT
public:
    // Constructs the object without a window: IsWindow() stays false until Create.
    explicit CWaveChart(QWidget* parent = nullptr);
    ~CWaveChart() override;

    // Makes the window: a visible child of `parent` at `rect` (parent coordinates), named
    // "ctrl_<id>". Its first size sets the client rectangle and the capacity.
    bool Create(const QRect& rect, QWidget* parent, int id);
    bool IsWindow() const { return m_bWindow; }

    // Operations of the owner. AddPoint only stores the sample; its repaint, a strip around
    // the sample in page-turning display and the whole plot on a new page or in scrolling
    // display, is asked for by EndOfEvent. The others repaint the whole plot at once.
    void AddPoint(std::uint16_t wCh0, std::uint16_t wCh1, std::uint16_t wCh2, std::uint16_t wAux);
    void ClearData();
    // Sets the baselines to the means of the displayed channel-0 and channel-1 samples;
    // returns baseline 0.
    int CalcBaseline();
    // Percentages outside 1..10,000 are ignored, per axis.
    void SetZoom(int nZoomX, int nZoomY);
    void ResetZoom();
    // Recomputes the capacity for the present width and X zoom; returns it.
    int RecalcCapacity();

    // The end of a receive event, or of any run of AddPoint calls: asks for the repaint of
    // what their samples changed, at most once per display frame. A chart that painted
    // more than a frame ago (idle) paints before this returns; otherwise the paint comes with
    // the first call after the frame's end, or from a timer half a frame later if the stream
    // has paused, and covers every strip asked for since the last one (or the whole
    // plot once, if a sample began a new page or the display scrolls). The owner calls it
    // before updating its other displays, so that their repaints do not hold the chart's
    // back; samples added without it are shown by the next paint only.
    void EndOfEvent();

    // Settings and data the owner reads or sets directly.
    using velmora::WaveChartData::m_bMoveDown;
    using velmora::WaveChartData::m_bShowAux;
    using velmora::WaveChartData::m_nChannels;
    using velmora::WaveChartData::m_nWrite;
    using velmora::WaveChartData::m_wData;

    // Context menu. PrepareMenu loads the menu resource into `menu` and returns its popup
    // with the marks and the zoom status set (nullptr when the resource or its popup is
    // missing). OnCommand runs the handler of a menu command; false for ids without one.
    QMenu* PrepareMenu(velmora::Menu& menu);
    bool OnCommand(int id);

    // The paint pass onto any painter whose device matches the client area (the window
    // itself, or an image for tests and benchmarks): all of it, or only what lies in `area`
    // (clipped to it), which draws the same pixels there and leaves the rest untouched.
    void PaintPlot(QPainter* pDC, const QRect& area = QRect());

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void OnSize(int cx, int cy);
    // Shows the context menu at the cursor and runs the chosen command once it has closed.
    void OnRButtonUp();
    // Menu commands.
    void OnZoomIn();
    void OnZoomOut();
    void OnZoomModeX();
    void OnZoomModeY();
    void OnDisplayScroll();
    void OnDisplayTurn();

    // Requests a repaint of the whole client area (null) or of one rectangle; `now`: paints
    // it before returning.
    void Invalidate(const velmora::Rect* rect = nullptr, bool now = false);
    // Paints, before returning, everything the samples stored since the last request changed.
    void RequestSampleRepaint();

    // Separators between the bands and the baseline lines.
    void DrawBaselines(const velmora::PlotGeometry& geo);
    // The traces of the bands shown, and the auxiliary trace in the one-band layout, as far
    // as they reach into `part` (device pixels).
    void DrawCurves(const velmora::PlotGeometry& geo, const QRect& part);
    // One connected polyline in `color` through the display positions m_nFirst..m_nLast of
    // `trace`, its band's bottom at logical y = `base`.
    void Trace(const velmora::PlotGeometry& geo,
               const std::array<std::uint16_t, velmora::WAVE_MAX_POINTS>& trace, int base,
               QRgb color);

    bool m_bWindow = false;
    // Paint pacing: one paint per display frame while samples stream.
    std::uint32_t m_dwFrame = 16;     // a paint follows the last one after more ms than this
    std::uint32_t m_dwLastPaint = 0;  // tick of the last paint
    QTimer m_frameEnd;                // the rest of the frame, while samples wait for it
    int m_nUnpaintedFrom = -1;        // write index before the first sample not asked to be
                                      // repainted yet; -1: none
    bool m_bUnpaintedAll = false;     // one of those samples began a new page
    // Paint scratch space, reused so that a paint allocates nothing.
    std::array<int, velmora::WAVE_MAX_POINTS> m_traceIndex{};
    int m_nTraceCount = 0;
    int m_nFirst = 0;  // display positions drawn by the present paint
    int m_nLast = 0;
    velmora::PlotRaster m_raster;
};
