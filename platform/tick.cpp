#include "platform/tick.h"

#include <chrono>

namespace velmora {
namespace {

std::uint32_t steadyTick() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms);  // wraps modulo 2^32, as a 32-bit tick does
}

TickClock& clock() {
    static TickClock c = steadyTick;
    return c;
}

}  // namespace

std::uint32_t tickCount() { return clock()(); }

TickClock setTickClock(TickClock c) {
    TickClock previous = std::move(clock());
    clock() = c ? std::move(c) : TickClock(steadyTick);
    return previous;
}

}  // namespace velmora
