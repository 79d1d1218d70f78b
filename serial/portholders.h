// Other programs that have a serial device open. A program that opens a device without
// taking a lock (a shell redirect, `cat /dev/ttyUSB0 &`) shares the line with whoever opens
// it next, and the two split the received bytes between them; looking for such a holder
// first lets the control refuse the port instead.
#pragma once

#include <QString>

#include <vector>

namespace velmora {

struct PortHolder {
    qint64 pid = 0;
    QString name;  // the program's name as the system keeps it (/proc/PID/comm)
    bool operator==(const PortHolder&) const = default;
};

// The processes under `procRoot` (normally "/proc") with a descriptor open on `device`, an
// absolute path without links (a descriptor's link text is compared with it), in process-id
// order. Process `self` is left out; processes whose descriptors cannot be read (other
// users' processes, for a user without privileges) are skipped. Always empty where there
// is no /proc.
std::vector<PortHolder> findPortHolders(const QString& device, const QString& procRoot,
                                        qint64 self);

// The same for this machine's /proc, leaving out this process.
std::vector<PortHolder> findPortHolders(const QString& device);

}  // namespace velmora
