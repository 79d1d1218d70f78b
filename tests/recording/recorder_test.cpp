// The sample recorder without a window: the rows it writes, the time it stamps them with,
// and what is left in the file when writing fails.
#include "platform/tick.h"
#include "recording/samplerecorder.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

#include <sys/resource.h>

using velmora::SampleRecorder;

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

class Recorder : public ::testing::Test {
protected:
    void SetUp() override {
        velmora::setTickClock([this] { return now; });
    }
    void TearDown() override { velmora::setTickClock({}); }
    void event(std::initializer_list<int> values) {
        for (int v : values) rec.addSample(v);
        ASSERT_TRUE(rec.endEvent());
    }

    QTemporaryDir dir;
    QString path = dir.filePath("rec.csv");
    std::uint32_t now = 0;
    SampleRecorder rec;
};

TEST_F(Recorder, RowsCarryTheirEventsTimeAcrossTheTicksWrap) {
    rec.addSample(1);  // before the start: not recorded
    rec.endEvent();
    now = 0xFFFFFF00u;  // 256 ms before the 32-bit tick wraps
    ASSERT_TRUE(rec.start(path, SampleRecorder::Mode::CreateNew));
    EXPECT_EQ(contents(path), "time_s,value\n");  // the header is there at once
    event({0, 65535});
    now += 7;
    event({4660});
    now += 12345;  // past the wrap
    event({10, 20, 30});
    now += 3600000;
    event({5});
    EXPECT_EQ(rec.rows(), 7u);
    EXPECT_EQ(contents(path), "time_s,value\n");  // rows wait for a flush
    ASSERT_TRUE(rec.flush());
    const QByteArray rows =
        "time_s,value\n0.000,0\n0.000,65535\n0.007,4660\n12.352,10\n"
        "12.352,20\n12.352,30\n3612.352,5\n";
    EXPECT_EQ(contents(path), rows);
    now += 1;
    event({7});
    ASSERT_TRUE(rec.stop());
    EXPECT_FALSE(rec.recording());
    EXPECT_EQ(contents(path), rows + "3612.353,7\n");
    // Samples after the stop go nowhere.
    event({8});
    EXPECT_EQ(contents(path), rows + "3612.353,7\n");
}

TEST_F(Recorder, AnExistingFileIsReplacedOnlyWhenAsked) {
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me\n");
    }
    EXPECT_FALSE(rec.start(path, SampleRecorder::Mode::CreateNew));
    EXPECT_FALSE(rec.recording());
    EXPECT_EQ(rec.errorString(), qt_error_string(EEXIST));
    EXPECT_EQ(contents(path), "keep me\n");
    ASSERT_TRUE(rec.start(path, SampleRecorder::Mode::Replace));
    EXPECT_EQ(contents(path), "time_s,value\n");
    // A folder that does not exist: the system's reason.
    EXPECT_FALSE(rec.start(dir.filePath("none/rec.csv"), SampleRecorder::Mode::CreateNew));
    EXPECT_EQ(rec.errorString(), qt_error_string(ENOENT));
}

TEST_F(Recorder, AFileThatCannotGrowKeepsItsWholeRows) {
    // The file-size limit stands in for a full disk: the write stops part-way through a row.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    ASSERT_TRUE(rec.start(path, SampleRecorder::Mode::CreateNew));
    rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    for (int i = 0; i < 200; ++i) rec.addSample(10000 + i);  // 200 rows of 12 bytes
    rec.endEvent();
    const bool flushed = rec.flush();
    setrlimit(RLIMIT_FSIZE, &old);

    EXPECT_FALSE(flushed);
    EXPECT_FALSE(rec.recording());
    EXPECT_EQ(rec.errorString(), qt_error_string(EFBIG));
    const QByteArray file = contents(path);
    EXPECT_LE(file.size(), 1000);
    EXPECT_TRUE(file.endsWith('\n')) << file.right(20).toStdString();
    const QList<QByteArray> lines = file.trimmed().split('\n');
    EXPECT_EQ(static_cast<std::uint64_t>(lines.size() - 1), rec.rows());
    for (int i = 1; i < lines.size(); ++i)
        EXPECT_EQ(lines[i], "0.000," + QByteArray::number(10000 + i - 1));
}

}  // namespace
