// PLACEHOLDER interface, replaced by the chart implementation.
#pragma once
#include <QWidget>
#include <cstdint>
class CWaveChart : public QWidget {
    Q_OBJECT
public:
    explicit CWaveChart(QWidget* parent = nullptr) : QWidget(parent) {}
    bool Create(const QRect& rect, QWidget* parent, int id) { setParent(parent); setGeometry(rect); setObjectName(QString("ctrl_%1").arg(id)); show(); return true; }
    void AddPoint(std::uint16_t, std::uint16_t, std::uint16_t, std::uint16_t) {}
    void ClearData() {}
    int CalcBaseline() { return 0; }
    void SetZoom(int, int) {}
    void ResetZoom() {}
    int RecalcCapacity() { return 0; }
    int m_nChannels = 1;
    bool m_bShowAux = false;
    bool m_bMoveDown = true;
};
