#include "app/sensordemodlg.h"

#include "app/aboutdlg.h"
#include "app/edition.h"
#include "platform/readout.h"
#include "platform/tick.h"
#include "serial/porterrors.h"
#include "res/resource.h"

#include <QContextMenuEvent>
#include <QGroupBox>
#include <QPainter>
#include <QShortcut>

CSensorDemoDlg::CSensorDemoDlg(QWidget* parent)
    : DialogBase(IDD_MAIN_DIALOG, parent),
      m_valueThrottle(200, [this] { RefreshValueDisplays(); }, this) {
    QIcon icon;
    for (const char* file : velmora::resources().iconFiles) icon.addFile(QString::fromUtf8(file));
    m_hIcon = icon;
    ringAllocate(m_rxRing, 1024);

    onCommand(IDC_OPEN_PORT, [this] { OnOpenPort(); });
    onCommand(IDC_QUIT, [this] { OnQuit(); });
    onCommand(IDC_DEVICE_TYPE, [this] { OnSelchangeDeviceType(); }, velmora::Notify::SelChange);
    onCommand(IDC_CLEAR_DATA, [this] { OnClearData(); });
    onCommand(IDC_PROOF_BASELINE, [this] { OnProofBaseline(); });
    onCommand(IDC_PROOF_DATA, [this] { OnProofData(); });
    onCommand(IDC_STOP_REFRESH, [this] { OnStopRefresh(); });
    onCommand(IDC_MAXMIN, [this] { OnMaxMin(); });
    onCommand(IDC_MOVE_DOWN, [this] { OnMoveDown(); });
    onCommand(IDC_START_SAMPLING, [this] { OnStartSampling(); });
    onCommand(IDC_STOP_SAMPLING, [this] { OnStopSampling(); });
    onCommand(IDC_READ_DEVICE_NO, [this] { OnReadDeviceNo(); });
    onCommand(IDC_READ_MAKE_DATE, [this] { OnReadMakeDate(); });

    // The control's event runs its handler the way a button's click does, so an error while
    // receiving is shown once in a message box like any command's.
    onCommand(IDC_MSCOMM, [this] { OnCommEvent(); });
    connect(&m_comm, &CMSComm::OnComm, this, [this] { sendCommand(IDC_MSCOMM); });
    // Port errors are described in the edition's language.
    velmora::setCommLanguage(VELMORA_ZH ? velmora::CommLanguage::Chinese
                                        : velmora::CommLanguage::English);

#ifdef VELMORA_WITH_CALIBRATION
    // The calibration button is hidden; a service shortcut runs its command.
    auto* proof = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), this);
    connect(proof, &QShortcut::activated, this, [this] { sendCommand(IDC_PROOF_DATA); });
#endif
}

CSensorDemoDlg::~CSensorDemoDlg() { ringFree(m_rxRing); }

void CSensorDemoDlg::DoDataExchange() {
    m_cbDeviceType = itemAs<QComboBox>(IDC_DEVICE_TYPE);
    m_cbBaud = itemAs<QComboBox>(IDC_BAUD);
    m_stPanel = item(IDC_PANEL);
    m_stValue = item(IDC_VALUE);
    m_stPrompt = itemAs<QLabel>(IDC_PROMPT);
    m_cbPort = itemAs<QComboBox>(IDC_PORT);
}

bool CSensorDemoDlg::OnInitDialog() {
    DialogBase::OnInitDialog();
    DoDataExchange();

    // Window menu: a separator and the about entry, when the string exists.
    m_windowMenu = new QMenu(this);
    const QString about = velmora::loadString(IDS_ABOUTBOX);
    if (!about.isEmpty()) {
        m_windowMenu->addSeparator();
        QAction* action = m_windowMenu->addAction(about);
        action->setData(IDM_ABOUTBOX);
        connect(action, &QAction::triggered, this, [this] { OnSysCommand(IDM_ABOUTBOX); });
    }
    InitRecording();

    setWindowIcon(m_hIcon);

    m_cbDeviceType->setCurrentIndex(m_nDeviceType);
    m_cbPort->setCurrentIndex(0);
    m_cbBaud->setCurrentIndex(0);

    // The prompt line starts empty and is shown in blue.
    m_stPrompt->setText(QString());
    QPalette prompt = m_stPrompt->palette();
    prompt.setColor(QPalette::WindowText, QColor(0, 0, 255));
    m_stPrompt->setPalette(prompt);

    m_chart.ClearData();
    m_chart.m_nChannels = 1;
    m_chart.m_bShowAux = true;
    m_chart.SetZoom(100, 20);

    m_cbBaud->setCurrentIndex(3);  // 57600

    // The chart starts shifted down; the box says so from the start.
    setChecked(IDC_MOVE_DOWN, m_chart.m_bMoveDown);

    QRect placement = rect();
    if (item(IDC_WAVE_FRAME)) placement = itemRect(IDC_WAVE_FRAME);
    m_chart.Create(placement, this, IDC_WAVE_CHART);

    // The value box is painted by the dialog, not by the frame's own style; the paint
    // covers the whole box, so nothing beneath it is painted first.
    m_stValue->installEventFilter(this);
    m_stValue->setAttribute(Qt::WA_OpaquePaintEvent);
    return true;
}

void CSensorDemoDlg::OnDestroy() {
    OnStopRecording();
#ifdef VELMORA_WITH_CALIBRATION
    // The calibration window goes with its owner, unsaved changes included.
    if (m_dlgProof.isWindow()) m_dlgProof.destroyWindow();
#endif
    ClosePort();
}

void CSensorDemoDlg::OnSysCommand(unsigned nID) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout(this);
        dlgAbout.doModal();
    }
    // Other system commands are the window manager's.
}

void CSensorDemoDlg::contextMenuEvent(QContextMenuEvent* event) {
    // Static texts, frames and group boxes let the mouse through to the dialog, as on the
    // desktop platforms' dialogs; buttons, combo boxes and the chart do not.
    QWidget* child = childAt(event->pos());
    const bool background = !child || qobject_cast<QGroupBox*>(child) ||
                            qobject_cast<QLabel*>(child) ||
                            child->metaObject() == &QFrame::staticMetaObject;
    if (!background || !m_windowMenu || m_windowMenu->isEmpty()) {
        event->ignore();
        return;
    }
    m_windowMenu->popup(event->globalPos());
    event->accept();
}

bool CSensorDemoDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_stValue && event->type() == QEvent::Paint) {
        OnPaint(m_stValue);
        return true;
    }
    return DialogBase::eventFilter(watched, event);
}

void CSensorDemoDlg::OnPaint(QWidget* valueBox) {
    m_valueThrottle.painted();
    QPainter painter(valueBox);
    QRect rc = valueBox->rect();
    velmora::beginReadout(painter, rc);
    rc.setTop(rc.top() + 16);
    velmora::drawReadoutText(painter, rc, QString::number(m_nValue));
}

void CSensorDemoDlg::OnQuit() { destroyWindow(); }

void CSensorDemoDlg::OnSelchangeDeviceType() {
    m_nDeviceType = qMax(0, m_cbDeviceType->currentIndex());
}

void CSensorDemoDlg::OnProofData() {
#ifdef VELMORA_WITH_CALIBRATION
    if (!m_dlgProof.isWindow()) {
        // A tool window owned by this one: it stays above it and goes with it.
        m_dlgProof.setParent(this, Qt::Tool);
        m_dlgProof.create();
    }
    m_dlgProof.show();
    m_dlgProof.raise();
    m_dlgProof.activateWindow();
#endif
    // The English edition has no calibration: the command does nothing.
}

// --- Sampling controls and statistics ---

void CSensorDemoDlg::OnMaxMin() {
    if (m_bStatistic) {
        m_bStatistic = false;
        setItemText(IDC_MAXMIN, velmora::editionText("最大最小值", "Max/Min Value"));
        return;
    }
    m_nMin = 0xFFFFFF;  // above every 16-bit sample
    m_nMax = 0;
    m_nSum = 0;
    m_nCount = 0;
    m_bStatistic = true;
    setItemText(IDC_MAXMIN, velmora::editionText("停止计算", "Stop Calculate"));
}

void CSensorDemoDlg::OnProofBaseline() { m_chart.CalcBaseline(); }

void CSensorDemoDlg::OnMoveDown() { m_chart.m_bMoveDown = isChecked(IDC_MOVE_DOWN); }

void CSensorDemoDlg::OnStopRefresh() { m_bStopRefresh = isChecked(IDC_STOP_REFRESH); }

void CSensorDemoDlg::OnClearData() { m_chart.ClearData(); }
