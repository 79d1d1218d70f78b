// Calibration records (fuzzed too), their conversion of a reading, their file (its format:
// tests/platform; the dialog's: tests/integration) and the graph's pixels, zoom steps and buttons.
#include "calibration/proofdatafile.h"
#include "calibration/proofgraphwnd.h"

#include "support/testsupport.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <tuple>

using namespace velmora;

TEST(ProofRecords, ValueTextToRecords) {
    // A record text of n characters, "(1,00...02)": 64 are too many.
    const auto record = [](std::size_t n) { return "(1," + std::string(n - 5, '0') + "2);"; };
    const std::pair<std::string, ProofPointList> cases[] = {
        {"(100,5);;(200,10)", {{100, 5}}},  // the unterminated last record is not loaded
        {"( -1,\t+30);(1,+-2);", {{-1, 30}}},
        {"(1,2)trailing;(3,4", {{1, 2}}},  // what follows the second number is ignored
        {"x; (3,4);(1);(1,);(,2);(1 ,2);(5,6);", {{5, 6}}},  // "(" first, then x and y only
        {"(2147483647,-2147483648);(2147483648,1);", {{2147483647, -2147483647 - 1}}},
        {record(64) + record(63), {{1, 2}}},
    };
    for (const auto& [value, records] : cases) {
        ProofPointList list;
        parseProofRecords(value, list);
        EXPECT_EQ(list, records) << value;
    }
}

TEST(ProofConversion, LinearAndReciprocalThroughTheBracketingRecords) {
    // The records, the raw reading, its linear and its reciprocal conversion.
    const std::tuple<ProofPointList, int, int, int> cases[] = {
        {{{100, 10}, {200, 30}}, 150, 20, 15},
        {{{100, 10}, {200, 30}}, 50, 0, 7},  // below or above all: through the nearest two
        {{{100, 10}, {200, 30}}, 300, 50, -30},
        {{{200, 30}, {100, 10}}, 150, 20, 15},
        {{{1200, 50}}, 2400, 100, 25},          // one record: proportional or inversely
        {{{100, 10}, {100, 20}}, 100, 10, 10},  // equal x: the first one counts
        {{{100, 10}, {100, 20}, {300, 50}}, 500, 90, -16},
        {{{1000, 3000}, {65535, 5000}}, 30000, 3898, 3657},
        {{}, 123, -1, -1},
        {{{0, 5}, {-3, 9}}, 40, 0, 0},  // no usable record at all
        {{{-5, 7}}, 0, 0, 0},           // neither below nor above: no division by 0
    };
    for (const auto& [points, r, linear, reciprocal] : cases) {
        EXPECT_EQ(ConvertRawValue(points, r, false), linear) << "linear at " << r;
        EXPECT_EQ(ConvertRawValue(points, r, true), reciprocal) << "reciprocal at " << r;
    }
}

TEST(ProofFile, BesideArgumentZeroWhenThatFolderIsWritableElseInTheConfigFolder) {
    const QTemporaryDir dir;
    const QString t = dir.path(), bin = t + "/bin", home = QDir::homePath();
    ASSERT_TRUE(QDir(t).mkpath("bin"));
    QFile::setPermissions(bin, QFileDevice::ReadOwner | QFileDevice::ExeOwner);  // as /usr/bin
    const bool binWritable = QFile(bin + "/probe").open(QIODevice::WriteOnly);   // for root
    // Argument 0, the config home, where the file lies and whether that is the config folder.
    const std::tuple<QString, QString, QString, bool> cases[] = {
        {t + "/Velmora", "", t + "/ProofDat.ini", false},
        {bin + "/Velmora", "/cfg",
         binWritable ? bin + "/ProofDat.ini" : "/cfg/velmora/ProofDat.ini", !binWritable},
        {"Velmora", "relative/cfg", home + "/.config/velmora/ProofDat.ini", true},
    };
    for (const auto& [argv0, configHome, path, inConfig] : cases) {
        const ProofDataFile f = proofDataFile(argv0, configHome);
        EXPECT_EQ(f.path.toStdString(), path.toStdString()) << "path for " << qPrintable(argv0);
        EXPECT_EQ(f.inConfigFolder, inConfig) << "config folder for " << qPrintable(argv0);
    }
}

TEST(ProofFile, LoadsWhatWasSavedWhereAValueOfSixCharactersHoldsNoRecords) {
    const QTemporaryDir dir;
    const ProofDataFile file{dir.filePath("cfg/velmora/ProofDat.ini"), true};
    const ProofPointList a{{1200, 50}, {-1, 30}}, b{{7, 8}, {9, 10}}, six{{1, 2}};
    // What is saved, and what loads: a value of six characters or less holds no records.
    const std::pair<ProofPointLists, ProofPointLists> cases[] = {
        {{a, b}, {a, b}}, {{six, b}, {ProofPointList{}, b}}, {{ProofPointList{}, six}, {}}};
    for (const auto& [saved, loaded] : cases) {
        EXPECT_TRUE(SaveProofData(saved, file).ok) << "the config folder is made on the first save";
        ProofPointLists lists{ProofPointList{{9, 9}}, ProofPointList{{9, 9}}};  // replaced
        LoadProofData(lists, file);
        EXPECT_EQ(lists, loaded) << formatProofRecords(saved[0]) << formatProofRecords(saved[1]);
    }
}

namespace {

const QRgb kBack = qRgb(0, 64, 128), kGrid = qRgb(0, 128, 128), kYellow = qRgb(255, 255, 0);
constexpr int kW = 300, kH = 200;  // client size; zooms 50, 100 and 200 map it to whole units

// Pixel of logical (x, y) at `zoom`: 24 units of margin, y upwards from the bottom edge.
QPoint pixel(int x, int y, int zoom) { return {(24 + x) * zoom / 100, kH - (24 + y) * zoom / 100}; }

TEST(ProofGraph, GridAxesCurveAndMarkersScaleWithTheZoomThatStepsAndTheButtons) {
    QWidget host;
    CProofGraphWnd graph;
    graph.Create(QRect(10, 10, kW, kH), &host, 100);
    host.show();
    graph.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    const auto render = [&](int zoom) {  // steps to `zoom` and takes what the window paints
        for (int i = 0; i < 20 && graph.zoom() != zoom; ++i)
            graph.zoom() < zoom ? graph.OnGraphZoomIn() : graph.OnGraphZoomOut();
        return graph.grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    // A curve that runs below the x axis and out to a 32-bit extreme.
    graph.SetPoints({{50, 30}, {10, 30}, {10, -10}, {INT32_MAX, -10}});
    for (int zoom : {50, 100, 200}) {
        const QImage image = render(zoom);
        const int s2 = zoom / 50;  // pixels per 2 units
        EXPECT_EQ(image.pixel(kW - 1, 0), kBack) << "background at " << zoom;
        EXPECT_EQ(image.pixel(pixel(20, 45, zoom)), kGrid) << "vertical grid line at " << zoom;
        EXPECT_EQ(image.pixel(pixel(70, 20, zoom)), kGrid) << "horizontal grid line at " << zoom;
        EXPECT_EQ(image.pixel(pixel(0, 50, zoom)), kYellow) << "y axis at " << zoom;
        EXPECT_EQ(image.pixel(kW - 16 * s2, kH - 14 * s2), kYellow) << "x arrowhead at " << zoom;
        EXPECT_EQ(image.pixel(10 * s2, 16 * s2), kYellow) << "y arrowhead at " << zoom;
        EXPECT_EQ(image.pixel(pixel(51, 30, zoom)), qRgb(255, 255, 255)) << "marker at " << zoom;
        EXPECT_EQ(image.pixel(pixel(10, -5, zoom)), kYellow) << "curve below the axis at " << zoom;
        EXPECT_EQ(image.pixel(pixel(100, -10, zoom)), kYellow) << "curve to the edge at " << zoom;
    }

    for (int i = 0; i < 22; ++i) {  // from 200: 2 steps up, 18 down to 20, 2 more
        const int expected = std::clamp(graph.zoom() + (i < 2 ? 10 : -10), 20, 200);
        QCoreApplication::processEvents();
        test::PaintCounter counter(&graph);
        i < 2 ? graph.OnGraphZoomIn() : graph.OnGraphZoomOut();
        QCoreApplication::processEvents();
        EXPECT_EQ(counter.paints, 1) << "zoom step " << i << " repaints";
        EXPECT_EQ(graph.zoom(), expected) << "zoom step " << i;
    }
    // The buttons show only under the cursor, "+" top right and "-" top left.
    auto* plus = graph.findChild<QPushButton*>("ctrl_32001");
    auto* minus = graph.findChild<QPushButton*>("ctrl_32002");
    ASSERT_NE(plus, nullptr);
    ASSERT_NE(minus, nullptr);
    graph.resize(250, 120);
    for (auto [x, y, shown] :
         {std::tuple{240, 8, "+"}, {233, 15, ""}, {120, 60, ""}, {3, 15, "-"}}) {
        QTest::mouseMove(&graph, QPoint(x, y));
        EXPECT_EQ(QString(plus->isVisible() ? "+" : "") + (minus->isVisible() ? "-" : ""), shown)
            << "with the cursor at " << x << ',' << y;
    }
    QTest::mouseMove(&graph, QPoint(240, 8));
    QTest::mouseClick(plus, Qt::LeftButton);
    EXPECT_EQ(graph.zoom(), 30) << "\"+\" zooms in";
    QTest::mouseMove(plus, QPoint(8, 8));
    ASSERT_TRUE(plus->isVisible());
    QTest::mouseMove(&host, QPoint(host.width() - 1, host.height() - 1));
    EXPECT_FALSE(plus->isVisible()) << "leaving the button for outside the graph hides it";
}

}  // namespace
