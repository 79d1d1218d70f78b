// A 32-bit millisecond tick that wraps after about 49.7 days, with a substitutable clock.
#pragma once

#include <cstdint>
#include <functional>

namespace velmora {

using TickClock = std::function<std::uint32_t()>;

std::uint32_t tickCount();

// Replaces the clock (tests pass a controllable one); an empty function restores the
// steady clock. Returns the previous clock.
TickClock setTickClock(TickClock clock);

}  // namespace velmora
