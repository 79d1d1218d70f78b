// The calibration graph: one sensor's records plotted as raw reading (x) against standard
// value (y) on a fixed grid with arrow-headed axes, joined in list order, with "+" and "-"
// zoom buttons that appear only while the mouse is over their square.
#pragma once

#include "calibration/proofpoint.h"
#include "platform/mapping.h"

#include <QPoint>
#include <QWidget>

#include <vector>

class QPainter;
class QPushButton;


class CProofGraphWnd : public QWidget {
    Q_OBJECT
public:
    // Constructs the object without a window: IsWindow() stays false until Create.
    explicit CProofGraphWnd(QWidget* parent = nullptr);
    ~CProofGraphWnd() override;

    // Makes the window a hidden child of `parent` at `rect` (parent coordinates), named
    // "ctrl_<id>", with its two zoom buttons. The zoom is the object's and survives
    // re-creation.
    bool Create(const QRect& rect, QWidget* parent, int id);
    bool IsWindow() const { return m_bWindow; }

    // Replaces the points by a copy of `points` and repaints.
    void SetPoints(const velmora::ProofPointList& points);
    // Appends one point; repaints only when bRedraw.
    void AddPoint(int x, int y, bool bRedraw);
    // Removes every point and repaints; returns whether a repaint was requested.
    bool ClearPoints();

    void OnGraphZoomIn();
    void OnGraphZoomOut();
    int zoom() const { return m_nZoomX; }
    const std::vector<QPoint>& points() const { return m_arrPoints; }

    // The whole paint pass onto any painter whose device is `client` pixels large (the
    // window itself, or an image for tests).
    void PaintGraph(QPainter* pDC, QSize client) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Creates the two zoom buttons (replacing those of an earlier Create).
    void OnCreate();
    QPushButton* makeButton(const QString& caption, int id);
    void OnSize(int cx, int cy);
    void OnMouseMove(QPoint point);

    bool m_bWindow = false;
    int m_nZoomX = 50;
    int m_nZoomY = 50;
    QSize m_sizeLogical{100, -100};
    QPushButton* m_btnZoomIn = nullptr;
    QPushButton* m_btnZoomOut = nullptr;
    std::vector<QPoint> m_arrPoints;
};
