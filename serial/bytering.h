// The receive ring: a fixed block of storage with read and write positions that wrap from
// the end of the storage to its start. Equal positions mean an empty ring, so at most
// nSize - 1 bytes wait at any time.
#pragma once

#include <cstdint>

struct ByteRing {
    std::uint8_t* pBase;   // storage
    std::int32_t nSize;    // capacity in bytes
    std::uint8_t* pRead;   // next byte to parse
    std::uint8_t* pWrite;  // where the next received byte goes
};

// Allocates `size` bytes of zeroed storage and puts both positions at its start.
void ringAllocate(ByteRing& ring, int size);
// Frees the storage and sets the four fields to null and zero.
void ringFree(ByteRing& ring);

namespace velmora {

// Number of bytes waiting between pRead and pWrite.
inline int ringCount(const ByteRing& ring) {
    const auto diff = static_cast<int>(ring.pWrite - ring.pRead);
    return diff >= 0 ? diff : ring.nSize + diff;
}

// Bytes that can be appended before the write position would meet the read position.
inline int ringSpace(const ByteRing& ring) {
    return ring.nSize > 0 ? ring.nSize - 1 - ringCount(ring) : 0;
}

// Byte k positions after pRead, wrapped.
inline std::uint8_t ringPeek(const ByteRing& ring, int k) {
    int offset = static_cast<int>(ring.pRead - ring.pBase) + k;
    if (offset >= ring.nSize) offset -= ring.nSize;
    return ring.pBase[offset];
}

// Moves pRead forward by n (n at most ringCount), wrapping.
inline void ringAdvance(ByteRing& ring, int n) {
    int offset = static_cast<int>(ring.pRead - ring.pBase) + n;
    if (offset >= ring.nSize) offset -= ring.nSize;
    ring.pRead = ring.pBase + offset;
}

// Appends up to `count` bytes, never more than ringSpace, and returns how many it took.
int ringAppend(ByteRing& ring, const std::uint8_t* data, int count);

}  // namespace velmora
