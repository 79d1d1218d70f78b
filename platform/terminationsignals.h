// Ends the program cleanly when it is asked to terminate (SIGTERM, SIGINT, SIGHUP): the
// signal is carried to the event loop, where every open top-level dialog is destroyed as by
// its own Quit (closing what it holds open, such as a serial port and its lock) and every
// running event loop ends. Without this the process would die with the port's lock left.
#pragma once

namespace velmora {

// Installs the handling once; later calls do nothing. Needs a QApplication.
void endDialogsOnTerminationSignals();

}  // namespace velmora
