#include "serial/bytering.h"

#include <algorithm>
#include <cstring>

void ringAllocate(ByteRing& ring, int size) {
    ring.pBase = size > 0 ? new std::uint8_t[static_cast<std::size_t>(size)]() : nullptr;
    ring.nSize = ring.pBase ? size : 0;
    ring.pRead = ring.pBase;
    ring.pWrite = ring.pBase;
}

void ringFree(ByteRing& ring) {
    delete[] ring.pBase;
    ring.pBase = nullptr;
    ring.nSize = 0;
    ring.pRead = nullptr;
    ring.pWrite = nullptr;
}

namespace velmora {

int ringAppend(ByteRing& ring, const std::uint8_t* data, int count) {
    const int take = std::min(std::max(count, 0), ringSpace(ring));
    int done = 0;
    while (done < take) {
        // Copy up to the end of the storage, then wrap.
        const int writeOffset = static_cast<int>(ring.pWrite - ring.pBase);
        const int piece = std::min(take - done, ring.nSize - writeOffset);
        std::memcpy(ring.pWrite, data + done, static_cast<std::size_t>(piece));
        done += piece;
        ring.pWrite = writeOffset + piece == ring.nSize ? ring.pBase : ring.pWrite + piece;
    }
    return take;
}

}  // namespace velmora
