// Velmora's calibration dialog, opened with the main dialog's shortcut and fed through its
// receive path: the list, the live panel's pixels and the calibration file.
#include "livedialog.h"

#include <QLineEdit>
#include <QTableWidget>

#ifdef VELMORA_WITH_CALIBRATION
namespace velmora::test {
namespace {

class Calibration : public LiveDialog {
protected:
    void SetUp() override {
        LiveDialog::SetUp();
        openPty();
        proof = &dlg->proofDialog();
        proof->setDataFile({file, false});
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get(), kPatience));
        shortcut();
        ASSERT_TRUE(proof->isVisible());
    }
    void shortcut() { QTest::keySequence(dlg.get(), QKeySequence("Ctrl+Shift+P")); }
    void click(int id) { QTest::mouseClick(proof->item(id), Qt::LeftButton); }
    void calibrate(const char* standard) {
        proof->itemAs<QLineEdit>(IDC_STANDARD_VALUE)->setText(standard);
        click(IDC_PROOF);
    }
    QString rows() const {
        auto* list = proof->itemAs<QTableWidget>(IDC_RECORD_LIST);
        QString out;
        for (int r = 0; r < list->rowCount(); ++r)
            for (int c = 0; c < 4; ++c) out += list->item(r, c)->text() + (c < 3 ? "|" : "\n");
        return out;
    }
    // White pixels in the upper (raw reading, 0) or lower half (converted, 1) of the panel.
    int whiteIn(int half) {
        const int middle = proof->item(IDC_RT_FRAME)->height() / 2;
        return pixels(proof->item(IDC_RT_FRAME), Qt::white, half * middle, (half + 1) * middle);
    }

    QString file = config.filePath("ProofDat.ini");
    CProofDataDlg* proof = nullptr;
};

TEST_F(Calibration, ViewsRefusalsAndRecordsSavedRereadDeletedAndCleared) {
    QTest::keyClick(proof, Qt::Key_Return);
    QTest::keyClick(proof, Qt::Key_Escape);
    EXPECT_TRUE(proof->isVisible()) << "dialog after Enter and Escape";
    click(IDC_SHOW_GRAPH);  // the graph hides the list and its buttons
    for (int id :
         {IDC_RECORD_LIST, IDC_DELETE, IDC_CLEAR_ALL, IDC_SAVE, IDC_RELOAD, IDC_RECIPROCAL})
        EXPECT_FALSE(proof->item(id)->isVisible()) << id;
    EXPECT_TRUE(proof->graph().isVisible()) << "graph in the graph view";
    click(IDC_SHOW_LIST);
    EXPECT_FALSE(proof->graph().isVisible()) << "graph in the list view";
    EXPECT_TRUE(proof->item(IDC_RECORD_LIST)->isVisible()) << "list in the list view";
    click(IDC_PROOF);
    click(IDC_DELETE);
    EXPECT_EQ(messages(), "请输入标准值!\n请选择要删除的纪录!");

    // Without records the panel shows the raw reading only; with them the converted one too.
    send({3000});
    EXPECT_GT(whiteIn(0), 20) << "raw reading painted";
    EXPECT_EQ(whiteIn(1), 0) << "converted reading painted without records";
    calibrate("50");
    send({1000});
    calibrate("12.5");
    EXPECT_EQ(rows(), "1|50.00|3000|0.01667\n2|12.00|1000|0.01250\n");
    EXPECT_EQ(proof->graph().points(), (std::vector<QPoint>{{3000, 50}, {1000, 12}}));
    send({2000});
    EXPECT_GT(whiteIn(1), 20) << "converted reading painted";
    click(IDC_SAVE);
    EXPECT_EQ(fileText(file), "[QZTK-DATA]\nSensor_1=(3000,50);(1000,12);\nSensor_2=\n");
    EXPECT_FALSE(proof->isModified()) << "modified after saving";
    // Rereading fills the list from the records: the coefficient is now y / x.
    calibrate("99");
    click(IDC_RELOAD);
    EXPECT_EQ(rows(), "1|50.00|3000|0.01667\n2|12.00|1000|0.01200\n");
    calibrate("20");
    auto* list = proof->itemAs<QTableWidget>(IDC_RECORD_LIST);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(1, 1)).center());
    click(IDC_DELETE);
    EXPECT_EQ(rows(), "1|50.00|3000|0.01667\n2|20.00|2000|0.01000\n");
    EXPECT_EQ(proof->graph().points(), (std::vector<QPoint>{{3000, 50}, {2000, 20}}));
    setMessageBoxAnswer(IDNO);
    click(IDC_CLEAR_ALL);
    EXPECT_EQ(list->rowCount(), 2) << "rows after No";
    setMessageBoxAnswer(IDYES);
    click(IDC_CLEAR_ALL);
    EXPECT_EQ(list->rowCount(), 0) << "rows after Yes";
    EXPECT_TRUE(proof->isModified()) << "modified after clearing";
}

TEST_F(Calibration, UnsavedChangesAreOfferedForSavingAndAFailedSaveKeepsThem) {
    send({800});
    calibrate("40");
    setMessageBoxAnswer(IDYES);
    auto* sensor = proof->itemAs<QComboBox>(IDC_SENSOR);
    sensor->setFocus();
    QTest::keyClick(sensor, Qt::Key_Down);
    EXPECT_EQ(messages(), "当前的标定数据有修改, 需要保存吗?");
    EXPECT_EQ(fileText(file), "[QZTK-DATA]\nSensor_1=(800,40);\nSensor_2=\n");
    // Sensor 2 gets no reading: -1, coefficient 1. Closing asks, saves and hides the dialog.
    calibrate("5");
    EXPECT_EQ(rows(), "1|5.00|-1|1.00000\n");
    proof->close();
    EXPECT_EQ(messageBoxes().back().text, "标定数据被修改, 需要保存吗?");
    EXPECT_FALSE(proof->isVisible()) << "dialog closed after saving";
    EXPECT_EQ(fileText(file), "[QZTK-DATA]\nSensor_1=(800,40);\nSensor_2=(-1,5);\n");
    const QString unwritable = config.filePath("missing/ProofDat.ini");
    proof->setDataFile({unwritable, false});
    shortcut();
    EXPECT_TRUE(proof->isVisible()) << "dialog after the shortcut";

    // A failed save says why and keeps the changes marked, and the dialog open on Yes.
    calibrate("30");
    messageBoxes().clear();
    click(IDC_SAVE);
    EXPECT_TRUE(messages().startsWith("标定数据保存失败!")) << messages().toStdString();
    EXPECT_THAT(messages(), Says(unwritable));
    EXPECT_TRUE(proof->isModified()) << "modified after a failed save";
    proof->close();
    EXPECT_TRUE(proof->isVisible()) << "dialog after Yes and a failed save";
    EXPECT_EQ(rows(), "1|5.00|-1|1.00000\n2|30.00|-1|1.00000\n");
    setMessageBoxAnswer(IDNO);
    proof->close();
    EXPECT_FALSE(proof->isVisible()) << "dialog after No";
}

TEST_F(Calibration, IntervalStatisticsTheirAverageAndLiveTextsAtMostEvery50Ms) {
    proof->setChecked(IDC_USE_AVERAGE, true);
    send({100});
    calibrate("1");  // never started: the live reading is used
    click(IDC_CALC_AVERAGE);
    EXPECT_EQ(proof->itemText(IDC_CALC_AVERAGE), "停止计算");
    send({100, 200, 300, 401});
    click(IDC_CALC_AVERAGE);
    EXPECT_EQ(proof->itemText(IDC_CALC_AVERAGE), "开始计算");
    // Converted through the one record (100, 1): proportional, 1 per 100.
    EXPECT_EQ(proof->itemText(IDC_INTERVAL), "[100,401]|[1,4]");
    EXPECT_EQ(proof->itemText(IDC_AVERAGE), "250|2");
    send({7000});
    EXPECT_EQ(proof->itemText(IDC_AVERAGE), "250|2") << "average once stopped";
    calibrate("25");
    EXPECT_EQ(rows(), "1|1.00|100|0.01000\n2|25.00|250|0.10000\n") << "calibrated with the average";

    // The live text and panel follow at most every 50 ms and end on the latest reading.
    QWidget* panel = proof->item(IDC_RT_FRAME);
    step = 0;  // the clock stands still until the test moves it
    panel->repaint();
    PaintCounter counter(panel);
    send({10, 20, 30});
    QTest::qWait(120);  // longer than the interval in real time: only the clock counts
    EXPECT_EQ(proof->itemText(IDC_RT_VALUE), "7000") << "live text within 50 ms";
    EXPECT_EQ(counter.paints, 0) << "panel paints within 50 ms";
    now += 51;  // the interval ends: the burst's last reading shows without a later one
    EXPECT_TRUE(waitFor([&] { return proof->itemText(IDC_RT_VALUE) == "30"; }));
    EXPECT_TRUE(waitFor([&] { return counter.paints == 1; })) << "panel repainted";

    // A long interval at full scale: 40,000 readings would wrap a 32-bit sum.
    click(IDC_CALC_AVERAGE);
    const int full = 65535;
    for (int i = 0; i < 40000; ++i) proof->SetRealtimeData(&full, 1);
    now += 51;
    EXPECT_TRUE(waitFor([&] { return proof->itemText(IDC_AVERAGE) == "65535|10470"; }));
}

}  // namespace
}  // namespace velmora::test
#endif
