#include "recorder/capture_name.h"

#include <chrono>
#include <cmath>

#include "app/numbers.h"

namespace tv {
namespace {

std::string twoDigits(int n) {
  return (n < 10 ? "0" : "") + std::to_string(n);
}

bool digitsAt(std::string_view s, std::size_t first, std::size_t count) {
  for (std::size_t i = first; i < first + count; ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  return true;
}

}  // namespace

std::string makeCaptureName(int networkDigit, const LocalDateTime& t) {
  return std::to_string(networkDigit) + "_" + twoDigits(t.month) + "-" + twoDigits(t.day) + "-" +
         std::to_string(t.year) + "_" + twoDigits(t.hour) + "-" + twoDigits(t.minute) + "-" +
         twoDigits(t.second) + ".wav";
}

bool isCaptureName(std::string_view s) {
  if (s.size() != 25) return false;
  return digitsAt(s, 0, 1) && s[1] == '_' && digitsAt(s, 2, 2) && s[4] == '-' &&
         digitsAt(s, 5, 2) && s[7] == '-' && digitsAt(s, 8, 4) && s[12] == '_' &&
         digitsAt(s, 13, 2) && s[15] == '-' && digitsAt(s, 16, 2) && s[18] == '-' &&
         digitsAt(s, 19, 2) && s.substr(21) == ".wav";
}

std::optional<std::string> nextCaptureName(std::string_view name) {
  if (!isCaptureName(name)) return std::nullopt;
  const auto number = [&](std::size_t at, std::size_t count) {
    int value = 0;
    for (char c : name.substr(at, count)) value = value * 10 + (c - '0');
    return value;
  };
  namespace ch = std::chrono;
  const ch::year_month_day date{ch::year{number(8, 4)},
                                ch::month{static_cast<unsigned>(number(2, 2))},
                                ch::day{static_cast<unsigned>(number(5, 2))}};
  if (!date.ok()) return std::nullopt;
  int secondOfDay = number(13, 2) * 3600 + number(16, 2) * 60 + number(19, 2) + 1;
  ch::sys_days day{date};
  if (secondOfDay >= 86'400) {
    day += ch::days{secondOfDay / 86'400};
    secondOfDay %= 86'400;
  }
  const ch::year_month_day next{day};
  LocalDateTime t;
  t.year = static_cast<int>(next.year());
  t.month = static_cast<int>(static_cast<unsigned>(next.month()));
  t.day = static_cast<int>(static_cast<unsigned>(next.day()));
  t.hour = secondOfDay / 3600;
  t.minute = secondOfDay / 60 % 60;
  t.second = secondOfDay % 60;
  return makeCaptureName(name[0] - '0', t);
}

bool networkNumberUsable(std::string_view text) {
  const std::string t = trim(text);
  return t.size() == 1 && t[0] >= '0' && t[0] <= '9';
}

std::optional<std::array<std::string, 5>> documentationFolders(std::string_view name,
                                                               int languageIndex) {
  if (!isCaptureName(name)) return std::nullopt;
  const std::string network(name.substr(0, 1));
  const std::string year(name.substr(8, 4));
  const std::string month(name.substr(2, 2));
  const std::string day(name.substr(5, 2));
  const std::string hour(name.substr(13, 2));
  switch (languageIndex) {
    case 1:
      return std::array<std::string, 5>{"FK_" + network, "Ja_" + year, "Mo-" + month, "Tg-" + day,
                                        "hh-" + hour};
    case 2:
      return std::array<std::string, 5>{"RC_" + network, "JJ_" + year, "MM-" + month, "DD-" + day,
                                        "hh-" + hour};
    case 3:
      return std::array<std::string, 5>{"RK_" + network, "Ja_" + year, "Mo-" + month, "Da-" + day,
                                        "hh-" + hour};
    default:
      return std::nullopt;
  }
}

int captureRate(std::string_view text) {
  for (std::string_view listed : {"11025", "4000", "5000", "8000", "22050", "44100"}) {
    if (text == listed) return std::stoi(std::string(listed));
  }
  const double number = leadingNumber(text);
  if (!(number >= 0) || number > 1e9) return 0;
  return static_cast<int>(roundHalfEven(number));
}

}  // namespace tv
