// The descriptions the serial control gives with its errors, in the language the program
// chooses, and the translation of a failed open into the description that leads to the fix.
// Nothing here reads the system: the control gathers the facts and passes them in.
#pragma once

#include "serial/commerror.h"
#include "serial/portholders.h"

#include <QList>
#include <QSerialPort>
#include <QString>
#include <QStringList>

#include <vector>

namespace velmora {

// The library holds every description in both languages; the program sets its own once.
enum class CommLanguage { English, Chinese };
void setCommLanguage(CommLanguage language);
CommLanguage commLanguage();

// A port for the operator: "COM1 (/dev/ttyUSB0)", or "COM1 (link -> /dev/ttyUSB0)" when
// the port's name is a link to another node.
QString portPlace(int port, const QString& name, const QString& device);

// `path` as the operator types it in a shell: a path below `home` starts with "~/", and the
// rest is quoted when it holds characters a shell treats specially.
QString shellPath(const QString& path, const QString& home);

// Refused property accesses.
CommError portNotOpenError();
CommError portNumberError(int port);
CommError portAlreadyOpenError(int port, bool choosingAnother);
CommError belowMinimumError(const char* property, int value, int minimum);
CommError inputModeError(int mode);
CommError settingsSyntaxError(const QString& settings);
// The open port refused settings the syntax allows. `baudRefused`: the refusal was the baud
// rate's, and the description lists the `accepted` rates.
CommError settingsRefusedError(const QString& settings, qint32 baud, bool baudRefused,
                               const QList<qint32>& accepted, const QString& reason);
// Output the line did not take whole: `sent` of `total` bytes went out. An empty `reason`
// means the line is full.
CommError writeError(const QString& place, qint64 sent, qint64 total, const QString& reason);

// What the control found out about a port it could not open.
struct OpenFailure {
    int port = 0;                     // n of COMn
    QString name;                     // what COMn maps to: its link, or /dev/ttyS<n-1>
    QString device;                   // the node behind the name; empty when there is none
    QString linkTarget;               // where the link points, when no node is there
    std::vector<PortHolder> holders;  // other programs that have the node open
    QSerialPort::SerialPortError error = QSerialPort::NoError;  // the port's refusal
    QString reason;             // the system's words for the refusal
    bool accessDenied = false;  // the user may not read and write the node
    QString owner;              // the node's owner
    QString group;              // the node's group
    QStringList present;        // serial devices present on this machine
    QString linkDirectory;      // where port links are made, as typed in a shell
};

// The error for a failed open, in order: no node behind the name (lists the serial devices
// present and the commands that map one as COMn); other programs holding the node (names
// them); the port not found; access denied (names the node's owner and group and how to
// join the group); the node busy (another program holds it); anything else with the
// system's reason.
CommError describeOpenFailure(const OpenFailure& failure);

}  // namespace velmora
