#pragma once

#include <functional>

namespace tv::qt {

// Turns SIGTERM, SIGINT and SIGHUP into a call of `handler` on the GUI thread, from
// the event loop, so that the program can end the way it always ends (files closed,
// settings saved). The signal handler itself runs the release registry, so the
// transmitter is released at once, and then only writes a byte to a pipe. Needs a Qt application
// object; a second call replaces the handler. Returns false when the pipe or the handlers could not
// be set up.
bool installTerminationHandler(std::function<void()> handler);

}  // namespace tv::qt
