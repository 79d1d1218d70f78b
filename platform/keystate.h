// The state of the Shift key, with a substitutable query so that code reacting to a held
// Shift key can be tested without a keyboard.
#pragma once

#include <functional>

namespace velmora {

using ShiftQuery = std::function<bool()>;

// True while a Shift key is held down. By default this asks the window system for the
// keyboard modifiers at the moment of the call (not those of the last input event).
bool isShiftDown();

// Replaces the query (tests pass one they control); an empty function restores the default.
// Returns the previous query.
ShiftQuery setShiftQuery(ShiftQuery query);

}  // namespace velmora
