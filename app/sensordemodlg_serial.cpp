// The main dialog's serial side: opening and closing the port, sending the four commands,
// receiving bytes into the ring, the frame parser's hand-over and the sample step, and the
// reaction to a device that disappears while the port is open.
#include "app/sensordemodlg.h"

#include "app/edition.h"
#include "res/resource.h"
#include "serial/answertext.h"
#include "serial/frameparser.h"
#include "serial/porterrors.h"
#include "serial/settle.h"
#include "serial/tracehex.h"

namespace {

using velmora::editionText;

QString openPortCaption() { return editionText("打开串口", "Open Port"); }

}  // namespace

// --- Port connection ---

void CSensorDemoDlg::OnOpenPort() {
    if (m_comm.GetPortOpen()) {
        m_comm.SetPortOpen(false);
        setItemText(IDC_OPEN_PORT, openPortCaption());
        enableItem(IDC_DEVICE_TYPE, true);
        return;
    }
    auto* port = itemAs<QComboBox>(IDC_PORT);
    const int selection = port ? port->currentIndex() : -1;
    if (selection < 0) {
        messageBox(editionText("请选择串口号!", "Please select one Com-Port!"));
        return;
    }
    if (OpenPort(selection + 1)) {
        setItemText(IDC_OPEN_PORT, editionText("关闭串口", "Close Port"));
        enableItem(IDC_DEVICE_TYPE, false);
    } else {
        messageBox(editionText("串口打开失败!", "The Com-Port open failed!"));
    }
}

bool CSensorDemoDlg::OpenPort(int nPort) {
    if (nPort <= 0) {
        messageBox(editionText("端口号错误!", "The Com-Port is error!"));
        return false;
    }
    const int baud = itemInt(IDC_BAUD);
    if (baud <= 1200) {
        messageBox(editionText("请输入正确的波特率!", "Please enter the right baud rate!"));
        return false;
    }
    const QString settings = QString::asprintf("%d,n,8,1", baud);

    // The control's properties, in the order the device link has always written them.
    m_comm.SetCommPort(static_cast<short>(nPort));
    m_comm.SetInBufferSize(2048);
    m_comm.SetOutBufferSize(512);
    m_comm.SetInputMode(CMSComm::comInputModeBinary);
    m_comm.SetSettings(settings);
    m_comm.SetRThreshold(1);
    m_comm.SetSThreshold(1);
    m_comm.SetInputMode(CMSComm::comInputModeBinary);
    m_comm.SetInputLen(0);
    m_comm.SetDTREnable(true);
    m_comm.SetRTSEnable(true);
    if (!m_comm.GetPortOpen()) m_comm.SetPortOpen(true);

    // Give the device time to settle on the new line; nothing is handled meanwhile.
    velmora::settleDelay(500);
    return m_comm.GetPortOpen();
}

void CSensorDemoDlg::ClosePort() {
    if (m_comm.GetPortOpen()) m_comm.SetPortOpen(false);
}

void CSensorDemoDlg::SendFrame(const std::uint8_t* data, int count) {
    if (!m_comm.GetPortOpen()) return;
    // Traced only once the line has taken the whole frame: a frame the control refuses
    // leaves as a CommError, which the command routing shows.
    m_comm.SetOutput(QByteArray(reinterpret_cast<const char*>(data), count));
    velmora::TraceHex(data, count, "Send Data:");
}

// --- Commands ---

void CSensorDemoDlg::OnStartSampling() {
    if (!m_comm.GetPortOpen()) return;
    SendFrame(velmora::CMD_START.data(), static_cast<int>(velmora::CMD_START.size()));
    WatchForData(true);
}

void CSensorDemoDlg::OnStopSampling() {
    WatchForData(false);
    if (!m_comm.GetPortOpen()) return;
    SendFrame(velmora::CMD_STOP.data(), static_cast<int>(velmora::CMD_STOP.size()));
}

void CSensorDemoDlg::OnReadDeviceNo() {
    setItemText(IDC_DEVICE_NO, QString());
    if (!m_comm.GetPortOpen()) return;
    SendFrame(velmora::CMD_DEVICE_NO.data(), static_cast<int>(velmora::CMD_DEVICE_NO.size()));
}

void CSensorDemoDlg::OnReadMakeDate() {
    setItemText(IDC_MAKE_DATE, QString());
    if (!m_comm.GetPortOpen()) return;
    SendFrame(velmora::CMD_MAKE_DATE.data(), static_cast<int>(velmora::CMD_MAKE_DATE.size()));
}

// --- Receiving ---

struct CSensorDemoDlg::FrameHandOver final : velmora::FrameSink {
    explicit FrameHandOver(CSensorDemoDlg& dialog) : dlg(dialog) {}
    void onSample(int value) override { dlg.SampleStep(value); }
    void onDeviceNo(const std::array<std::uint8_t, 4>& digits) override {
        dlg.setItemText(IDC_DEVICE_NO, velmora::deviceNoText(digits));
    }
    void onMakeDate(int year, int month, int day) override {
        dlg.setItemText(IDC_MAKE_DATE, velmora::makeDateText(year, month, day));
    }
    CSensorDemoDlg& dlg;
};

void CSensorDemoDlg::OnCommEvent() {
    // The handler of command IDC_MSCOMM: an error leaves it for the command routing.
    const short event = m_comm.GetCommEvent();
    if (event == CMSComm::comEventDeviceLost) {
        // The control has already closed the port; return to the closed state and say so
        // once.
        setItemText(IDC_OPEN_PORT, openPortCaption());
        enableItem(IDC_DEVICE_TYPE, true);
        messageBox(editionText("串口已断开!", "The Com-Port was disconnected!"));
        return;
    }
    if (event != CMSComm::comEvReceive) return;
    if (m_comm.GetInBufferCount() < 1) return;
    const QByteArray input = m_comm.GetInput();
    m_comm.SetInputLen(0);

    // Every byte the control handed over is kept, also any that arrived after the count was
    // read; a burst larger than the ring's free space goes in pieces, each parsed.
    FrameHandOver handOver(*this);
    velmora::receiveBytes(m_rxRing, reinterpret_cast<const std::uint8_t*>(input.constData()),
                          static_cast<int>(input.size()), handOver);
    // The displays follow once per event, not once per sample; the chart first, so that its
    // new samples are not held back by the recorder or the value box's repaint.
    m_chart.EndOfEvent();
    if (m_bSampleArrived) {
        m_bSampleArrived = false;
        OnSamplesReceived();
        m_valueThrottle.dataArrived();
    }
}

void CSensorDemoDlg::ParseFrames() {
    FrameHandOver handOver(*this);
    velmora::parseFrames(m_rxRing, handOver);
}

void CSensorDemoDlg::SampleStep(int value) {
    m_nValue = value;
    m_recorder.addSample(value);
    if (!m_bStopRefresh) m_chart.AddPoint(static_cast<std::uint16_t>(value), 0, 0, 0);

#ifdef VELMORA_WITH_CALIBRATION
    if (m_dlgProof.isWindow() && m_dlgProof.isVisible()) m_dlgProof.SetRealtimeData(&value, 1);
#endif
    if (m_bStatistic) {
        m_nSum += value;
        if (value < m_nMin) m_nMin = value;
        if (value > m_nMax) m_nMax = value;
        ++m_nCount;
    }
    m_bSampleArrived = true;
}

void CSensorDemoDlg::RefreshValueDisplays() {
    if (!isWindow()) return;
    if (m_nMin != -1 && m_nMax != -1 && m_nCount > 0) {
        setItemText(IDC_MAXMIN_TEXT, QString::asprintf("[%d,%d](%d)", m_nMin, m_nMax,
                                                       static_cast<int>(m_nSum / m_nCount)));
    }
    // Repaint the value box, the one part of the right-hand panel that changes (repainting
    // the whole panel redraws its buttons too, for nothing); its paint restarts the 200 ms
    // interval.
    m_stValue->update();
}
