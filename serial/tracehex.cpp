#include "serial/tracehex.h"

#include "platform/debugoutput.h"

#include <memory>
#include <new>
#include <string_view>

namespace velmora {

void TraceHex(const std::uint8_t* data, int count, const char* title) {
    if (count < 0 || (count > 0 && !data)) return;
    constexpr std::size_t kPiece = 256;
    const std::size_t length = static_cast<std::size_t>(count) * 3;
    std::unique_ptr<char[]> text(new (std::nothrow) char[length + 2]);
    if (!text) return;

    static constexpr char kDigits[] = "0123456789ABCDEF";
    char* out = text.get();
    for (int i = 0; i < count; ++i) {
        *out++ = kDigits[data[i] >> 4];
        *out++ = kDigits[data[i] & 0x0F];
        *out++ = ' ';
    }
    *out = '\0';

    if (title) outputDebugString(title);
    std::string_view rest(text.get(), length);
    while (rest.size() > kPiece) {
        outputDebugString(rest.substr(0, kPiece));
        rest.remove_prefix(kPiece);
    }
    outputDebugString(rest);
    outputDebugString("\n");
}

}  // namespace velmora
