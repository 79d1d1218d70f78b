// The real main dialog of this program's edition, driven by clicks, with the trace and the
// pause after opening recorded; openPty() opens COM1 on a bare pseudo-terminal.
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
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <gmock/gmock.h>

#include <memory>
#include <thread>

inline void PrintTo(const QString& s, std::ostream* out) { *out << '"' + s.toStdString() + '"'; }

namespace velmora::test {

// A wait ends once its condition holds, and may take nearly the two minutes a test may last.
constexpr int kPatience = 100000;
bool waitFor(auto condition) { return QTest::qWaitFor(condition, kPatience); }
MATCHER_P(Says, text, "") { return arg.contains(text); }

inline QString messages() {
    const std::vector<QString> texts = messageTexts();
    return QStringList(texts.begin(), texts.end()).join(u'\n');
}
inline QString fileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : "<unreadable>";
}
// Pixels of one colour in rows [top, bottom) of a widget's picture, as the operator sees it.
inline int pixels(QWidget* widget, const QColor& colour, int top = 0, int bottom = 1 << 30) {
    const QImage image = widget->grab().toImage();
    int n = 0;
    for (int y = top; y < std::min(bottom, image.height()); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixelColor(x, y) == colour;
    return n;
}

class LiveDialog : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        installResources(editionResources());
        setDebugSink([this](std::string_view s) { trace.emplace_back(s); });
        // The pause after opening is recorded, with whether the port was open by then.
        setSettleDelay([this](int ms) { pauses.emplace_back(ms, dlg->comm().GetPortOpen()); });
        dlg = std::make_unique<CSensorDemoDlg>();
        dlg->create();
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    }
    void TearDown() override { setTickClock({}), setDebugSink({}), setSettleDelay({}); }
    void click(int id) { QTest::mouseClick(dlg->itemAs<QAbstractButton>(id), Qt::LeftButton); }
    // COM1 on the pseudo-terminal, with a clock that moves `step` (first a second) at every
    // reading, or that the test moves.
    void openPty() {
        ASSERT_TRUE(linkPort(config.path(), 1, pty.slave));
        setTickClock([this] { return now += step; });
        click(IDC_OPEN_PORT);
        ASSERT_TRUE(dlg->comm().GetPortOpen());
    }
    // Writes the frames from a thread (a long stream fills the line) until the last one shows.
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
    std::vector<std::string> trace;
    std::vector<std::pair<int, bool>> pauses;
    std::unique_ptr<CSensorDemoDlg> dlg;
    Pty pty;
    std::uint32_t now = 0, step = 1000;
};

}  // namespace velmora::test
