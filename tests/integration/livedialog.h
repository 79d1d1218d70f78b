// The real main dialog of the edition this program is built for, driven by clicks on its
// buttons: with the trace and the pause after opening recorded (DialogSerial), and with COM1
// linked to a bare pseudo-terminal, opened, and a clock the test moves (DialogSamples).
#pragma once

#include "app/edition.h"
#include "app/sensordemodlg.h"
#include "platform/debugoutput.h"
#include "platform/tick.h"
#include "res/resource.h"
#include "serial/pty.h"
#include "serial/settle.h"
#include "support/testsupport.h"
#include "tools/sim/devicesimulator.h"

#include <QAbstractButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

// A failing comparison shows a text as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace velmora::test {

// How long a wait for the program may last: nearly the two minutes a test may take, so a
// loaded machine does not fail a test; a wait ends as soon as its condition holds.
constexpr int kPatience = 100000;

class DialogSerial : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        installResources(editionResources());
        previousSink = setDebugSink([this](std::string_view s) { trace.emplace_back(s); });
        // The pause after opening is recorded, with whether the port was open by then.
        setSettleDelay([this](int ms) { pauses.emplace_back(ms, dlg && dlg->comm().GetPortOpen()); });
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
    // The newest sample stored in the chart's channel 0.
    int lastChartSample() const { return dlg->chart().m_wData[0][dlg->chart().m_nWrite - 1]; }

    QTemporaryDir config;
    DebugSink previousSink;
    std::vector<std::string> trace;
    std::vector<std::pair<int, bool>> pauses;
    std::unique_ptr<CSensorDemoDlg> dlg;
};

// Exact frames written to a bare pseudo-terminal, with a clock that lets a second pass
// between any two readings so every receive event refreshes the throttled displays.
class DialogSamples : public DialogSerial {
protected:
    void SetUp() override {
        DialogSerial::SetUp();
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
        const bool arrived =
            QTest::qWaitFor([&] { return dlg->value() == values.back(); }, kPatience);
        if (!arrived) dlg->comm().SetPortOpen(false);  // lets a blocked writer fail
        writer.join();
        ASSERT_TRUE(arrived);
        QTest::qWait(20);
    }

    Pty pty;
    std::uint32_t now = 0;
    std::uint32_t step = 1000;
};

}  // namespace velmora::test
