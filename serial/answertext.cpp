#include "serial/answertext.h"

namespace velmora {

QString deviceNoText(const std::array<std::uint8_t, 4>& digits) {
    return QString::asprintf("%02X%02X%02X%02X", digits[0], digits[1], digits[2], digits[3]);
}

QString makeDateText(int year, int month, int day) {
    return QString::asprintf("%04d.%02d.%02d", year, month, day);
}

}  // namespace velmora
