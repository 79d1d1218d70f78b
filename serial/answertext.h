// Display texts of the device's answers: the device number as eight upper-case hexadecimal
// digits ("1234ABCD") and the manufacturing date as "2014.05.07".
#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace velmora {

QString deviceNoText(const std::array<std::uint8_t, 4>& digits);
QString makeDateText(int year, int month, int day);

}  // namespace velmora
