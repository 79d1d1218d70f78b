#include "serial/mscomm.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#endif

using velmora::CommError;

namespace velmora {

QString portLinkDirectory() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/velmora/ports");
}

QString portDeviceName(int port) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    const QString link = portLinkDirectory() + QStringLiteral("/COM%1").arg(port);
    if (QFileInfo(link).isSymLink() || QFileInfo::exists(link)) return link;
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

}  // namespace velmora

namespace {

QString portLabel(int port) { return QStringLiteral("COM%1").arg(port); }

void requireOpen(const QSerialPort& port) {
    if (!port.isOpen())
        throw CommError(CommError::PortNotOpen,
                        QStringLiteral("Operation valid only when the port is open"));
}

// True when the user may not read and write the device at all (as opposed to a device that
// is busy or locked by another program). Decided by the file's permissions, not by the
// wording of the system's message, which depends on the locale.
bool accessDenied(const QString& device) {
#ifdef Q_OS_UNIX
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 && errno == EACCES;
#else
    Q_UNUSED(device);
    return false;
#endif
}

// Refuses a property value below `minimum` (1 for sizes, 0 for lengths and thresholds).
void requireAtLeast(int value, int minimum, const char* property) {
    if (value < minimum)
        throw CommError(CommError::InvalidPropertyValue,
                        QStringLiteral("Invalid property value: %1 = %2 (must be at least %3)")
                            .arg(QLatin1String(property))
                            .arg(value)
                            .arg(minimum));
}

}  // namespace

CMSComm::CMSComm(QObject* parent) : QObject(parent) {
    connect(&m_port, &QSerialPort::readyRead, this, &CMSComm::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &CMSComm::onErrorOccurred);
}

CMSComm::~CMSComm() { closePort(); }

void CMSComm::SetCommPort(short port) {
    if (m_port.isOpen())
        throw CommError(CommError::PortAlreadyOpen,
                        QStringLiteral("Port already open: close %1 before choosing another port")
                            .arg(portLabel(m_nCommPort)));
    if (port < 1)
        throw CommError(
            CommError::InvalidPortNumber,
            QStringLiteral("Invalid Port Number: %1 (ports are numbered from 1)").arg(port));
    m_nCommPort = port;
}

void CMSComm::SetSettings(const QString& settings) {
    const QStringList parts = settings.split(QLatin1Char(','));
    auto invalid = [&settings]() {
        return CommError(CommError::InvalidPropertyValue,
                         QStringLiteral("Invalid property value: Settings \"%1\" (expected "
                                        "baud,parity,data,stop such as 57600,n,8,1)")
                             .arg(settings));
    };
    if (parts.size() != 4) throw invalid();

    bool ok = false;
    const int baud = parts[0].trimmed().toInt(&ok);
    if (!ok || baud <= 0) throw invalid();

    QSerialPort::Parity parity;
    const QString p = parts[1].trimmed().toLower();
    if (p == QLatin1String("n"))
        parity = QSerialPort::NoParity;
    else if (p == QLatin1String("e"))
        parity = QSerialPort::EvenParity;
    else if (p == QLatin1String("o"))
        parity = QSerialPort::OddParity;
    else if (p == QLatin1String("m"))
        parity = QSerialPort::MarkParity;
    else if (p == QLatin1String("s"))
        parity = QSerialPort::SpaceParity;
    else
        throw invalid();

    const int data = parts[2].trimmed().toInt(&ok);
    if (!ok || data < 5 || data > 8) throw invalid();

    QSerialPort::StopBits stop;
    const QString s = parts[3].trimmed();
    if (s == QLatin1String("1"))
        stop = QSerialPort::OneStop;
    else if (s == QLatin1String("1.5"))
        stop = QSerialPort::OneAndHalfStop;
    else if (s == QLatin1String("2"))
        stop = QSerialPort::TwoStop;
    else
        throw invalid();

    m_settings = settings;
    m_nBaud = baud;
    m_parity = parity;
    m_dataBits = static_cast<QSerialPort::DataBits>(data);
    m_stopBits = stop;
    if (m_port.isOpen()) applySettings();
}

void CMSComm::SetInBufferSize(short size) {
    requireAtLeast(size, 1, "InBufferSize");
    m_nInBufferSize = size;
}

void CMSComm::SetOutBufferSize(short size) {
    requireAtLeast(size, 1, "OutBufferSize");
    m_nOutBufferSize = size;
}

void CMSComm::SetInputMode(int mode) {
    if (mode != comInputModeText && mode != comInputModeBinary)
        throw CommError(
            CommError::InvalidPropertyValue,
            QStringLiteral("Invalid property value: InputMode = %1 (0 text, 1 binary)").arg(mode));
    m_nInputMode = mode;
}

void CMSComm::SetInputLen(short length) {
    requireAtLeast(length, 0, "InputLen");
    m_nInputLen = length;
}

void CMSComm::SetRThreshold(short threshold) {
    requireAtLeast(threshold, 0, "RThreshold");
    m_nRThreshold = threshold;
}

void CMSComm::SetSThreshold(short threshold) {
    requireAtLeast(threshold, 0, "SThreshold");
    m_nSThreshold = threshold;
}

void CMSComm::SetDTREnable(bool enable) {
    m_bDTREnable = enable;
    // Pseudo-terminals have no modem lines: that refusal is not an error of ours.
    if (m_port.isOpen() && !m_port.setDataTerminalReady(enable)) m_port.clearError();
}

void CMSComm::SetRTSEnable(bool enable) {
    m_bRTSEnable = enable;
    if (m_port.isOpen() && !m_port.setRequestToSend(enable)) m_port.clearError();
}

bool CMSComm::GetPortOpen() const { return m_port.isOpen(); }

void CMSComm::SetPortOpen(bool open) {
    if (open) {
        if (m_port.isOpen())
            throw CommError(CommError::PortAlreadyOpen,
                            QStringLiteral("Port already open: %1").arg(portLabel(m_nCommPort)));
        openPort();
    } else {
        closePort();
    }
}

void CMSComm::openPort() {
    const QString label = portLabel(m_nCommPort);
    const QString name = velmora::portDeviceName(m_nCommPort);
    QString device = name;
#ifndef Q_OS_WIN
    const QFileInfo info(name);
    if (info.isSymLink()) {
        // Open the real device, so that the lock is per device, not per link.
        device = info.canonicalFilePath();
        if (device.isEmpty())
            throw CommError(
                CommError::DeviceUnavailable,
                QStringLiteral("Device unavailable: %1 is mapped by %2 to %3, which does "
                               "not exist. Connect the device or correct the link.")
                    .arg(label, name, info.symLinkTarget()));
    } else if (!info.exists()) {
        throw CommError(
            CommError::DeviceUnavailable,
            QStringLiteral("Device unavailable: %1 (%2) does not exist. Connect the "
                           "device, or map %1 to your adapter with: ln -s /dev/ttyUSB0 %3/%1")
                .arg(label, name, velmora::portLinkDirectory()));
    }
#endif
    const QString where = device == name ? QStringLiteral("%1 (%2)").arg(label, device)
                                         : QStringLiteral("%1 (%2 -> %3)").arg(label, name, device);

    m_port.setPortName(device);
    m_port.setReadBufferSize(0);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const auto error = m_port.error();
        const QString reason = m_port.errorString();
        m_port.clearError();
        if (error == QSerialPort::DeviceNotFoundError)
            throw CommError(
                CommError::DeviceUnavailable,
                QStringLiteral("Device unavailable: %1: %2. Connect the device and try again.")
                    .arg(where, reason));
        if (error == QSerialPort::PermissionError) {
            if (accessDenied(device))
                throw CommError(CommError::PermissionDenied,
                                QStringLiteral("Permission denied opening %1. Add your user to the "
                                               "'dialout' group (sudo usermod -aG dialout $USER), "
                                               "then log in again.")
                                    .arg(where));
            throw CommError(
                CommError::HardwareLocked,
                QStringLiteral("The hardware is not available (locked by another device): "
                               "%1 is in use by another program (%2). Close that program "
                               "and try again.")
                    .arg(where, reason));
        }
        throw CommError(CommError::DeviceUnavailable,
                        QStringLiteral("Device unavailable: %1: %2").arg(where, reason));
    }
    m_bLost = false;
    m_nCommEvent = 0;
    m_openedDevice = device;
    try {
        applySettings();
    } catch (...) {
        closePort();
        throw;
    }
    SetDTREnable(m_bDTREnable);
    SetRTSEnable(m_bRTSEnable);
    watchForHangUp();
}

void CMSComm::closePort() {
    if (m_port.isOpen()) m_port.close();
    m_port.clearError();
    m_openedDevice.clear();
}

void CMSComm::applySettings() {
    const bool ok = m_port.setBaudRate(m_nBaud) && m_port.setParity(m_parity) &&
                    m_port.setDataBits(m_dataBits) && m_port.setStopBits(m_stopBits) &&
                    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) {
        const QString reason = m_port.errorString();
        m_port.clearError();
        throw CommError(
            CommError::InvalidPropertyValue,
            QStringLiteral("Invalid property value: the port refuses the settings \"%1\" (%2)")
                .arg(m_settings, reason));
    }
}

int CMSComm::GetInBufferCount() const {
    return m_port.isOpen() ? static_cast<int>(m_port.bytesAvailable()) : 0;
}

QByteArray CMSComm::GetInput() {
    requireOpen(m_port);
    return m_nInputLen > 0 ? m_port.read(m_nInputLen) : m_port.readAll();
}

void CMSComm::SetOutput(const QByteArray& bytes) {
    requireOpen(m_port);
    if (m_port.write(bytes) != bytes.size()) {
        const QString reason = m_port.errorString();
        m_port.clearError();
        throw CommError(CommError::DeviceUnavailable,
                        QStringLiteral("Device unavailable: writing to %1 failed (%2)")
                            .arg(m_openedDevice, reason));
    }
    m_port.flush();
}

void CMSComm::onReadyRead() {
    if (m_bLost || m_nRThreshold <= 0) return;
    if (m_port.bytesAvailable() < m_nRThreshold) return;
    m_nCommEvent = comEvReceive;
    emit OnComm();
}

void CMSComm::onErrorOccurred(QSerialPort::SerialPortError error) {
    // NoError comes with open and clearError; refused modem lines on a pseudo-terminal come
    // as UnsupportedOperationError. Only a failing line means the device is gone.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError) return;
    if (m_bLost || !m_port.isOpen()) return;
    m_bLost = true;
    QMetaObject::invokeMethod(this, &CMSComm::deviceLost, Qt::QueuedConnection);
}

void CMSComm::watchForHangUp() {
#ifdef Q_OS_UNIX
    // The port's read notifier fires without end on a hung-up line. Looking at the line
    // before the port reads it lets us stop that at the first notification.
    for (QSocketNotifier* notifier : m_port.findChildren<QSocketNotifier*>()) {
        if (notifier->type() == QSocketNotifier::Read) notifier->installEventFilter(this);
    }
#endif
}

bool CMSComm::eventFilter(QObject* watched, QEvent* event) {
#ifdef Q_OS_UNIX
    if (event->type() == QEvent::SockAct && m_port.isOpen()) {
        auto* notifier = qobject_cast<QSocketNotifier*>(watched);
        if (m_bLost) {
            if (notifier) notifier->setEnabled(false);
            return true;
        }
        const int fd = static_cast<int>(m_port.handle());
        pollfd pfd{fd, POLLIN, 0};
        int waiting = 0;
        const bool polled = ::poll(&pfd, 1, 0) >= 0;
        const bool hungUp = !polled || (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 ||
                            ::ioctl(fd, FIONREAD, &waiting) < 0 ||
                            ((pfd.revents & POLLIN) != 0 && waiting == 0);
        if (hungUp) {
            if (notifier) notifier->setEnabled(false);
            m_bLost = true;
            QMetaObject::invokeMethod(this, &CMSComm::deviceLost, Qt::QueuedConnection);
            return true;
        }
    }
#endif
    return QObject::eventFilter(watched, event);
}

void CMSComm::deviceLost() {
    if (!m_bLost || !m_port.isOpen()) return;  // closed by the program in the meantime
    closePort();
    m_nCommEvent = comEventDeviceLost;
    emit OnComm();
}
