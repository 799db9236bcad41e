#pragma once

namespace tv {

// How the transmitter is keyed: a serial port's DTR/RTS line, Hamlib's rigctld over TCP,
// a CM108 sound interface's GPIO, or not at all.
enum class KeyingMethod { Serial, Rigctld, Cm108, None };

}  // namespace tv
