// The calibration file against real files in a temporary folder.
#include "calibration/proofdatafile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using velmora::ProofDataFile;
using velmora::ProofPointList;
using velmora::ProofPointLists;

namespace {

class ProofFile : public ::testing::Test {
protected:
    void write(const QByteArray& bytes) {
        QFile f(file.path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray read() const {
        QFile f(file.path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    ProofPointLists load() const {
        ProofPointLists lists{ProofPointList{{9, 9}}, ProofPointList{{9, 9}}};  // replaced
        LoadProofData(lists, file);
        return lists;
    }

    QTemporaryDir dir;
    ProofDataFile file{dir.filePath("ProofDat.ini"), false};
};

}  // namespace

TEST(ProofFileLocation, BesideArgumentZeroWhenThatFolderIsWritableElseInTheConfigFolder) {
    const QString home = QDir::homePath();
    const QTemporaryDir dir;
    const QString t = dir.path();
    ASSERT_TRUE(QDir(t).mkdir(QStringLiteral("Desktop")));
    ASSERT_TRUE(QDir(t).mkdir(QStringLiteral("bin")));
    // A folder like /usr/bin: read-only for whoever runs the program. Permission bits do not
    // stop root, so the expectation follows whether a file can really be made there.
    const QString bin = t + QStringLiteral("/bin");
    QFile::setPermissions(bin, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QFile probe(bin + QStringLiteral("/probe"));
    const bool binWritable = probe.open(QIODevice::WriteOnly);
    probe.remove();
    const struct {
        QString argv0;
        QString configHome;
        QString path;
        bool inConfig;
    } cases[] = {
        {t + "/Velmora", "/cfg", t + "/ProofDat.ini", false},
        {t + "/Desktop/Velmora", "", t + "/Desktop/ProofDat.ini", false},  // a link
        {"./Velmora", "/cfg", "./ProofDat.ini", false},  // the test's folder is writable
        {t + "/gone/Velmora", "/cfg", "/cfg/velmora/ProofDat.ini", true},
        {bin + "/Velmora", "/cfg",
         binWritable ? bin + "/ProofDat.ini" : "/cfg/velmora/ProofDat.ini", !binWritable},
        {"Velmora", "/cfg", "/cfg/velmora/ProofDat.ini", true},
        {"Velmora", "", home + "/.config/velmora/ProofDat.ini", true},
        {"Velmora", "relative/cfg", home + "/.config/velmora/ProofDat.ini", true},
    };
    for (const auto& c : cases) {
        const ProofDataFile f = velmora::proofDataFile(c.argv0, c.configHome);
        EXPECT_EQ(f.path.toStdString(), c.path.toStdString()) << qPrintable(c.argv0);
        EXPECT_EQ(f.inConfigFolder, c.inConfig) << qPrintable(c.argv0);
    }
    QFile::setPermissions(bin,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(ProofFile, LoadingFillsBothSensorsWithSensorTwoFallingBackToSensorOne) {
    const ProofPointList two{{100, 5}, {200, 10}};
    const struct {
        QByteArray content;  // "<none>": no file at all
        ProofPointLists lists;
    } cases[] = {
        {"<none>", {}},
        {"[QZTK-DATA]\nSensor_1=(100,5);(200,10);\n", {two, two}},
        {"[QZTK-DATA]\nSensor_1=(100,5);(200,10);\nSensor_2=\n", {two, two}},
        {"[qztk-data]\r\n  SENSOR_1 = (100,5);(200,10);  \r\nsensor_2=(7,8);(9,10);\r\n",
         {two, ProofPointList{{7, 8}, {9, 10}}}},
        {"[QZTK-DATA]\nSensor_1=(1,2);\nSensor_2=(3,4);(5,6);\n",
         {ProofPointList{}, ProofPointList{{3, 4}, {5, 6}}}},
        {"[QZTK-DATA]\nSensor_2=(3,4);\n", {}},  // six characters: no records
        {"[Other]\nSensor_1=(1,20);\n[QZTK-DATA]\nSensor_1=(100,5);(200,10);\n"
         "[QZTK-DATA]\nSensor_2=(3,40);\n",
         {two, two}},
        {"[QZTK-DATA]\nSensor_1=(100,5);(200,10);", {two, two}},  // no final line end
    };
    for (const auto& c : cases) {
        QFile::remove(file.path);
        if (c.content != "<none>") write(c.content);
        EXPECT_EQ(load(), c.lists) << c.content.constData();
    }
}

TEST_F(ProofFile, SavingWritesTheRecordsAndReadsBackWhole) {
    ProofPointLists lists{ProofPointList{{1200, 50}, {2400, 100}, {3600, 150}}, {}};
    ASSERT_TRUE(SaveProofData(lists, file).ok);
    EXPECT_EQ(read(), "[QZTK-DATA]\nSensor_1=(1200,50);(2400,100);(3600,150);\nSensor_2=\n");

    // 500 records a sensor: far beyond what a 4 KB read would see.
    for (int i = 0; i < 500; ++i) {
        lists[0].push_back({65535 - i, -i});
        lists[1].push_back({i, 100000 + i});
    }
    ASSERT_TRUE(SaveProofData(lists, file).ok);
    EXPECT_GT(read().size(), 2 * 4096);
    EXPECT_EQ(load(), lists);
}

TEST_F(ProofFile, SavingChangesOnlyTheTwoValues) {
    const QByteArray before =
        "; calibration of bench 3\r\n\r\n[General]\r\nOperator = Li\r\n\r\n"
        "[QZTK-DATA]\r\n  Sensor_1 = (1,1);(2,2);\r\n; keep this note\r\nSensor_2=\r\n\r\n"
        "[Zeta]\r\nSensor_1=untouched\r\n";
    write(before);
    const ProofPointLists lists{ProofPointList{{3000, 50}}, ProofPointList{{-1, 12}, {1000, 12}}};
    ASSERT_TRUE(SaveProofData(lists, file).ok);
    QByteArray expected = before;
    expected.replace("  Sensor_1 = (1,1);(2,2);", "  Sensor_1 =(3000,50);");
    expected.replace("Sensor_2=\r\n", "Sensor_2=(-1,12);(1000,12);\r\n");
    EXPECT_EQ(read(), expected);
    EXPECT_EQ(load(), lists);
}

TEST_F(ProofFile, AFailedSaveSaysWhyAndOnlyTheConfigFolderIsMade) {
    const ProofPointLists lists{ProofPointList{{1, 10}}, {}};
    // Beside the program the folder is never made: a missing one is reported.
    const velmora::ProfileWriteResult noFolder =
        SaveProofData(lists, {dir.filePath("gone/ProofDat.ini"), false});
    EXPECT_FALSE(noFolder.ok);
    EXPECT_FALSE(noFolder.error.isEmpty());
    // The program's own config folder is made on the first save.
    const ProofDataFile config{dir.filePath("cfg/velmora/ProofDat.ini"), true};
    EXPECT_TRUE(SaveProofData(lists, config).ok);
    EXPECT_TRUE(QFile::exists(config.path));
}

TEST_F(ProofFile, AHugeValueWithoutALineEndLoadsWhole) {
    QByteArray huge = "[QZTK-DATA]\nSensor_1=";
    for (int i = 0; i < 200000; ++i) huge += "(1,2);";
    write(huge);
    EXPECT_EQ(load()[1].size(), 200000u);
}
