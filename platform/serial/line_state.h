#pragma once

#include <cstdint>
#include <string>

namespace tv {

// The low byte of a modem status word as 8 binary digits, most significant first: the
// first digit is DCD, then RI, DSR, CTS; 0x90 gives "10010000".
std::string lineStateText(std::uint32_t modemStatus);

}  // namespace tv
