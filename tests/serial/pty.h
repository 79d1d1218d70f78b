// A pseudo-terminal for tests: the master side stays here, the slave is the "device" a
// port link points to (the port sets it raw on open).
#pragma once

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <utility>

namespace velmora::test {

struct Pty {
    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    QString slave = ::grantpt(master) || ::unlockpt(master) ? "" : ::ptsname(master);
    ~Pty() { close(); }
    void close() { ::close(std::exchange(master, -1)); }
    // Blocks until the line has taken every byte.
    bool write(const QByteArray& b) {
        return ::write(master, b.data(), size_t(b.size())) == b.size();
    }
};

// Makes $XDG_CONFIG_HOME/velmora/ports/COM<n> point to `target`.
inline bool linkPort(const QString& configHome, int n, const QString& target) {
    const QString dir = configHome + "/velmora/ports", link = dir + QString("/COM%1").arg(n);
    QDir().mkpath(dir);
    QFile::remove(link);
    return QFile::link(target, link);
}

}  // namespace velmora::test
