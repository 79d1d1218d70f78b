// Serial test helpers: a pseudo-terminal whose slave is the "device" a port link points to, a
// process holding a device, a sample frame and a port link.
#pragma once

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

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
    bool write(const QByteArray& b) { return ::write(master, b.data(), b.size()) == b.size(); }
};

// Another program, `sleep` named `name`, holding `path` open as its input without a lock.
struct Holder {
    Holder(const QString& path, const QString& name) {
        QFile::copy(QStandardPaths::findExecutable("sleep"), bin.filePath(name));
        process.setChildProcessModifier([file = QFile::encodeName(path)] {
            ::dup2(::open(file.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK), 0);
        });
        process.start(bin.filePath(name), {"600"});
        pid = process.waitForStarted() ? process.processId() : -1;
        opened = QFile::symLinkTarget(QString("/proc/%1/fd/0").arg(pid)) == path;
    }
    ~Holder() { process.kill(), process.waitForFinished(); }
    QTemporaryDir bin;
    QProcess process;
    qint64 pid = -1;
    bool opened = false;
};

// A sample frame as the device sends it: F0 C0, the value high byte first, the check byte.
inline QByteArray sampleFrame(int v) {
    return QByteArray("\xF0\xC0", 2) + char(v >> 8) + char(v) + char(0xB0 + (v >> 8) + v);
}

// Makes $XDG_CONFIG_HOME/velmora/ports/COM<n> point to `target`.
inline bool linkPort(const QString& configHome, int n, const QString& target) {
    const QString dir = configHome + "/velmora/ports", link = dir + QString("/COM%1").arg(n);
    return QDir().mkpath(dir) && (QFile::remove(link), QFile::link(target, link));
}

}  // namespace velmora::test
