#include "calibration/proofdatadlg.h"

#include "platform/messagebox.h"
#include "platform/readout.h"
#include "res/resource.h"

#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QTableWidget>

#include <algorithm>
#include <charconv>
#include <limits>

namespace {

// Minima start above every reading when the statistics start.
constexpr int kStatsMinStart = 16777215;

QString tr8(const char* text) { return QString::fromUtf8(text); }

// The text's leading real number (blanks, sign, digits, point, exponent); 0 without one.
double leadingReal(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
    if (p < end && *p == '+' && ++p < end && *p == '-') return 0;
    double value = 0;
    std::from_chars(p, end, value, std::chars_format::general);
    return value;
}

// The text's leading integer (blanks, sign, digits), limited to the 32-bit range; 0 without
// one. A fractional part is dropped.
int leadingInt(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    long long value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p)
        value = std::min<long long>(value * 10 + (*p - '0'), 1LL << 32);
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}

}  // namespace

CProofDataDlg::CProofDataDlg(QWidget* parent)
    : DialogBase(IDD_PROOF_DATA, parent),
      m_liveThrottle(50, [this] { RefreshLiveDisplays(); }, this),
      m_file(velmora::proofDataFile()) {
    setEndHidesOnly(true);
    onCommand(IDC_SHOW_LIST, [this] { OnShowList(); });
    onCommand(IDC_SHOW_GRAPH, [this] { OnShowGraph(); });
    onCommand(IDC_DELETE, [this] { OnDeleteRecord(); });
    onCommand(IDC_CLEAR_ALL, [this] { OnClearAll(); });
    onCommand(IDC_SAVE, [this] { OnSave(); });
    onCommand(IDC_PROOF, [this] { OnCalibrate(); });
    onCommand(IDC_SENSOR, [this] { OnSelchangeSensor(); }, velmora::Notify::SelChange);
    onCommand(IDC_RELOAD, [this] { OnReread(); });
    onCommand(IDC_CALC_AVERAGE, [this] { OnCalcToggle(); });
}

CProofDataDlg::~CProofDataDlg() = default;

void CProofDataDlg::DoDataExchange() {
    m_comboSensor = itemAs<QComboBox>(IDC_SENSOR);
    m_staticLive = item(IDC_RT_FRAME);
    m_list = itemAs<QTableWidget>(IDC_RECORD_LIST);
}

bool CProofDataDlg::OnInitDialog() {
    DialogBase::OnInitDialog();
    DoDataExchange();

    QRect graphRect(6, 6, 626, 596);
    if (item(IDC_PROOF_GRAPH)) graphRect = itemRect(IDC_PROOF_GRAPH).adjusted(2, 2, -2, -2);
    m_graph.Create(graphRect, this, IDC_GRAPH);

    m_comboSensor->setCurrentIndex(0);
    InitListHeader();
    LoadRecords();
    FillRecordList();

    // The live panel is painted by the dialog, not by the frame's own style.
    m_staticLive->installEventFilter(this);
    return true;
}

void CProofDataDlg::OnDestroy() {
    for (velmora::ProofPointList& list : m_points) list.clear();
}

void CProofDataDlg::InitListHeader() {
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->horizontalHeader()->setSectionsMovable(true);
    const char* const titles[] = {"序号", "标准值", "标定点", "标定系数"};
    const int widths[] = {50, 80, 80, 80};
    m_list->setColumnCount(4);
    for (int c = 0; c < 4; ++c) {
        auto* header = new QTableWidgetItem(tr8(titles[c]));
        header->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_list->setHorizontalHeaderItem(c, header);
        m_list->setColumnWidth(c, widths[c]);
    }
}

int CProofDataDlg::selectedSensor() const {
    return m_comboSensor ? m_comboSensor->currentIndex() : -1;
}

bool CProofDataDlg::InsertRecordRow(int row, double standard, int raw, double coefficient) {
    if (row < 0 || row > m_list->rowCount()) return false;
    m_list->insertRow(row);
    const QString texts[] = {QString::number(row + 1),
                             QString::number(standard, 'f', 2),
                             QString::number(raw), QString::asprintf("%.5f", coefficient)};
    for (int c = 0; c < 4; ++c) m_list->setItem(row, c, new QTableWidgetItem(texts[c]));
    return true;
}

void CProofDataDlg::FillRecordList() {
    const int s = selectedSensor();
    if (s != 0 && s != 1) return;
    m_list->setRowCount(0);
    const velmora::ProofPointList& list = m_points[s];
    for (int i = 0; i < static_cast<int>(list.size()); ++i) {
        const velmora::ProofPoint& p = list[i];
        const double coefficient = p.x > 0 ? static_cast<double>(p.y) / p.x : 1.0;
        InsertRecordRow(i, p.y, p.x, coefficient);
    }
    m_graph.SetPoints(list);
}

void CProofDataDlg::LoadRecords() {
    LoadProofData(m_points, m_file);
    m_bModified = false;
}

bool CProofDataDlg::SaveRecords() {
    const velmora::ProfileWriteResult result = SaveProofData(m_points, m_file);
    if (!result.ok) {
        messageBox(tr8("标定数据保存失败!") + QStringLiteral("\n\n") + m_file.path + QLatin1Char('\n') + result.error,
                   QString(), velmora::MB_OK | velmora::MB_ICONERROR);
        return false;
    }
    m_bModified = false;
    return true;
}

// --- Live readings ---

void CProofDataDlg::SetRealtimeData(const int* values, int count) {
    for (int j = 0; j < 2; ++j) m_nLive[j] = j < count ? values[j] : -1;
    m_nLiveCount = std::min(count, 2);
    if (count <= 0 || !isWindow() || !isVisible()) return;

    const int s = selectedSensor();
    if ((s == 0 || s == 1) && m_nLive[s] >= 0) {
        const int reading = m_nLive[s];
        m_nConverted = ConvertRawValue(m_points[s], reading, isChecked(IDC_RECIPROCAL));
        if (m_bCalculating) {
            m_nSumRaw += reading;
            m_nMinRaw = std::min(m_nMinRaw, reading);
            m_nMaxRaw = std::max(m_nMaxRaw, reading);
            m_nSumConv += m_nConverted;
            m_nMinConv = std::min(m_nMinConv, m_nConverted);
            m_nMaxConv = std::max(m_nMaxConv, m_nConverted);
            ++m_nCount;
        }
    }
    m_liveThrottle.dataArrived();
}

void CProofDataDlg::RefreshLiveDisplays() {
    QString live = QString::number(m_nLive[0]);
    for (int j = 1; j < m_nLiveCount; ++j) live += u'|' + QString::number(m_nLive[j]);
    setItemText(IDC_RT_VALUE, live);
    if (m_nMinRaw != -1 && m_nMaxRaw != -1)
        setItemText(IDC_INTERVAL, QString::asprintf("[%d,%d]|[%d,%d]", m_nMinRaw, m_nMaxRaw,
                                                    m_nMinConv, m_nMaxConv));
    // The raw sum is -1 only before the first start (readings are never negative).
    if (m_nSumRaw != -1 && m_nCount > 0)
        setItemText(IDC_AVERAGE,
                    QString::asprintf("%d|%d", static_cast<int>(m_nSumRaw / m_nCount),
                                      static_cast<int>(m_nSumConv / m_nCount)));
    m_staticLive->update();
}

bool CProofDataDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_staticLive && event->type() == QEvent::Paint) {
        OnPaint(m_staticLive);
        return true;
    }
    return DialogBase::eventFilter(watched, event);
}

void CProofDataDlg::OnPaint(QWidget* panel) {
    m_liveThrottle.painted();
    QPainter painter(panel);
    const QRect rc = panel->rect();
    velmora::beginReadout(painter, rc);
    // Raw reading in the upper half, the converted value in the lower half.
    const int mid = rc.top() + rc.height() / 2;
    const QRect upper(rc.left(), rc.top(), rc.width(), mid - rc.top());
    const QRect lower(rc.left(), mid, rc.width(), rc.top() + rc.height() - mid);
    const int s = selectedSensor();
    if ((s == 0 || s == 1) && m_nLive[s] >= 0)
        velmora::drawReadoutText(painter, upper, QString::number(m_nLive[s]));
    if (m_nConverted >= 0) velmora::drawReadoutText(painter, lower, QString::number(m_nConverted));
}

// --- Records ---

void CProofDataDlg::OnCalibrate() {
    const int s = selectedSensor();
    if (s == -1) {
        messageBox(tr8("请选择待标定设备!"));
        return;
    }
    if (s != 0 && s != 1) {
        messageBox(tr8("选择的标定设备无效!"));
        return;
    }
    const QString text = itemText(IDC_STANDARD_VALUE);
    if (text.isEmpty()) {
        messageBox(tr8("请输入标准值!"));
        return;
    }
    int raw = m_nLive[s];
    if (isChecked(IDC_USE_AVERAGE) && m_nSumRaw != -1 && m_nCount > 0)
        raw = static_cast<int>(m_nSumRaw / m_nCount);
    double coefficient = 1.0;
    if (raw > 0) coefficient = leadingReal(text) / raw;
    const int standard = leadingInt(text);

    m_points[s].push_back({raw, standard});
    m_bModified = true;
    InsertRecordRow(m_list->rowCount(), standard, raw, coefficient);
    m_graph.AddPoint(raw, standard, false);
}

void CProofDataDlg::OnDeleteRecord() {
    int row = -1;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        if (row < 0 || index.row() < row) row = index.row();
    if (row < 0) {
        messageBox(tr8("请选择要删除的纪录!"), tr8("操作提示"),
                   velmora::MB_OK | velmora::MB_ICONINFORMATION);
        return;
    }
    const int s = selectedSensor();
    if (s != 0 && s != 1) return;
    // Rows show the records in list order, so the selected row is the record to remove.
    velmora::ProofPointList& list = m_points[s];
    if (row >= static_cast<int>(list.size())) return;
    list.erase(list.begin() + row);
    m_bModified = true;
    m_list->removeRow(row);
    for (int r = row; r < m_list->rowCount(); ++r)
        if (QTableWidgetItem* number = m_list->item(r, 0)) number->setText(QString::number(r + 1));
    m_graph.SetPoints(list);
}

void CProofDataDlg::OnClearAll() {
    if (messageBox(tr8("确定要删除所有的标定记录吗?"), tr8("提示"), velmora::MB_YESNO) !=
        velmora::IDYES)
        return;
    const int s = selectedSensor();
    if (s != 0 && s != 1) return;
    m_points[s].clear();
    m_list->setRowCount(0);
    m_graph.ClearPoints();
    m_bModified = true;
}

void CProofDataDlg::OnSave() { SaveRecords(); }

void CProofDataDlg::OnReread() {
    LoadRecords();
    FillRecordList();
}

void CProofDataDlg::OnSelchangeSensor() {
    if (m_bModified) {
        const bool save = messageBox(tr8("当前的标定数据有修改, 需要保存吗?"), tr8("提示"),
                                     velmora::MB_YESNO) == velmora::IDYES;
        // A save that fails keeps the records marked modified, so the question comes again.
        if (!save || SaveRecords()) m_bModified = false;
        RestartStatistics();
    }
    FillRecordList();
}

void CProofDataDlg::RestartStatistics() {
    m_nMinRaw = m_nMinConv = kStatsMinStart;
    m_nMaxRaw = m_nMaxConv = 0;
    m_nCount = 0;
    m_nSumRaw = m_nSumConv = 0;
}

void CProofDataDlg::OnCalcToggle() {
    if (m_bCalculating) {
        m_bCalculating = false;
        setItemText(IDC_CALC_AVERAGE, tr8("开始计算"));
        return;
    }
    RestartStatistics();
    m_bCalculating = true;
    setItemText(IDC_CALC_AVERAGE, tr8("停止计算"));
}

// --- Views ---

void CProofDataDlg::OnShowList() {
    m_graph.hide();
    for (int id : {IDC_RECORD_LIST, IDC_DELETE, IDC_CLEAR_ALL, IDC_SAVE, IDC_RELOAD, IDC_RECIPROCAL})
        showItem(id, true);
}

void CProofDataDlg::OnShowGraph() {
    m_graph.show();
    for (int id : {IDC_RECORD_LIST, IDC_DELETE, IDC_CLEAR_ALL, IDC_SAVE, IDC_RELOAD, IDC_RECIPROCAL})
        showItem(id, false);
}

void CProofDataDlg::OnClose() {
    if (m_bModified) {
        const bool save = messageBox(tr8("标定数据被修改, 需要保存吗?"), tr8("提示"),
                                     velmora::MB_YESNO) == velmora::IDYES;
        if (save && !SaveRecords()) return;  // stays open: the records are not on disk
        m_bModified = false;
    }
    endDialog(velmora::IDCANCEL);
}
