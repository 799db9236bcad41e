#pragma once

#include <cstdint>

namespace tv {

// The kernel's TIOCM_* modem bits as the platform-neutral status word of SerialPort
// (modemDcdOn, modemRingOn, modemDsrOn, modemCtsOn). Other bits are dropped.
std::uint32_t modemStatusFromTiocm(int tiocmBits);

}  // namespace tv
