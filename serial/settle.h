// The pause after a port is opened, while the device settles on the new line. It blocks:
// nothing the program receives or is asked to do is handled meanwhile. Tests substitute
// the pause to see it without spending the time.
#pragma once

#include <functional>

namespace velmora {

using SettleDelay = std::function<void(int milliseconds)>;

// Pauses for `milliseconds` (the substitute's call while one is installed).
void settleDelay(int milliseconds);

// Installs a substitute for the pause; an empty function restores the real one. Returns the
// previous substitute (empty when it was the real pause).
SettleDelay setSettleDelay(SettleDelay delay);

}  // namespace velmora
