// Calibration records (fuzzed too), the conversion of a raw reading through them, and the file
// (its format: tests/platform; the bytes the dialog saves: tests/integration).
#include "calibration/proofdatafile.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <tuple>

using namespace velmora;

TEST(ProofRecords, ValueTextToRecords) {
    // A record text of n characters, "(1,00...02)": 64 are too many.
    const auto record = [](std::size_t n) { return "(1," + std::string(n - 5, '0') + "2);"; };
    const std::pair<std::string, ProofPointList> cases[] = {
        {"(100,5);;(200,10)", {{100, 5}}},  // the unterminated last record is not loaded
        {"( -1,\t+30);(1,+-2);", {{-1, 30}}},
        {"(1,2)trailing;(3,4", {{1, 2}}},           // what follows the second number is ignored
        {"(1,2); (3,4);(5,6);", {{1, 2}, {5, 6}}},  // a record text must begin with "("
        {"x;(1);(1,);(,2);(1 ,2);(1,2);", {{1, 2}}},
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
        {t + "/gone/Velmora", "/cfg", "/cfg/velmora/ProofDat.ini", true},
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

TEST(ProofFile, SensorTwoWithoutRecordsTakesSensorOnesAndSavesMakeOnlyTheConfigFolder) {
    const QTemporaryDir dir;
    const ProofDataFile file{dir.filePath("cfg/velmora/ProofDat.ini"), true};
    const ProofPointList a{{1200, 50}, {-1, 30}}, b{{7, 8}, {9, 10}}, six{{1, 2}};
    // What is saved, and what loads: a value of six characters or less holds no records.
    const std::pair<ProofPointLists, ProofPointLists> cases[] = {{{a, {}}, {a, a}},
                                                                 {{a, b}, {a, b}},
                                                                 {{six, b}, {ProofPointList{}, b}},
                                                                 {{ProofPointList{}, six}, {}}};
    for (const auto& [saved, loaded] : cases) {
        EXPECT_TRUE(SaveProofData(saved, file).ok) << "the config folder is made on the first save";
        ProofPointLists lists{ProofPointList{{9, 9}}, ProofPointList{{9, 9}}};  // replaced
        LoadProofData(lists, file);
        EXPECT_EQ(lists, loaded) << formatProofRecords(saved[0]) << formatProofRecords(saved[1]);
    }
    const ProfileWriteResult beside =
        SaveProofData({a, b}, {dir.filePath("gone/ProofDat.ini"), false});
    EXPECT_FALSE(beside.ok) << "a missing folder beside the program is not made";
    EXPECT_FALSE(beside.error.isEmpty()) << "a failed save says why";
}
