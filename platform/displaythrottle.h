// Keeps a display that readings refresh to a bounded rate without ever leaving it stale:
// a refresh runs at once when the display's last paint is more than the interval ago;
// otherwise it runs when the interval ends, so the latest reading of a burst is shown even
// if no later reading comes. Only the display's own paint restarts the interval.
#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>

namespace velmora {

class DisplayThrottle : public QObject {
    Q_OBJECT
public:
    // `refresh` updates the display's texts and requests its repaint.
    DisplayThrottle(std::uint32_t intervalMs, std::function<void()> refresh,
                    QObject* parent = nullptr);

    // New readings are waiting to be shown. Cheap when a refresh is already due.
    void dataArrived();
    // The display has been painted (from its paint handler): restarts the interval.
    void painted();

    std::uint32_t lastPaint() const { return m_lastPaint; }

private:
    void refreshNow();
    void scheduleRest();

    std::uint32_t m_interval;
    std::function<void()> m_refresh;
    std::uint32_t m_lastPaint = 0;
    std::uint32_t m_lastRefresh = 0;
    bool m_pending = false;       // readings not yet handed to a refresh
    bool m_awaitingPaint = false;  // a refresh asked for a paint that has not come yet
    QTimer m_timer;
};

}  // namespace velmora
