// The send trace: a title, then an upper-case hexadecimal dump of the bytes, each pair
// followed by a space, written to the debug output in strings of at most 256 characters,
// then a line feed.
#pragma once

#include <cstdint>

namespace velmora {

// Writes nothing at all when the text cannot be allocated. `title` may be null.
void TraceHex(const std::uint8_t* data, int count, const char* title);

}  // namespace velmora
