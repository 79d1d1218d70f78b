#include "serial/portholders.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#endif

namespace velmora {
namespace {

#ifdef Q_OS_LINUX
using DirHandle = std::unique_ptr<DIR, int (*)(DIR*)>;

DirHandle openDir(const QByteArray& path) {
    return DirHandle(::opendir(path.constData()), ::closedir);
}

// The entry's name as a process id (or descriptor number); -1 when it is not a number.
long long numberOf(const char* name) {
    char* end = nullptr;
    const long long n = std::strtoll(name, &end, 10);
    return end != name && *end == '\0' && n >= 0 ? n : -1;
}

// True when one of the process's descriptors links to `device`.
bool holds(const QByteArray& fdDir, const QByteArray& device) {
    const DirHandle fds = openDir(fdDir);
    if (!fds) return false;  // gone, or not ours to read
    char target[4096];
    while (const dirent* entry = ::readdir(fds.get())) {
        if (numberOf(entry->d_name) < 0) continue;
        const QByteArray link = fdDir + '/' + entry->d_name;
        const ssize_t length = ::readlink(link.constData(), target, sizeof target);
        if (length == device.size() && device == QByteArrayView(target, length)) return true;
    }
    return false;
}
#endif

}  // namespace

std::vector<PortHolder> findPortHolders(const QString& device, const QString& procRoot,
                                        qint64 self) {
    std::vector<PortHolder> holders;
#ifdef Q_OS_LINUX
    const QByteArray root = QFile::encodeName(procRoot);
    const QByteArray wanted = QFile::encodeName(device);
    const DirHandle processes = openDir(root);
    if (!processes || wanted.isEmpty()) return holders;
    while (const dirent* entry = ::readdir(processes.get())) {
        const long long pid = numberOf(entry->d_name);
        if (pid < 0 || pid == self) continue;
        const QByteArray dir = root + '/' + entry->d_name;
        if (!holds(dir + "/fd", wanted)) continue;
        QFile comm(QFile::decodeName(dir + "/comm"));
        const QString name = comm.open(QIODevice::ReadOnly)
                                 ? QString::fromLocal8Bit(comm.readAll()).trimmed()
                                 : QString();
        holders.push_back({pid, name});
    }
    std::sort(holders.begin(), holders.end(),
              [](const PortHolder& a, const PortHolder& b) { return a.pid < b.pid; });
#else
    Q_UNUSED(device);
    Q_UNUSED(procRoot);
    Q_UNUSED(self);
#endif
    return holders;
}

std::vector<PortHolder> findPortHolders(const QString& device) {
    return findPortHolders(device, QStringLiteral("/proc"), QCoreApplication::applicationPid());
}

}  // namespace velmora
