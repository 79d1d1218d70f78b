// The live waveform window: keeps the latest samples of three channels and an auxiliary
// trace in a ring, draws them as polylines on a dark-blue plot, and offers zoom and the
// page-turning and scrolling display modes through its right-click menu.
#pragma once

#include "chart/wavechartdata.h"
#include "platform/mapping.h"

#include <QPolygon>
#include <QWidget>

#include <array>
#include <cstdint>

class QMenu;
class QPainter;

namespace velmora {
class Menu;
}

class CWaveChart : public QWidget, public velmora::WaveChartData {
    Q_OBJECT
public:
    // Constructs the object without a window: IsWindow() stays false until Create.
    explicit CWaveChart(QWidget* parent = nullptr);
    ~CWaveChart() override;

    // Makes the window: a visible child of `parent` at `rect` (parent coordinates), named
    // "ctrl_<id>". Its first size sets the client rectangle and the capacity.
    bool Create(const QRect& rect, QWidget* parent, int id);
    bool IsWindow() const { return m_bWindow; }

    // Operations of the owner.
    void AddPoint(std::uint16_t wCh0, std::uint16_t wCh1, std::uint16_t wCh2, std::uint16_t wAux);
    void ClearData();
    int CalcBaseline();
    void SetZoom(int nZoomX, int nZoomY);
    void ResetZoom();
    int RecalcCapacity();

    // Context menu. PrepareMenu loads the menu resource into `menu` and returns its popup
    // with the marks and the zoom status set (nullptr when the resource or its popup is
    // missing); OnRButtonUp shows it and dispatches the chosen command.
    QMenu* PrepareMenu(velmora::Menu& menu);
    void OnRButtonUp(QPoint point);
    // Runs the handler of a menu command; false for ids without a handler.
    bool OnCommand(int id);

    void OnZoomIn();
    void OnZoomOut();
    void OnZoomModeX();
    void OnZoomModeY();
    void OnDisplayScroll();
    void OnDisplayTurn();

    // The whole paint pass onto any painter whose device matches the client area
    // (the window itself, or an image for tests and benchmarks).
    void PaintPlot(QPainter* pDC);
    // Sets up the plot geometry in *pGeo and draws separators and baseline lines.
    void DrawBaselines(QPainter* pDC, velmora::PlotGeometry* pGeo);
    // Draws the traces; prcLogical is the client rectangle in logical units.
    void DrawCurves(QPainter* pDC, const velmora::PlotGeometry& geo,
                    const velmora::Rect* prcLogical);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void OnSize(int cx, int cy);
    // Requests a repaint of the whole client area (null) or of one rectangle.
    void Invalidate(const velmora::Rect* rect = nullptr);
    // One connected polyline through the display sequence of `trace`, band offset b.
    void Trace(QPainter* pDC, const velmora::PlotGeometry& geo,
               const std::array<std::uint16_t, velmora::WAVE_MAX_POINTS>& trace, int d, int b);

    bool m_bWindow = false;
    // Paint scratch space, reused so that a paint allocates nothing.
    std::array<int, velmora::WAVE_MAX_POINTS> m_traceIndex{};
    int m_nTraceCount = 0;
    QPolygon m_points;
};
