#include "serial/mscomm.h"

#include "serial/linewatch.h"
#include "serial/portholders.h"
#include "serial/porterrors.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSocketNotifier>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

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

void requireOpen(const QSerialPort& port) {
    if (!port.isOpen()) throw velmora::portNotOpenError();
}

// True when the user may not read and write the device at all (as opposed to a device that
// is busy or held by another program). Decided by the file's permissions, not by the
// wording of the system's message, which depends on the locale.
bool accessDenied(const QString& device) {
#ifdef Q_OS_UNIX
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 && errno == EACCES;
#else
    Q_UNUSED(device);
    return false;
#endif
}

// The names of the device node's owner and group (numbers when the system has no name).
void nodeOwner(const QString& device, QString& owner, QString& group) {
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(device).constData(), &st) != 0) return;
    const passwd* user = ::getpwuid(st.st_uid);
    const ::group* grp = ::getgrgid(st.st_gid);
    owner = user ? QString::fromLocal8Bit(user->pw_name) : QString::number(st.st_uid);
    group = grp ? QString::fromLocal8Bit(grp->gr_name) : QString::number(st.st_gid);
#else
    Q_UNUSED(device);
    Q_UNUSED(owner);
    Q_UNUSED(group);
#endif
}

// The serial devices present on this machine, by their paths.
QStringList presentDevices() {
    QStringList devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices << info.systemLocation();
    devices.sort();
    return devices;
}

// Refuses a property value below `minimum` (1 for sizes, 0 for lengths and thresholds).
void requireAtLeast(int value, int minimum, const char* property) {
    if (value < minimum) throw velmora::belowMinimumError(property, value, minimum);
}

}  // namespace

CMSComm::CMSComm(QObject* parent) : QObject(parent) {
    connect(&m_port, &QSerialPort::readyRead, this, &CMSComm::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &CMSComm::onErrorOccurred);
}

CMSComm::~CMSComm() { closePort(); }

void CMSComm::SetCommPort(short port) {
    if (m_port.isOpen()) throw velmora::portAlreadyOpenError(m_nCommPort, true);
    if (port < 1) throw velmora::portNumberError(port);
    m_nCommPort = port;
}

void CMSComm::SetSettings(const QString& settings) {
    const std::optional<velmora::PortSettings> values = velmora::parsePortSettings(settings);
    if (!values) throw velmora::settingsSyntaxError(settings);
    m_settings = settings;
    m_values = *values;
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
    if (mode != comInputModeText && mode != comInputModeBinary) throw velmora::inputModeError(mode);
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
        if (m_port.isOpen()) throw velmora::portAlreadyOpenError(m_nCommPort, false);
        openPort();
    } else {
        closePort();
    }
}

void CMSComm::openPort() {
    velmora::OpenFailure failure;
    failure.port = m_nCommPort;
    failure.name = velmora::portDeviceName(m_nCommPort);
#ifdef Q_OS_WIN
    failure.device = failure.name;
#else
    // The real node behind a link: the node is what other programs have open, and what the
    // exclusive open is about.
    const QFileInfo info(failure.name);
    failure.device = info.canonicalFilePath();
    if (failure.device.isEmpty() && info.isSymLink()) failure.linkTarget = info.symLinkTarget();
#endif
    // Facts for the description of a refusal, gathered only when there is one.
    auto refuse = [&failure]() {
        failure.present = presentDevices();
        failure.linkDirectory = velmora::shellPath(velmora::portLinkDirectory(), QDir::homePath());
        return velmora::describeOpenFailure(failure);
    };
    if (failure.device.isEmpty()) throw refuse();

    // Refuse a device another program has open: without a lock of its own it would not stop
    // the open below, and the two programs would split the received bytes.
    failure.holders = velmora::findPortHolders(failure.device);
    if (!failure.holders.empty()) throw refuse();

    m_port.setPortName(failure.device);
    m_port.setReadBufferSize(0);
    if (!m_port.open(QIODevice::ReadWrite)) {
        failure.error = m_port.error();
        failure.reason = m_port.errorString();
        m_port.clearError();
        failure.accessDenied = accessDenied(failure.device);
        if (failure.accessDenied) nodeOwner(failure.device, failure.owner, failure.group);
        throw refuse();
    }
    m_bLost = false;
    m_nCommEvent = 0;
    m_openedName = failure.name;
    m_openedDevice = failure.device;
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
    m_openedName.clear();
    m_openedDevice.clear();
}

void CMSComm::applySettings() {
    // The baud rate first and on its own: a refused rate is answered with the accepted ones.
    const bool baudTaken = m_port.setBaudRate(m_values.baud);
    const bool ok =
        baudTaken && m_port.setParity(m_values.parity) && m_port.setDataBits(m_values.dataBits) &&
        m_port.setStopBits(m_values.stopBits) && m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) {
        const QString reason = m_port.errorString();
        m_port.clearError();
        throw velmora::settingsRefusedError(m_settings, m_values.baud, !baudTaken,
                                            QSerialPortInfo::standardBaudRates(), reason);
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
    // The port queues the bytes; flush() hands them to the line now, and what the line did
    // not take is still queued afterwards.
    const bool queued = m_port.write(bytes) == bytes.size();
    const bool flushed = queued && m_port.flush();
    const qint64 left = queued ? m_port.bytesToWrite() : bytes.size();
    if (flushed && left == 0) return;
    // No error from the port: the line took some of the bytes and is full.
    const QString reason =
        m_port.error() != QSerialPort::NoError ? m_port.errorString() : QString();
    // What the line did not take is dropped: sent later, it would reach the device after the
    // caller was told that the output failed.
    m_port.clear(QSerialPort::Output);
    m_port.clearError();
    throw velmora::writeError(velmora::portPlace(m_nCommPort, m_openedName, m_openedDevice),
                              bytes.size() - left, bytes.size(), reason);
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
        if (m_bLost ||
            velmora::lineHungUp(velmora::lookAtLine(static_cast<int>(m_port.handle())))) {
            if (notifier) notifier->setEnabled(false);
            if (!m_bLost) {
                m_bLost = true;
                QMetaObject::invokeMethod(this, &CMSComm::deviceLost, Qt::QueuedConnection);
            }
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
