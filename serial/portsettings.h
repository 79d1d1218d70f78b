// The settings string of the serial control, "baud,parity,data,stop" (e.g. "57600,n,8,1"),
// as the values the port is set to.
#pragma once

#include <QSerialPort>
#include <QString>

#include <optional>

namespace velmora {

struct PortSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    bool operator==(const PortSettings&) const = default;
};

// Reads "baud,parity,data,stop": a positive decimal baud rate, parity n/e/o/m/s in either
// case, 5 to 8 data bits and 1, 1.5 or 2 stop bits; blanks around a field are allowed.
// Anything else gives nullopt. Whether the port accepts the baud rate is the port's call.
std::optional<PortSettings> parsePortSettings(const QString& text);

}  // namespace velmora
