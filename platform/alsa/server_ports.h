#pragma once

#include <vector>

#include "platform/alsa/alsa_devices.h"

namespace tv {

// The sources (`inputs`) or the sinks of the PulseAudio-compatible sound server the
// program would reach (PipeWire answers as well), asked through libpulse. Empty when no
// server answers within a moment, or in a build without libpulse. A source that is a
// sink's monitor is given no card: it is not the way to the card's input.
std::vector<ServerPort> listServerPorts(bool inputs);

}  // namespace tv
