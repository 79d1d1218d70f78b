// The real main dialog of the edition this program is built for, driven by clicks on its
// buttons, with the trace and the pause after opening recorded; openPty() links COM1 to a
// bare pseudo-terminal, opens it and gives the program a clock the test moves.
#pragma once

#include "app/edition.h"
#include "app/sensordemodlg.h"
#include "platform/debugoutput.h"
#include "platform/tick.h"
#include "res/resource.h"
#include "serial/pty.h"
#include "serial/settle.h"
#include "support/testsupport.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <thread>

// A failing comparison shows a text as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace velmora::test {

// A wait ends as soon as its condition holds; it may take nearly the two minutes a test may
// last, so that a loaded machine fails no test.
constexpr int kPatience = 100000;
bool waitFor(auto condition) { return QTest::qWaitFor(condition, kPatience); }

MATCHER_P(Says, part, "") { return arg.contains(part); }

// The texts of the message boxes shown so far, one a line.
inline QString messages() {
    QStringList texts;
    for (const RecordedBox& box : messageBoxes()) texts << box.text;
    return texts.join(u'\n');
}

class LiveDialog : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        installResources(editionResources());
        previousSink = setDebugSink([this](std::string_view s) { trace.emplace_back(s); });
        // The pause after opening is recorded, with whether the port was open by then.
        setSettleDelay(
            [this](int ms) { pauses.emplace_back(ms, dlg && dlg->comm().GetPortOpen()); });
        dlg = makeDialog();
    }
    void TearDown() override {
        setTickClock({});
        setDebugSink(previousSink);
        setSettleDelay({});
    }
    static std::unique_ptr<CSensorDemoDlg> makeDialog() {
        auto d = std::make_unique<CSensorDemoDlg>();
        d->create();
        d->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(d.get()));
        return d;
    }
    void click(int id, CSensorDemoDlg* d = nullptr) {
        QTest::mouseClick((d ? d : dlg.get())->itemAs<QAbstractButton>(id), Qt::LeftButton);
    }
    // A second passes between any two readings of the clock, so that every receive event
    // refreshes the paced displays, until a test stops it (step = 0) and moves it itself.
    void openPty() {
        ASSERT_TRUE(linkPort(config.path(), 1, pty.slave));
        setTickClock([this] { return now += step; });
        click(IDC_OPEN_PORT);
        ASSERT_TRUE(dlg->comm().GetPortOpen());
    }
    // Writes the sample frames from another thread (a long stream fills the line) and waits
    // until the value box shows the last value, which must differ from the value before.
    void send(const std::vector<int>& values) {
        ASSERT_NE(dlg->value(), values.back());
        QByteArray bytes;
        for (int v : values) bytes += sampleFrame(v);
        std::thread writer([&] { pty.write(bytes); });
        const bool arrived = waitFor([&] { return dlg->value() == values.back(); });
        if (!arrived) dlg->comm().SetPortOpen(false);  // lets a blocked writer fail
        writer.join();
        ASSERT_TRUE(arrived);
        QTest::qWait(20);
    }

    QTemporaryDir config;
    DebugSink previousSink;
    std::vector<std::string> trace;
    std::vector<std::pair<int, bool>> pauses;
    std::unique_ptr<CSensorDemoDlg> dlg;
    Pty pty;
    std::uint32_t now = 0, step = 1000;
};

}  // namespace velmora::test
