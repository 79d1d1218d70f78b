// A pseudo-terminal for tests: the master side stays here, the slave is the "device" a
// port link points to.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace velmora::test {

class Pty {
public:
    Pty() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) return;
        m_slave = QString::fromLocal8Bit(::ptsname(m_master));  // the port sets it raw on open
    }
    ~Pty() { close(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const QString& slave() const { return m_slave; }
    void close() {
        if (m_master >= 0) ::close(m_master);
        m_master = -1;
    }

    bool write(const QByteArray& bytes) {
        for (qsizetype done = 0, n = 0; done < bytes.size(); done += n) {
            n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n <= 0) return false;
        }
        return true;
    }

private:
    int m_master = -1;
    QString m_slave;
};

// Makes $XDG_CONFIG_HOME/velmora/ports/COM<n> point to `target`.
inline bool linkPort(const QString& configHome, int n, const QString& target) {
    const QString dir = configHome + QStringLiteral("/velmora/ports");
    QDir().mkpath(dir);
    QFile::remove(dir + QStringLiteral("/COM%1").arg(n));
    return QFile::link(target, dir + QStringLiteral("/COM%1").arg(n));
}

}  // namespace velmora::test
