// The sample recorder without a window: its rows, their times, and a file that cannot grow.
#include "platform/tick.h"
#include "recording/samplerecorder.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

// Each row has its event's time since the start, also across the 32-bit tick's wrap; the header
// is in the file at once, the rows once flushed or stopped; nothing before the start or after the
// stop; starting again replaces the file. A file that cannot grow (the size limit stands in for a
// full disk) keeps its whole rows. A refusal or a failure gives the system's reason.
TEST_F(Recorder, RowsCarryTheirEventsTimeAndAFileThatCannotGrowKeepsItsWholeRows) {
    event({1});
    now = 0xFFFFFF00u;  // 256 ms before the tick wraps
    ASSERT_TRUE(rec.start(path, SampleRecorder::Mode::Replace));
    EXPECT_EQ(contents(path), "time_s,value\n") << "the header";
    event({0, 65535});
    now += 7;
    event({4660});
    now += 12345;  // past the wrap
    event({10, 20, 30});
    now += 3600000;
    event({5});
    ASSERT_TRUE(rec.flush());
    const QByteArray rows =
        "time_s,value\n0.000,0\n0.000,65535\n0.007,4660\n12.352,10\n"
        "12.352,20\n12.352,30\n3612.352,5\n";
    EXPECT_EQ(contents(path), rows) << "flushed";
    now += 1;
    event({7});
    ASSERT_TRUE(rec.stop());
    event({8});
    EXPECT_EQ(contents(path), rows + "3612.353,7\n") << "stopped";
    EXPECT_EQ(rec.rows(), 8u) << "rows counted";
    EXPECT_FALSE(rec.start(dir.filePath("none/rec.csv"), SampleRecorder::Mode::Replace));
    EXPECT_EQ(rec.errorString(), qt_error_string(ENOENT)) << "a missing folder's reason";
    ASSERT_TRUE(rec.start(path, SampleRecorder::Mode::Replace));
    EXPECT_EQ(contents(path), "time_s,value\n") << "replaced";

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const rlimit small{1000, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    for (int i = 0; i < 200; ++i) rec.addSample(10000 + i);  // 200 rows of 12 bytes
    const bool written = rec.endEvent() && rec.flush();
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(written) << "a failed write reported";
    EXPECT_FALSE(rec.recording()) << "recording on";
    EXPECT_EQ(rec.errorString(), qt_error_string(EFBIG)) << "the reason";
    const QList<QByteArray> lines = contents(path).split('\n');
    EXPECT_EQ(lines.back(), "") << "a row cut off";
    EXPECT_EQ(lines.size(), 84) << "the header and the 82 rows that fit";
    EXPECT_EQ(rec.rows(), 82u) << "rows counted";
    EXPECT_EQ(lines[82], "0.000,10081") << "the last whole row";
}

}  // namespace
