// The main dialog's recording and its prompt line: the window menu's recording entries, the
// recorder fed by the sample step and once per receive event, and the prompt line 1008,
// which says what is being recorded, or that the device sends nothing after "Start
// Sampling", and is empty otherwise.
#include "app/sensordemodlg.h"

#include "app/edition.h"
#include "platform/filedialog.h"
#include "platform/tick.h"
#include "res/resource.h"

#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

namespace {

using velmora::editionText;

// Silence after which the prompt line says that no data comes.
constexpr std::uint32_t kSilenceMs = 3000;
// How often the rows go to the file and the silence is checked while either matters.
constexpr int kCheckMs = 200;

// Tells the prompt line's throttle each time the line has been painted.
class PaintNotice : public QObject {
public:
    PaintNotice(QWidget* widget, velmora::DisplayThrottle* throttle)
        : QObject(widget), m_throttle(throttle) {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) m_throttle->painted();
        return false;
    }

private:
    velmora::DisplayThrottle* m_throttle;
};

}  // namespace

void CSensorDemoDlg::InitRecording() {
    // After the about entry: start and, while recording, stop.
    m_windowMenu->addSeparator();
    m_actRecord = m_windowMenu->addAction(editionText("记录采样数据...", "Record Samples..."));
    m_actRecord->setData(IDM_RECORD_SAMPLES);
    connect(m_actRecord, &QAction::triggered, this, [this] { OnRecordSamples(); });
    m_actStopRecording = m_windowMenu->addAction(editionText("停止记录", "Stop Recording"));
    m_actStopRecording->setData(IDM_STOP_RECORDING);
    m_actStopRecording->setVisible(false);
    connect(m_actStopRecording, &QAction::triggered, this, [this] { OnStopRecording(); });

    m_promptTimer.setInterval(kCheckMs);
    connect(&m_promptTimer, &QTimer::timeout, this, [this] { OnPromptTimer(); });
    m_nPromptWidth = m_stPrompt->width();
    new PaintNotice(m_stPrompt, &m_promptThrottle);

    // The program checked the file given on its command line and created it empty.
    if (!m_strStartupRecording.isEmpty())
        StartRecording(m_strStartupRecording, velmora::SampleRecorder::Mode::Replace);
}

void CSensorDemoDlg::OnRecordSamples() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    const QString name =
        QDateTime::currentDateTime().toString(QStringLiteral("'velmora-'yyyyMMdd-HHmmss'.csv'"));
    const QString path = velmora::saveFileName(
        this, {editionText("记录采样数据", "Record Samples"), QDir(folder).filePath(name),
               editionText("CSV 文件 (*.csv)", "CSV files (*.csv)")});
    if (path.isEmpty()) return;
    // The file dialog has asked before replacing an existing file.
    StartRecording(path, velmora::SampleRecorder::Mode::Replace);
}

void CSensorDemoDlg::StartRecording(const QString& path, velmora::SampleRecorder::Mode mode) {
    const bool started = m_recorder.start(path, mode);
    RecordingChanged();
    if (!started)
        messageBox(editionText("无法记录到 %1：%2", "Cannot record to %1: %2")
                       .arg(QDir::toNativeSeparators(path), m_recorder.errorString()),
                   {}, velmora::MB_ICONERROR);
}

void CSensorDemoDlg::OnStopRecording() {
    if (!m_recorder.recording()) return;
    if (m_recorder.stop())
        RecordingChanged();
    else
        RecordingFailed();
}

void CSensorDemoDlg::RecordingFailed() {
    // The recorder has already ended the recording, so events that come while the message
    // is open add nothing and bring no second message.
    RecordingChanged();
    messageBox(editionText("记录到 %1 已停止：%2。此前记录的数据保留在文件中。",
                           "Recording to %1 stopped: %2. The rows recorded before stay in "
                           "the file.")
                   .arg(QDir::toNativeSeparators(m_recorder.path()), m_recorder.errorString()),
               {}, velmora::MB_ICONERROR);
}

void CSensorDemoDlg::RecordingChanged() {
    const bool recording = m_recorder.recording();
    m_actRecord->setEnabled(!recording);
    m_actStopRecording->setVisible(recording);
    if (recording && !m_promptTimer.isActive()) m_promptTimer.start();
    m_promptThrottle.dataArrived();
}

void CSensorDemoDlg::OnSamplesReceived() {
    if (m_bAwaitData) m_dwLastData = velmora::tickCount();
    if (!m_recorder.endEvent()) return RecordingFailed();
    if (m_recorder.recording() || m_bNoData) m_promptThrottle.dataArrived();
}

void CSensorDemoDlg::WatchForData(bool watch) {
    m_bAwaitData = watch;
    if (watch) {
        m_dwLastData = velmora::tickCount();
        if (!m_promptTimer.isActive()) m_promptTimer.start();
    }
    if (m_bNoData) m_promptThrottle.dataArrived();
}

void CSensorDemoDlg::OnPromptTimer() {
    // A port closed by the operator or lost with its device ends the watch.
    if (m_bAwaitData && !m_comm.GetPortOpen()) m_bAwaitData = false;
    if (m_recorder.recording() && !m_recorder.flush()) RecordingFailed();
    if (NoDataNow() != m_bNoData) m_promptThrottle.dataArrived();
    if (!m_bAwaitData && !m_recorder.recording() && !m_bNoData) m_promptTimer.stop();
}

bool CSensorDemoDlg::NoDataNow() const {
    return m_bAwaitData && m_comm.GetPortOpen() &&
           velmora::tickCount() - m_dwLastData >= kSilenceMs;
}

QString CSensorDemoDlg::PromptText() const {
    if (m_bNoData) {
        const QString baud = m_comm.GetSettings().section(u',', 0, 0);
        return editionText("COM%1 上的设备没有发来数据（%2 波特）：请检查连接线、电源和波特率",
                           "No data from the device on COM%1 at %2 baud: check the cable, the "
                           "power and the baud rate")
            .arg(QString::number(m_comm.GetCommPort()), baud);
    }
    if (!m_recorder.recording()) return {};
    const QString name = QFileInfo(m_recorder.path()).fileName();
    const auto rows = static_cast<qulonglong>(m_recorder.rows());
#if VELMORA_ZH
    return QStringLiteral("正在记录到 %1: %2 个采样").arg(name, QString::number(rows));
#else
    return QStringLiteral("Recording to %1: %2 %3")
        .arg(name, QLocale(QLocale::English).toString(rows),
             rows == 1 ? QStringLiteral("sample") : QStringLiteral("samples"));
#endif
}

void CSensorDemoDlg::RefreshPrompt() {
    if (!isWindow()) return;
    m_bNoData = NoDataNow();
    const QString text = PromptText();
    if (text == m_stPrompt->text()) {
        // Nothing to paint: the line already shows the latest state.
        m_promptThrottle.painted();
        return;
    }
    // A text longer than the line takes the free row to its right instead of being cut;
    // the left margin is kept on the right.
    const int room = width() - 2 * m_stPrompt->x();
    const int needed = m_stPrompt->fontMetrics().horizontalAdvance(text) + 4;
    m_stPrompt->resize(qBound(m_nPromptWidth, needed, qMax(m_nPromptWidth, room)),
                       m_stPrompt->height());
    m_stPrompt->setText(text);
}
