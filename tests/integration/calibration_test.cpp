// The calibration dialog of Velmora, opened from the real main dialog with its shortcut and
// fed through the main dialog's receive path from a pseudo-terminal; records made with real
// clicks, checked in the list, the live panel's pixels and the bytes of the file.
#include "livedialog.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>

using velmora::test::messageBoxes;
using velmora::test::messageTexts;

namespace {

QString u8(const char* text) { return QString::fromUtf8(text); }

class Calibration : public velmora::test::DialogSamples {
protected:
    void SetUp() override {
        DialogSamples::SetUp();
        dlg->proofDialog().setDataFile({file, false});
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        QTest::keyClick(dlg.get(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        proof = &dlg->proofDialog();
        ASSERT_TRUE(proof->isVisible());
        list = proof->itemAs<QTableWidget>(IDC_RECORD_LIST);
    }

    void click(int id) { QTest::mouseClick(proof->item(id), Qt::LeftButton); }
    void calibrate(const char* standard) {
        proof->itemAs<QLineEdit>(IDC_STANDARD_VALUE)->setText(u8(standard));
        click(IDC_PROOF);
    }
    // The list as the operator reads it, one string per row.
    std::vector<QString> rows() const {
        std::vector<QString> out;
        for (int r = 0; r < list->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < list->columnCount(); ++c) cells << list->item(r, c)->text();
            out.push_back(cells.join(u'|'));
        }
        return out;
    }
    QByteArray fileBytes() const {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void selectRow(int row) {
        const QRect cell = list->visualRect(list->model()->index(row, 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // White pixels in the upper and the lower half of the live panel, as painted.
    std::pair<int, int> panelText() const {
        QWidget* panel = proof->item(IDC_RT_FRAME);
        const QImage image = panel->grab().toImage();
        int upper = 0, lower = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) == Qt::white) ++(y < image.height() / 2 ? upper : lower);
        EXPECT_EQ(image.pixelColor(2, 2), QColor(0, 0, 128));
        return {upper, lower};
    }

    QString file = config.filePath("ProofDat.ini");
    CProofDataDlg* proof = nullptr;
    QTableWidget* list = nullptr;
};

}  // namespace

TEST_F(Calibration, OpensOnceWithItsLayoutAndClosingOnlyHides) {
    EXPECT_EQ(proof->windowTitle(), u8("传感器标定"));
    EXPECT_EQ(proof->itemText(IDC_SENSOR), u8("传感器1(左)"));
    const char* const titles[] = {"序号", "标准值", "标定点", "标定系数"};
    const int widths[] = {50, 80, 80, 80};
    ASSERT_EQ(list->columnCount(), 4);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(list->horizontalHeaderItem(c)->text(), u8(titles[c]));
        EXPECT_EQ(list->columnWidth(c), widths[c]);
    }
    EXPECT_TRUE(list->showGrid());
    EXPECT_TRUE(list->horizontalHeader()->sectionsMovable());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(list->isVisible());
    EXPECT_FALSE(proof->graph().isVisible());

    // Enter and Escape change nothing; the close button hides; the shortcut shows it again.
    QTest::keyClick(proof, Qt::Key_Return);
    QTest::keyClick(proof, Qt::Key_Escape);
    EXPECT_TRUE(proof->isVisible());
    proof->close();
    EXPECT_FALSE(proof->isVisible());
    EXPECT_TRUE(proof->isWindow());
    QTest::keyClick(dlg.get(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(proof->isVisible());
    EXPECT_TRUE(messageTexts().empty());

    // The graph view hides the list and its buttons, and back.
    const int listControls[] = {IDC_RECORD_LIST, IDC_DELETE, IDC_CLEAR_ALL, IDC_SAVE, IDC_RELOAD,
                                IDC_RECIPROCAL};
    click(IDC_SHOW_GRAPH);
    EXPECT_TRUE(proof->graph().isVisible());
    for (int id : listControls) EXPECT_FALSE(proof->item(id)->isVisible()) << id;
    EXPECT_TRUE(proof->item(IDC_PROOF)->isVisible());
    click(IDC_SHOW_LIST);
    EXPECT_FALSE(proof->graph().isVisible());
    for (int id : listControls) EXPECT_TRUE(proof->item(id)->isVisible()) << id;
}

TEST_F(Calibration, RecordsTheLiveReadingAndSavesAndRereadsThem) {
    // No records yet: the panel shows the raw reading only.
    send({3000});
    EXPECT_EQ(proof->itemText(IDC_RT_VALUE), "3000");
    auto [upper, lower] = panelText();
    EXPECT_GT(upper, 20);
    EXPECT_EQ(lower, 0);

    calibrate("50");
    EXPECT_EQ(rows(), std::vector<QString>{"1|50.00|3000|0.01667"});
    send({1000});
    calibrate("12.5");
    EXPECT_EQ(rows(), (std::vector<QString>{"1|50.00|3000|0.01667", "2|12.00|1000|0.01250"}));
    EXPECT_EQ(proof->graph().points().size(), 2u);

    // The converted reading appears in the lower half.
    send({2000});
    std::tie(upper, lower) = panelText();
    EXPECT_GT(upper, 20);
    EXPECT_GT(lower, 20);

    click(IDC_SAVE);
    EXPECT_EQ(fileBytes(), "[QZTK-DATA]\nSensor_1=(3000,50);(1000,12);\nSensor_2=\n");
    EXPECT_FALSE(proof->isModified());
    // Rereading fills the list from the records: the coefficient is now y / x.
    calibrate("99");
    click(IDC_RELOAD);
    EXPECT_EQ(rows(), (std::vector<QString>{"1|50.00|3000|0.01667", "2|12.00|1000|0.01200"}));
    EXPECT_TRUE(messageTexts().empty());
}

TEST_F(Calibration, RefusalsAndDeletingTheSelectedRecord) {
    proof->itemAs<QLineEdit>(IDC_STANDARD_VALUE)->clear();
    click(IDC_PROOF);
    click(IDC_DELETE);
    ASSERT_EQ(messageBoxes().size(), 2u);
    EXPECT_EQ(messageBoxes()[0].text, u8("请输入标准值!"));
    EXPECT_EQ(messageBoxes()[1].text, u8("请选择要删除的纪录!"));
    EXPECT_EQ(messageBoxes()[1].caption, u8("操作提示"));
    EXPECT_EQ(messageBoxes()[1].type, velmora::MB_OK | velmora::MB_ICONINFORMATION);

    // No reading yet: the record takes -1 and the coefficient 1.
    calibrate("7");
    send({500});
    calibrate("10");
    calibrate("20");
    selectRow(2);
    click(IDC_DELETE);
    EXPECT_EQ(rows(), (std::vector<QString>{"1|7.00|-1|1.00000", "2|10.00|500|0.02000"}));
    EXPECT_EQ(proof->graph().points(), (std::vector<QPoint>{{-1, 7}, {500, 10}}));
    click(IDC_SAVE);
    EXPECT_EQ(fileBytes(), "[QZTK-DATA]\nSensor_1=(-1,7);(500,10);\nSensor_2=\n");

    // Clearing asks first.
    velmora::test::setMessageBoxAnswer(velmora::IDNO);
    click(IDC_CLEAR_ALL);
    EXPECT_EQ(list->rowCount(), 2);
    velmora::test::setMessageBoxAnswer(velmora::IDYES);
    click(IDC_CLEAR_ALL);
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_TRUE(proof->isModified());
    EXPECT_EQ(messageBoxes().back().text, u8("确定要删除所有的标定记录吗?"));
}

TEST_F(Calibration, UnsavedChangesAreOfferedForSavingOnSensorChangeAndOnClose) {
    send({800});
    calibrate("40");
    velmora::test::setMessageBoxAnswer(velmora::IDYES);
    auto* sensor = proof->itemAs<QComboBox>(IDC_SENSOR);
    sensor->setFocus();
    QTest::keyClick(sensor, Qt::Key_Down);
    ASSERT_EQ(sensor->currentIndex(), 1);
    EXPECT_EQ(messageBoxes().back().text, u8("当前的标定数据有修改, 需要保存吗?"));
    EXPECT_EQ(messageBoxes().back().caption, u8("提示"));
    EXPECT_EQ(fileBytes(), "[QZTK-DATA]\nSensor_1=(800,40);\nSensor_2=\n");
    EXPECT_EQ(list->rowCount(), 0);  // sensor 2 has no records in memory

    // Sensor 2 gets no live reading: its records take -1.
    calibrate("5");
    EXPECT_EQ(rows(), std::vector<QString>{"1|5.00|-1|1.00000"});
    proof->close();
    EXPECT_EQ(messageBoxes().back().text, u8("标定数据被修改, 需要保存吗?"));
    EXPECT_FALSE(proof->isVisible());
    EXPECT_EQ(fileBytes(), "[QZTK-DATA]\nSensor_1=(800,40);\nSensor_2=(-1,5);\n");
    EXPECT_EQ(messageBoxes().size(), 2u);
}

TEST_F(Calibration, AFailedSaveIsReportedAndKeepsTheChangesMarked) {
    const QString unwritable = config.filePath("missing/ProofDat.ini");
    proof->setDataFile({unwritable, false});
    send({900});
    calibrate("30");
    click(IDC_SAVE);
    ASSERT_EQ(messageBoxes().size(), 1u);
    EXPECT_TRUE(messageBoxes()[0].text.startsWith(u8("标定数据保存失败!")));
    EXPECT_TRUE(messageBoxes()[0].text.contains(unwritable));
    EXPECT_TRUE(proof->isModified());

    // Yes on close tries again, fails again, and the dialog stays with its records.
    velmora::test::setMessageBoxAnswer(velmora::IDYES);
    proof->close();
    EXPECT_TRUE(proof->isVisible());
    EXPECT_EQ(rows(), std::vector<QString>{"1|30.00|900|0.03333"});
    // No: the records stay in memory unsaved, and the dialog hides.
    velmora::test::setMessageBoxAnswer(velmora::IDNO);
    proof->close();
    EXPECT_FALSE(proof->isVisible());
    EXPECT_EQ(messageTexts().back(), u8("标定数据被修改, 需要保存吗?"));
}

TEST_F(Calibration, IntervalStatisticsAndCalibratingWithTheirAverage) {
    proof->setChecked(IDC_USE_AVERAGE, true);
    send({100});
    calibrate("1");  // never started: the live reading is used
    click(IDC_CALC_AVERAGE);
    EXPECT_EQ(proof->itemText(IDC_CALC_AVERAGE), u8("停止计算"));
    send({100, 200, 300, 401});
    click(IDC_CALC_AVERAGE);
    EXPECT_EQ(proof->itemText(IDC_CALC_AVERAGE), u8("开始计算"));
    // Converted through the one record (100, 1): proportional, 1 per 100.
    EXPECT_EQ(proof->itemText(IDC_INTERVAL), "[100,401]|[1,4]");
    EXPECT_EQ(proof->itemText(IDC_AVERAGE), "250|2");
    send({7000});  // stopped: no longer counted
    EXPECT_EQ(proof->itemText(IDC_AVERAGE), "250|2");
    calibrate("25");
    EXPECT_EQ(rows().back(), "2|25.00|250|0.10000");

    // A long interval at full scale: 40,000 readings would wrap a 32-bit sum.
    click(IDC_CALC_AVERAGE);
    step = 0;
    const int full = 65535;
    for (int i = 0; i < 40000; ++i) proof->SetRealtimeData(&full, 1);
    now += 51;
    EXPECT_TRUE(QTest::qWaitFor([&] { return proof->itemText(IDC_AVERAGE) == "65535|10470"; }));
}

TEST_F(Calibration, LiveTextsAndPanelFollowAtMostEvery50MsAndEndOnTheLatestReading) {
    QWidget* panel = proof->item(IDC_RT_FRAME);
    send({1});
    step = 0;  // the clock stands still until the test moves it
    panel->repaint();
    velmora::test::PaintCounter counter(panel);

    send({10, 20, 30});
    QTest::qWait(120);  // longer than the interval in real time: only the clock counts
    EXPECT_EQ(proof->itemText(IDC_RT_VALUE), "1");
    EXPECT_EQ(counter.paints, 0);

    now += 51;  // the interval ends: the burst's last reading shows without a later one
    ASSERT_TRUE(QTest::qWaitFor([&] { return proof->itemText(IDC_RT_VALUE) == "30"; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.paints == 1; }));
    send({40, 50});
    QTest::qWait(120);
    EXPECT_EQ(proof->itemText(IDC_RT_VALUE), "30");
    EXPECT_EQ(counter.paints, 1);
    now += 51;
    ASSERT_TRUE(QTest::qWaitFor([&] { return proof->itemText(IDC_RT_VALUE) == "50"; }));
}
