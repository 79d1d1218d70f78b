// The calibration dialog: pairs the live raw reading (or its average over an interval) with
// a standard value the operator types, for either of two sensors; shows the records as a
// list or a graph, converts the live reading through them, keeps interval statistics, and
// reads and writes the records in the calibration file. Modeless; closing only hides it.
#pragma once

#include "calibration/proofdatafile.h"
#include "calibration/proofgraphwnd.h"
#include "platform/dialogbase.h"
#include "platform/displaythrottle.h"

#include <array>
#include <cstdint>

class QComboBox;
class QTableWidget;

class CProofDataDlg : public velmora::DialogBase {
    Q_OBJECT
public:
    explicit CProofDataDlg(QWidget* parent = nullptr);
    ~CProofDataDlg() override;

    // Live readings, element j for sensor index j (count at most 2). Converts the selected
    // sensor's reading and accumulates the statistics for every reading; the texts and the
    // live panel follow at most every 50 ms, and always show the latest reading.
    void SetRealtimeData(const int* values, int count);

    // The calibration file; by default where the program's invocation puts it.
    void setDataFile(const velmora::ProofDataFile& file) { m_file = file; }
    const velmora::ProofDataFile& dataFile() const { return m_file; }
    const velmora::ProofPointLists& points() const { return m_points; }
    bool isModified() const { return m_bModified; }
    CProofGraphWnd& graph() { return m_graph; }

protected:
    bool OnInitDialog() override;
    void OnDestroy() override;
    void OnOK() override {}      // Enter neither closes nor changes anything
    void OnCancel() override {}  // nor does Escape
    void OnClose() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Handlers, run by the command routing.
    void OnShowList();
    void OnShowGraph();
    void OnDeleteRecord();
    void OnClearAll();
    void OnSave();
    void OnCalibrate();
    void OnSelchangeSensor();
    void OnReread();
    void OnCalcToggle();

    void DoDataExchange();
    void InitListHeader();
    void FillRecordList();
    bool InsertRecordRow(int row, double standard, int raw, double coefficient);
    void OnPaint(QWidget* panel);
    // Writes the three texts and repaints the live panel.
    void RefreshLiveDisplays();
    void RestartStatistics();
    int selectedSensor() const;
    // Saves both sensors; on failure says why and leaves the records marked modified.
    bool SaveRecords();
    void LoadRecords();

    QComboBox* m_comboSensor = nullptr;
    QWidget* m_staticLive = nullptr;
    QTableWidget* m_list = nullptr;
    CProofGraphWnd m_graph;
    bool m_bModified = false;
    std::array<int, 2> m_nLive{-1, -1};
    int m_nLiveCount = 0;  // readings in the last SetRealtimeData
    int m_nConverted = -1;
    bool m_bCalculating = false;
    int m_nMinRaw = -1;
    int m_nMaxRaw = -1;
    int m_nMinConv = -1;
    int m_nMaxConv = -1;
    // 64 bits: a long interval at full scale must not wrap.
    std::int64_t m_nCount = 0;
    std::int64_t m_nSumRaw = -1;
    std::int64_t m_nSumConv = -1;
    velmora::DisplayThrottle m_liveThrottle;
    velmora::ProofPointLists m_points;
    velmora::ProofDataFile m_file;
};
