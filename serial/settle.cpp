#include "serial/settle.h"

#include <QThread>

#include <utility>

namespace velmora {
namespace {

SettleDelay& substitute() {
    static SettleDelay delay;
    return delay;
}

}  // namespace

void settleDelay(int milliseconds) {
    if (substitute())
        substitute()(milliseconds);
    else if (milliseconds > 0)
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}

SettleDelay setSettleDelay(SettleDelay delay) {
    return std::exchange(substitute(), std::move(delay));
}

}  // namespace velmora
