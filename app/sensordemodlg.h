// The main dialog: hosts the serial control, the waveform chart, the receive ring,
// the sampling controls and (Chinese edition) the calibration dialog.
#pragma once

#include "chart/wavechart.h"
#include "platform/dialogbase.h"
#include "serial/bytering.h"
#include "serial/mscomm.h"

#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QMenu>

#include <cstdint>

class CSensorDemoDlg : public velmora::DialogBase {
    Q_OBJECT
public:
    explicit CSensorDemoDlg(QWidget* parent = nullptr);
    ~CSensorDemoDlg() override;

    // Serial port connection
    void OnOpenPort();
    bool OpenPort(int nPort);
    void ClosePort();
    void SendFrame(const std::uint8_t* data, int count);

    // Device protocol
    void OnCommEvent();
    void ParseFrames();
    void OnStartSampling();
    void OnStopSampling();
    void OnReadDeviceNo();
    void OnReadMakeDate();

    // Sampling controls and statistics
    void OnMaxMin();
    void OnProofBaseline();
    void OnMoveDown();
    void OnStopRefresh();
    void OnClearData();

    // Shell
    void OnSysCommand(unsigned nID);
    void OnQuit();
    void OnSelchangeDeviceType();
    void OnProofData();

    // Read access for tests and tools.
    CWaveChart& chart() { return m_chart; }
    CMSComm& comm() { return m_comm; }
    int value() const { return m_nValue; }
    int statisticCount() const { return m_nCount; }
    // The dialog's own window menu (the about entry), opened by a right-click on the
    // dialog's background where the window manager offers no application entries.
    QMenu* windowMenu() const { return m_windowMenu; }

protected:
    bool OnInitDialog() override;
    void OnDestroy() override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DoDataExchange();
    void OnPaint(QWidget* valueBox);
    void SampleStep(int value);

    // Members, in declaration order.
    QComboBox* m_cbDeviceType = nullptr;
    QComboBox* m_cbBaud = nullptr;
    QWidget* m_stPanel = nullptr;
    QWidget* m_stValue = nullptr;
    QLabel* m_stPrompt = nullptr;
    QComboBox* m_cbPort = nullptr;
    CMSComm m_comm;
#ifdef VELMORA_WITH_CALIBRATION
    // The calibration dialog arrives with the calibration subsystem.
#endif
    QIcon m_hIcon;
    CWaveChart m_chart;
    ByteRing m_rxRing{};
    int m_nValue = 0;
    bool m_bStopRefresh = false;
    bool m_bStatistic = false;
    int m_nMin = -1;
    int m_nMax = -1;
    std::int64_t m_nSum = -1;  // 64 bits: a long run at full scale must not wrap
    int m_nCount = 0;
    std::uint32_t m_dwLastPaint = 0;
    int m_nDeviceType = 0;
    QMenu* m_windowMenu = nullptr;
};
