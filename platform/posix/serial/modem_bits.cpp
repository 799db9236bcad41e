#include "platform/posix/serial/modem_bits.h"

#include <sys/ioctl.h>

#include "platform/serial/serial_port.h"

namespace tv {

std::uint32_t modemStatusFromTiocm(int tiocmBits) {
  std::uint32_t status = 0;
  if (tiocmBits & TIOCM_CAR) status |= modemDcdOn;
  if (tiocmBits & TIOCM_RNG) status |= modemRingOn;
  if (tiocmBits & TIOCM_DSR) status |= modemDsrOn;
  if (tiocmBits & TIOCM_CTS) status |= modemCtsOn;
  return status;
}

}  // namespace tv
