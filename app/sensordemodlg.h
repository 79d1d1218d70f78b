// The main dialog: hosts the serial control, the waveform chart, the receive ring,
// the sampling controls and (Chinese edition) the calibration dialog.
#pragma once

#include "chart/wavechart.h"
#include "platform/dialogbase.h"
#include "platform/displaythrottle.h"
#include "recording/samplerecorder.h"
#include "serial/bytering.h"
#include "serial/mscomm.h"
#ifdef VELMORA_WITH_CALIBRATION
#include "calibration/proofdatadlg.h"
#endif

#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include <cstdint>

class CSensorDemoDlg : public velmora::DialogBase {
    Q_OBJECT
public:
    explicit CSensorDemoDlg(QWidget* parent = nullptr);
    ~CSensorDemoDlg() override;

    // Read access for tests and tools.
    CWaveChart& chart() { return m_chart; }
    CMSComm& comm() { return m_comm; }
    int value() const { return m_nValue; }
    std::int64_t statisticCount() const { return m_nCount; }
#ifdef VELMORA_WITH_CALIBRATION
    CProofDataDlg& proofDialog() { return m_dlgProof; }
#endif
    // The dialog's own window menu (the about entry), opened by a right-click on the
    // dialog's background where the window manager offers no application entries.
    QMenu* windowMenu() const { return m_windowMenu; }
    // A file to record the samples to from the start (the program's --record option); set
    // before the dialog is created.
    void setStartupRecording(const QString& path) { m_strStartupRecording = path; }
    const velmora::SampleRecorder& recorder() const { return m_recorder; }

protected:
    bool OnInitDialog() override;
    void OnDestroy() override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Handlers, run by the command routing (buttons, the control's event, menus).
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

    void DoDataExchange();
    void OnPaint(QWidget* valueBox);
    void SampleStep(int value);
    // Writes the statistics text and repaints the value box (at most every 200 ms).
    void RefreshValueDisplays();
    // Hands the parser's frames to the dialog: samples to the sample step, answers to the
    // two read-out texts.
    struct FrameHandOver;

    // Recording and the prompt line
    void InitRecording();
    void OnRecordSamples();
    void OnStopRecording();
    void StartRecording(const QString& path, velmora::SampleRecorder::Mode mode);
    void RecordingFailed();
    void RecordingChanged();
    // Once per receive event that brought samples: they become rows, the silence watch
    // restarts.
    void OnSamplesReceived();
    // Watches for samples after "Start Sampling", until "Stop Sampling" or the port closes.
    void WatchForData(bool watch);
    void OnPromptTimer();
    bool NoDataNow() const;
    void RefreshPrompt();
    QString PromptText() const;

    // Members, in declaration order.
    QComboBox* m_cbDeviceType = nullptr;
    QComboBox* m_cbBaud = nullptr;
    QWidget* m_stPanel = nullptr;
    QWidget* m_stValue = nullptr;
    QLabel* m_stPrompt = nullptr;
    QComboBox* m_cbPort = nullptr;
    CMSComm m_comm;
#ifdef VELMORA_WITH_CALIBRATION
    CProofDataDlg m_dlgProof;  // its window is made on first use
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
    std::int64_t m_nCount = 0;  // 64 bits: hours at a high sample rate must not wrap
    // Paces the value box and the statistics text; the value box's paint restarts it.
    velmora::DisplayThrottle m_valueThrottle;
    bool m_bSampleArrived = false;  // a sample since the last receive event
    int m_nDeviceType = 0;
    QMenu* m_windowMenu = nullptr;

    velmora::SampleRecorder m_recorder;
    QString m_strStartupRecording;
    QAction* m_actRecord = nullptr;
    QAction* m_actStopRecording = nullptr;
    // Paces the prompt line; the line's paint restarts the interval.
    velmora::DisplayThrottle m_promptThrottle{200, [this] { RefreshPrompt(); }, this};
    // Runs while recording or watching for data: writes the rows, notices the silence.
    QTimer m_promptTimer;
    bool m_bAwaitData = false;       // "Start Sampling" sent, no "Stop Sampling" since
    bool m_bNoData = false;          // the prompt line says that no data comes
    std::uint32_t m_dwLastData = 0;  // tick of the last sample, or of "Start Sampling"
    int m_nPromptWidth = 0;          // the prompt line's width in the template
};
