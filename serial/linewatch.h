// The hang-up watch: whether a line the port was told is readable has in fact gone away.
// A hung-up line (adapter pulled, far end of a pseudo-terminal closed) keeps reporting
// itself readable with nothing to read; seen once, the port can be closed instead of being
// woken up without end.
#pragma once

namespace velmora {

// One look at the line without waiting: the count of waiting bytes, then, when there are
// none, poll() for input.
struct LineLook {
    bool polled = false;   // poll() succeeded
    short revents = 0;     // its returned events
    bool counted = false;  // the waiting bytes could be counted
    int waiting = 0;       // bytes waiting to be read
};

// True when the look shows a line that is gone: the look itself failed, poll() reports a
// hang-up, an error or a closed descriptor, or the line is readable with nothing waiting.
bool lineHungUp(const LineLook& look);

// Looks at the line on descriptor `fd` (Unix; elsewhere a look that shows a live line).
LineLook lookAtLine(int fd);

}  // namespace velmora
