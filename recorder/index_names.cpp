#include "recorder/index_names.h"

#include <chrono>
#include <cstdlib>

#include "recorder/capture_name.h"

namespace tv {

namespace {

namespace chr = std::chrono;

int number(std::string_view s, size_t from, size_t count) {
  int value = 0;
  for (size_t i = from; i < from + count; ++i) value = value * 10 + (s[i] - '0');
  return value;
}

chr::year_month_day dateOf(int year, int month, int day) {
  return {chr::year(year), chr::month(static_cast<unsigned>(month)),
          chr::day(static_cast<unsigned>(day))};
}

}  // namespace

std::optional<RecordingDate> recordingDate(std::string_view name, char network) {
  if (!isCaptureName(name) || name[0] != network) return std::nullopt;
  const RecordingDate date{number(name, 8, 4), number(name, 2, 2), number(name, 5, 2)};
  if (!dateOf(date.year, date.month, date.day).ok()) return std::nullopt;
  if (number(name, 13, 2) > 23 || number(name, 16, 2) > 59 || number(name, 19, 2) > 59)
    return std::nullopt;
  return date;
}

int daysBetween(const RecordingDate& a, const RecordingDate& b) {
  const auto span =
      chr::sys_days(dateOf(a.year, a.month, a.day)) - chr::sys_days(dateOf(b.year, b.month, b.day));
  return std::abs(static_cast<int>(span.count()));
}

}  // namespace tv
