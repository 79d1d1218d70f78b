// The error the serial control raises when it refuses a property access: a code of the
// control's error set and a description a person can act on.
#pragma once

#include <QString>

#include <exception>
#include <string>

namespace velmora {

class CommError : public std::exception {
public:
    // Error codes of the control.
    enum Code {
        InvalidPortNumber = 8002,
        PortAlreadyOpen = 8005,
        DeviceUnavailable = 8010,
        PortNotOpen = 8018,
        InvalidPropertyValue = 380,
        HardwareLocked = 8012,
        PermissionDenied = 8015,
    };

    CommError(Code code, const QString& description)
        : m_code(code), m_description(description), m_what(description.toStdString()) {}

    Code code() const noexcept { return m_code; }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    Code m_code;
    QString m_description;
    std::string m_what;
};

}  // namespace velmora
