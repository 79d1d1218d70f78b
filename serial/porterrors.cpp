#include "serial/porterrors.h"

#include <QRegularExpression>

#include <atomic>

namespace velmora {
namespace {

std::atomic<CommLanguage> g_language{CommLanguage::English};

bool chinese() { return commLanguage() == CommLanguage::Chinese; }

// The text in the chosen language.
QString say(const char* zh, const char* en) { return QString::fromUtf8(chinese() ? zh : en); }

// Items of a list, joined as the language joins them.
QString listed(const QStringList& items) { return items.join(say("、", ", ")); }

// The device to show in the mapping commands: a USB adapter when one is present (that is what
// people plug in), else the first device present, else the usual name of a USB adapter.
QString exampleDevice(const QStringList& present) {
    for (const QString& device : present)
        if (device.contains(QLatin1String("ttyUSB")) || device.contains(QLatin1String("ttyACM")))
            return device;
    return present.isEmpty() ? QStringLiteral("/dev/ttyUSB0") : present.first();
}

CommError noSuchDevice(const OpenFailure& f) {
    const QString place = portPlace(f.port, f.name, f.device);
    const QString label = QStringLiteral("COM%1").arg(f.port);
    QString text;
    if (!f.device.isEmpty())  // the node is there, but the port says there is no device
        text = say("设备不可用：%1：%2。", "Device unavailable: %1: %2.").arg(place, f.reason);
    else if (!f.linkTarget.isEmpty())
        text = say("设备不可用：%1 经 %2 映射到 %3，但该设备不存在。",
                   "Device unavailable: %1 is mapped by %2 to %3, which does not exist.")
                   .arg(label, f.name, f.linkTarget);
    else
        text = say("设备不可用：%1不存在。", "Device unavailable: %1 does not exist.").arg(place);

    const QString example = exampleDevice(f.present);
    text += QLatin1Char('\n');
    if (f.present.isEmpty())
        text += say("本机没有串口设备。请连接设备，然后用以下命令把它映射为 %1（这里以 %2 为例）：",
                    "No serial device is present on this machine. Connect the device, then map "
                    "it as %1 (here %2) with:")
                    .arg(label, example);
    else
        text += say("本机的串口设备：%1。用以下命令把 %2 映射为 %3：",
                    "Serial devices on this machine: %1. Map %2 as %3 with:")
                    .arg(listed(f.present), example, label);
    text += QStringLiteral("\nmkdir -p %1\nln -sf %2 %1/%3").arg(f.linkDirectory, example, label);
    return CommError(CommError::DeviceUnavailable, text);
}

CommError inUse(const QString& place, const std::vector<PortHolder>& holders) {
    QStringList programs;
    for (const PortHolder& h : holders) {
        const QString id = say("进程号 %1", "process id %1").arg(h.pid);
        programs << (h.name.isEmpty() ? id : say("%1（%2）", "%1 (%2)").arg(h.name, id));
    }
    const QString text =
        programs.isEmpty()
            ? say("%1正被另一个程序占用。请关闭该程序后再试。",
                  "%1 is in use by another program. Close that program and try again.")
                  .arg(place)
            : say("%1正被另一个程序占用：%2。请关闭该程序后再试。",
                  "%1 is in use by another program: %2. Close that program and try again.")
                  .arg(place, listed(programs));
    return CommError(CommError::HardwareLocked, text);
}

CommError permissionDenied(const QString& place, const QString& owner, const QString& group) {
    return CommError(CommError::PermissionDenied,
                     say("打开 %1被拒绝（没有权限）：该设备属于用户 %2 和用户组 %3。请用 "
                         "sudo usermod -aG %3 $USER 加入该用户组，然后重新登录。",
                         "Permission denied opening %1: the device belongs to user %2 and group "
                         "%3. Join that group with sudo usermod -aG %3 $USER, then log in again.")
                         .arg(place, owner, group));
}

}  // namespace

void setCommLanguage(CommLanguage language) { g_language = language; }

CommLanguage commLanguage() { return g_language; }

QString portPlace(int port, const QString& name, const QString& device) {
    const QString label = QStringLiteral("COM%1").arg(port);
    const QString node =
        device.isEmpty() || device == name ? name : QStringLiteral("%1 -> %2").arg(name, device);
    return say("%1（%2）", "%1 (%2)").arg(label, node);
}

QString shellPath(const QString& path, const QString& home) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+-]*$"));
    auto quoted = [](const QString& text) {
        if (plain.match(text).hasMatch()) return text;
        QString inner = text;
        return QLatin1Char('\'') + inner.replace(QLatin1String("'"), QLatin1String("'\\''")) +
               QLatin1Char('\'');
    };
    const QString prefix = home.endsWith(QLatin1Char('/')) ? home : home + QLatin1Char('/');
    if (!home.isEmpty() && path.startsWith(prefix))
        return QStringLiteral("~/") + quoted(path.mid(prefix.size()));
    return quoted(path);
}

CommError portNotOpenError() {
    return CommError(CommError::PortNotOpen, say("串口未打开，不能进行此操作",
                                                 "Operation valid only when the port is open"));
}

CommError portNumberError(int port) {
    return CommError(CommError::InvalidPortNumber,
                     say("端口号无效：%1（端口号从 1 开始）",
                         "Invalid Port Number: %1 (ports are numbered from 1)")
                         .arg(port));
}

CommError portAlreadyOpenError(int port, bool choosingAnother) {
    const QString label = QStringLiteral("COM%1").arg(port);
    return CommError(CommError::PortAlreadyOpen,
                     choosingAnother ? say("串口已打开：请先关闭 %1，再选择其他串口",
                                           "Port already open: close %1 before choosing another "
                                           "port")
                                           .arg(label)
                                     : say("串口已打开：%1", "Port already open: %1").arg(label));
}

CommError belowMinimumError(const char* property, int value, int minimum) {
    return CommError(
        CommError::InvalidPropertyValue,
        say("属性值无效：%1 = %2（不能小于 %3）",
            "Invalid property value: %1 = %2 (must be at least %3)")
            .arg(QLatin1String(property), QString::number(value), QString::number(minimum)));
}

CommError inputModeError(int mode) {
    return CommError(CommError::InvalidPropertyValue,
                     say("属性值无效：InputMode = %1（0 为文本，1 为二进制）",
                         "Invalid property value: InputMode = %1 (0 text, 1 binary)")
                         .arg(mode));
}

CommError settingsSyntaxError(const QString& settings) {
    return CommError(CommError::InvalidPropertyValue,
                     say("属性值无效：Settings \"%1\"（应为 波特率,校验位,数据位,停止位，例如 "
                         "57600,n,8,1）",
                         "Invalid property value: Settings \"%1\" (expected baud,parity,data,stop "
                         "such as 57600,n,8,1)")
                         .arg(settings));
}

CommError settingsRefusedError(const QString& settings, qint32 baud, bool baudRefused,
                               const QList<qint32>& accepted, const QString& reason) {
    if (!baudRefused)
        return CommError(CommError::InvalidPropertyValue,
                         say("属性值无效：串口不接受设置 \"%1\"（%2）",
                             "Invalid property value: the port refuses the settings \"%1\" (%2)")
                             .arg(settings, reason));
    QStringList rates;
    for (qint32 rate : accepted) rates << QString::number(rate);
    return CommError(CommError::InvalidPropertyValue,
                     say("属性值无效：串口不接受波特率 %1。可用的波特率：%2。",
                         "Invalid property value: the port refuses the baud rate %1. Accepted "
                         "rates: %2.")
                         .arg(baud)
                         .arg(rates.join(QLatin1String(", "))));
}

CommError writeError(const QString& place, qint64 sent, qint64 total, const QString& reason) {
    return CommError(CommError::DeviceUnavailable,
                     say("向 %1写入失败：%3 个字节中只发出了 %2 个（%4）。",
                         "Writing to %1 failed: %2 of %3 bytes went out (%4).")
                         .arg(place, QString::number(sent), QString::number(total),
                              reason.isEmpty() ? say("线路已满", "the line is full") : reason));
}

CommError describeOpenFailure(const OpenFailure& f) {
    if (f.device.isEmpty()) return noSuchDevice(f);
    const QString place = portPlace(f.port, f.name, f.device);
    if (!f.holders.empty()) return inUse(place, f.holders);
    if (f.error == QSerialPort::DeviceNotFoundError) return noSuchDevice(f);
    if (f.error == QSerialPort::PermissionError)
        return f.accessDenied ? permissionDenied(place, f.owner, f.group) : inUse(place, {});
    return CommError(CommError::DeviceUnavailable,
                     say("设备不可用：%1：%2", "Device unavailable: %1: %2").arg(place, f.reason));
}

}  // namespace velmora
