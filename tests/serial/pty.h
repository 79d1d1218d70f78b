// A pseudo-terminal for tests: the master side stays here, the slave is the "device" a
// port link points to (the port sets it raw on open); and a process holding a device.
#pragma once

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
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

// Another process that has `path` open the way a program that takes no lock has it (a shell
// redirect, `cat`): a child that opens it, takes `name` as its program name, and waits to be
// killed. `opened` says whether the child had the path open when the constructor returned.
struct Holder {
    Holder(const QString& path, const char* name) {
        const QByteArray file = QFile::encodeName(path);
        int ready[2];
        if (::pipe(ready) != 0) return;
        pid = ::fork();
        if (pid == 0) {  // only system calls from here: the parent has threads
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            ::prctl(PR_SET_NAME, name);
            const char ok = ::open(file.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK) >= 0;
            if (::write(ready[1], &ok, 1) != 1) ::_exit(1);
            for (;;) ::pause();
        }
        ::close(ready[1]);
        char ok = 0;
        opened = pid > 0 && ::read(ready[0], &ok, 1) == 1 && ok;
        ::close(ready[0]);
    }
    ~Holder() { end(); }
    void end() {
        if (pid <= 0) return;
        ::kill(pid, SIGKILL);
        ::waitpid(std::exchange(pid, -1), nullptr, 0);
    }
    pid_t pid = -1;
    bool opened = false;
};

// A sample frame as the device sends it: F0 C0, the value high byte first, the check byte.
inline QByteArray sampleFrame(int v) {
    return QByteArray("\xF0\xC0", 2) + char(v >> 8) + char(v) + char(0xB0 + (v >> 8) + v);
}

// Makes $XDG_CONFIG_HOME/velmora/ports/COM<n> point to `target`.
inline bool linkPort(const QString& configHome, int n, const QString& target) {
    const QString dir = configHome + "/velmora/ports", link = dir + QString("/COM%1").arg(n);
    QDir().mkpath(dir);
    QFile::remove(link);
    return QFile::link(target, link);
}

}  // namespace velmora::test
