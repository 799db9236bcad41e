#include "recorder/index_pictures.h"

#include <charconv>
#include <cmath>

#include "app/numbers.h"

namespace tv {

namespace {

std::string fixed(double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  char digits[64];
  const auto [end, error] =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
  if (error != std::errc{}) return "0";
  return std::string(digits, end);
}

}  // namespace

// The time is counted in tenths, but a list that read "120.0s" for a 12-second
// recording would be plainly wrong to its reader: it is shown in seconds.
std::string listEntry(std::string_view name, double tenths) {
  std::string time = fixed(tenths / 10, 1);
  if (time.size() < 6) time.insert(0, 6 - time.size(), ' ');
  // Made in one piece: the list holds thousands of these for days.
  std::string entry;
  entry.reserve(name.size() + time.size() + 2);
  entry.append(name).append(1, ' ').append(time).append(1, 's');
  return entry;
}

std::string totalsLine(double seconds) {
  return fixed(seconds, 2) + "\r\n";
}

double totalsValue(std::string_view text) {
  std::string line(text.substr(0, text.find_first_of("\r\n")));
  if (line.find('.') == std::string::npos) {
    const size_t comma = line.find(',');
    if (comma != std::string::npos) line[comma] = '.';
  }
  return leadingNumber(line);
}

}  // namespace tv
