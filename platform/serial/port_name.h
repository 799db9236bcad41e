#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tv {

// Turns the port text of the settings into a device path. Accepts the bare text of the
// port box or the same text behind "COM" (as the port name is stored):
//   a number n from 1 to 256 (settings from the Windows version) -> "/dev/ttyS<n-1>";
//   an absolute path without "." or ".." components               -> the path itself.
// Surrounding blanks are ignored. Empty text, 0 and anything else (negative or huge
// numbers, relative paths) name no port.
std::optional<std::string> resolvePortName(std::string_view text);

}  // namespace tv
