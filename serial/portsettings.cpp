#include "serial/portsettings.h"

#include <QStringList>

#include <utility>

namespace velmora {
namespace {

// The text of each field value and what it means.
constexpr std::pair<const char*, QSerialPort::Parity> kParities[] = {
    {"n", QSerialPort::NoParity},   {"e", QSerialPort::EvenParity},  {"o", QSerialPort::OddParity},
    {"m", QSerialPort::MarkParity}, {"s", QSerialPort::SpaceParity},
};
constexpr std::pair<const char*, QSerialPort::DataBits> kDataBits[] = {
    {"5", QSerialPort::Data5},
    {"6", QSerialPort::Data6},
    {"7", QSerialPort::Data7},
    {"8", QSerialPort::Data8},
};
constexpr std::pair<const char*, QSerialPort::StopBits> kStopBits[] = {
    {"1", QSerialPort::OneStop},
    {"1.5", QSerialPort::OneAndHalfStop},
    {"2", QSerialPort::TwoStop},
};

// Looks `text` up in one of the tables above.
template <class Value, std::size_t N>
std::optional<Value> lookUp(const std::pair<const char*, Value> (&table)[N], const QString& text) {
    for (const auto& [name, value] : table)
        if (text == QLatin1String(name)) return value;
    return std::nullopt;
}

}  // namespace

std::optional<PortSettings> parsePortSettings(const QString& text) {
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4) return std::nullopt;

    bool ok = false;
    const int baud = fields[0].trimmed().toInt(&ok, 10);
    const auto parity = lookUp(kParities, fields[1].trimmed().toLower());
    const auto dataBits = lookUp(kDataBits, fields[2].trimmed());
    const auto stopBits = lookUp(kStopBits, fields[3].trimmed());
    if (!ok || baud <= 0 || !parity || !dataBits || !stopBits) return std::nullopt;
    return PortSettings{baud, *parity, *dataBits, *stopBits};
}

}  // namespace velmora
