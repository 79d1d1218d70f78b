#include "platform/displaythrottle.h"

#include "platform/tick.h"

#include <utility>

namespace velmora {

DisplayThrottle::DisplayThrottle(std::uint32_t intervalMs, std::function<void()> refresh,
                                 QObject* parent)
    : QObject(parent), m_interval(intervalMs), m_refresh(std::move(refresh)) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (!m_pending) return;
        // A paint of the display since the timer started restarts the interval.
        if (tickCount() - m_lastPaint > m_interval)
            refreshNow();
        else
            scheduleRest();
    });
}

void DisplayThrottle::dataArrived() {
    m_pending = true;
    if (m_timer.isActive()) return;
    const std::uint32_t now = tickCount();
    // Between a refresh and its paint nothing more is needed: the paint comes and then
    // schedules what arrived meanwhile. A paint that never comes (hidden display) does not
    // hold refreshes back for longer than one interval.
    if (m_awaitingPaint && now - m_lastRefresh <= m_interval) return;
    if (now - m_lastPaint > m_interval)
        refreshNow();
    else
        scheduleRest();
}

void DisplayThrottle::painted() {
    m_lastPaint = tickCount();
    m_awaitingPaint = false;
    if (m_pending && !m_timer.isActive()) scheduleRest();
}

void DisplayThrottle::refreshNow() {
    m_timer.stop();
    m_pending = false;
    m_awaitingPaint = true;
    m_lastRefresh = tickCount();
    m_refresh();
}

void DisplayThrottle::scheduleRest() {
    // The refresh is due when more than the interval has passed since the last paint.
    const std::uint32_t elapsed = tickCount() - m_lastPaint;
    const std::uint32_t rest = elapsed > m_interval ? 0 : m_interval - elapsed + 1;
    m_timer.start(static_cast<int>(rest));
}

}  // namespace velmora
