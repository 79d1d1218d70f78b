// A pseudo-terminal for tests: the master side stays here, the slave is the "device" a
// port link points to.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace velmora::test {

class Pty {
public:
    Pty() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0) return;
        ::grantpt(m_master);
        ::unlockpt(m_master);
        m_slave = QString::fromLocal8Bit(::ptsname(m_master));
        termios tio{};
        if (::tcgetattr(m_master, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(m_master, TCSANOW, &tio);
        }
    }
    ~Pty() { close(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool valid() const { return m_master >= 0; }
    const QString& slave() const { return m_slave; }
    void close() {
        if (m_master >= 0) ::close(m_master);
        m_master = -1;
    }

    bool write(const QByteArray& bytes) {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const auto n = ::write(m_master, bytes.constData() + done,
                                   static_cast<size_t>(bytes.size() - done));
            if (n <= 0) return false;
            done += n;
        }
        return true;
    }

    // Reads what the program wrote, waiting up to `timeoutMs` for the first byte.
    QByteArray read(int timeoutMs = 1000) {
        QByteArray result;
        pollfd pfd{m_master, POLLIN, 0};
        int wait = timeoutMs;
        while (::poll(&pfd, 1, wait) > 0 && (pfd.revents & POLLIN)) {
            char buffer[256];
            const auto n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0) break;
            result.append(buffer, n);
            wait = 50;
        }
        return result;
    }

private:
    int m_master = -1;
    QString m_slave;
};

// Runs the event loop until `done` holds or `timeoutMs` passes; returns the last verdict.
template <class Pred>
bool waitFor(Pred done, int timeoutMs = 3000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) return done();
        QTest::qWait(5);
    }
    return true;
}

// Makes $XDG_CONFIG_HOME/velmora/ports/COM<n> point to `target`.
inline bool linkPort(const QString& configHome, int n, const QString& target) {
    const QString dir = configHome + QStringLiteral("/velmora/ports");
    QDir().mkpath(dir);
    const QString link = dir + QStringLiteral("/COM%1").arg(n);
    QFile::remove(link);
    return QFile::link(target, link);
}

}  // namespace velmora::test
