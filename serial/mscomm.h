// The serial control: the property interface of a communications control (port number,
// settings string, buffer sizes, thresholds, input mode, DTR/RTS, PortOpen, Input, Output,
// InBufferCount, CommEvent) and its receive event OnComm, on top of QSerialPort.
//
// Refused accesses throw velmora::CommError, described in the language set with
// velmora::setCommLanguage. A device that disappears while open (adapter pulled, far end of
// a pseudo-terminal closed) closes the port once and raises OnComm once with
// CommEvent == comEventDeviceLost.
#pragma once

#include "serial/commerror.h"
#include "serial/portsettings.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

class QSocketNotifier;

namespace velmora {

// The device that port number `port` names: on Windows COMn; elsewhere the link
// $XDG_CONFIG_HOME/velmora/ports/COMn (default ~/.config/velmora/ports/COMn) if it exists,
// else /dev/ttyS<n-1>. Links are not resolved here.
QString portDeviceName(int port);

// Directory that holds the port links.
QString portLinkDirectory();

}  // namespace velmora

class CMSComm : public QObject {
    Q_OBJECT
public:
    // CommEvent values.
    enum : short {
        comEvReceive = 2,
        comEventBreak = 1001,
        comEventFrame = 1004,
        comEventOverrun = 1006,
        comEventRxOver = 1008,
        comEventRxParity = 1009,
        // Our own: the device went away and the port has been closed.
        comEventDeviceLost = 1012,
    };
    // InputMode values.
    enum : int { comInputModeText = 0, comInputModeBinary = 1 };

    explicit CMSComm(QObject* parent = nullptr);
    ~CMSComm() override;

    void SetCommPort(short port);
    short GetCommPort() const { return m_nCommPort; }
    // "baud,parity,data,stop", e.g. "57600,n,8,1".
    void SetSettings(const QString& settings);
    QString GetSettings() const { return m_settings; }
    // The buffer sizes are kept as properties; the port itself buffers without a limit, so
    // a slow reader never makes the line drop bytes.
    void SetInBufferSize(short size);
    short GetInBufferSize() const { return m_nInBufferSize; }
    void SetOutBufferSize(short size);
    short GetOutBufferSize() const { return m_nOutBufferSize; }
    void SetInputMode(int mode);
    int GetInputMode() const { return m_nInputMode; }
    void SetInputLen(short length);
    short GetInputLen() const { return m_nInputLen; }
    void SetRThreshold(short threshold);
    short GetRThreshold() const { return m_nRThreshold; }
    void SetSThreshold(short threshold);
    short GetSThreshold() const { return m_nSThreshold; }
    void SetDTREnable(bool enable);
    bool GetDTREnable() const { return m_bDTREnable; }
    void SetRTSEnable(bool enable);
    bool GetRTSEnable() const { return m_bRTSEnable; }

    // Opening refuses a device that another program has open, even one that took no lock.
    void SetPortOpen(bool open);
    bool GetPortOpen() const;

    // Bytes waiting. Wider than the control's 16 bits so that a large burst is counted whole.
    int GetInBufferCount() const;
    // Removes and returns the waiting bytes (at most InputLen of them unless InputLen is 0).
    QByteArray GetInput();
    // Puts the bytes on the line at once. What the line does not take at once (a device that
    // is gone, a line that is full) is discarded and refused with a CommError, so nothing is
    // taken for sent that the device cannot get.
    void SetOutput(const QByteArray& bytes);
    short GetCommEvent() const { return m_nCommEvent; }

    // The device path the port was opened on (after resolving links); empty while closed.
    QString openedDevice() const { return m_openedDevice; }

signals:
    // Raised on the GUI thread while received bytes wait (CommEvent 2) and once when the
    // device is lost (CommEvent comEventDeviceLost).
    void OnComm();

private:
    void openPort();
    void closePort();
    void applySettings();
    void onReadyRead();
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void watchForHangUp();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void deviceLost();

    QSerialPort m_port;
    short m_nCommPort = 1;
    QString m_settings = QStringLiteral("9600,n,8,1");
    velmora::PortSettings m_values;  // m_settings, parsed
    short m_nInBufferSize = 1024;
    short m_nOutBufferSize = 512;
    int m_nInputMode = comInputModeText;
    short m_nInputLen = 0;
    short m_nRThreshold = 0;
    short m_nSThreshold = 0;
    bool m_bDTREnable = false;
    bool m_bRTSEnable = false;
    short m_nCommEvent = 0;
    QString m_openedName;  // what the port number mapped to when it was opened
    QString m_openedDevice;
    bool m_bLost = false;  // a hang-up was seen; the close is on its way
};
