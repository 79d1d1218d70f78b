// PLACEHOLDER interface, replaced by the serial implementation.
#pragma once
#include <cstdint>
struct ByteRing { std::uint8_t* pBase; std::int32_t nSize; std::uint8_t* pRead; std::uint8_t* pWrite; };
