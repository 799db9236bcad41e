#include "recorder/wall_clock_moments.h"

#include <chrono>

namespace tv {
namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

}  // namespace

std::int64_t wallSeconds(const LocalDateTime& t) {
  using namespace std::chrono;
  const sys_days day{year{t.year} / month{static_cast<unsigned>(t.month)} /
                     std::chrono::day{static_cast<unsigned>(t.day)}};
  return static_cast<std::int64_t>(day.time_since_epoch().count()) * 86'400 + t.hour * 3600 +
         t.minute * 60 + t.second;
}

bool momentPassed(std::int64_t previous, std::int64_t now, std::int64_t period,
                  std::int64_t offset) {
  if (now <= previous) return false;
  return floorDiv(now - offset, period) > floorDiv(previous - offset, period);
}

std::optional<int> minuteAndSecond(std::string_view s) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (s.size() != 5 || !digit(s[0]) || !digit(s[1]) || s[2] != ':' || !digit(s[3]) || !digit(s[4]))
    return std::nullopt;
  const int minute = (s[0] - '0') * 10 + (s[1] - '0');
  const int second = (s[3] - '0') * 10 + (s[4] - '0');
  if (minute > 59 || second > 59) return std::nullopt;
  return minute * 60 + second;
}

}  // namespace tv
