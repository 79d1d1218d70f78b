// Shared test harness: every test runs with a QApplication on the offscreen platform and a
// message-box hook that records each box and answers it, so no test ever blocks.
#pragma once

#include <QEvent>
#include <QWidget>

#include <vector>

namespace velmora::test {

struct RecordedBox {
    QString text, caption;
    unsigned type;
};

// Boxes shown since the current test started, oldest first.
std::vector<RecordedBox>& messageBoxes();
// The answer the hook gives: IDOK unless the test changes it.
void setMessageBoxAnswer(int answer);

// Counts the paint events a widget receives from the moment it is made.
struct PaintCounter : QObject {
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
    int paints = 0;
};

}  // namespace velmora::test
