#include "app/numbers.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tv {

double leadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' ||
                             text[i] == '\n'))
    ++i;
  // Only a plain decimal prefix counts: no hexadecimal, no "inf" or "nan".
  std::string digits;
  size_t j = i;
  if (j < text.size() && (text[j] == '+' || text[j] == '-')) digits += text[j++];
  bool any = false;
  while (j < text.size() && text[j] >= '0' && text[j] <= '9') digits += text[j++], any = true;
  if (j < text.size() && text[j] == '.') {
    digits += text[j++];
    while (j < text.size() && text[j] >= '0' && text[j] <= '9') digits += text[j++], any = true;
  }
  if (!any) return 0.0;
  if (j < text.size() && (text[j] == 'e' || text[j] == 'E')) {
    size_t k = j + 1;
    std::string exponent = "e";
    if (k < text.size() && (text[k] == '+' || text[k] == '-')) exponent += text[k++];
    bool expDigits = false;
    while (k < text.size() && text[k] >= '0' && text[k] <= '9') exponent += text[k++], expDigits = true;
    if (expDigits) digits += exponent;
  }
  const double value = std::strtod(digits.c_str(), nullptr);
  return std::isfinite(value) ? value : 0.0;
}

long long roundHalfEven(double value) {
  if (!std::isfinite(value)) return 0;
  const double r = std::nearbyint(value);  // the default rounding mode rounds halves to even
  if (r > 9.0e18) return 9'000'000'000'000'000'000LL;
  if (r < -9.0e18) return -9'000'000'000'000'000'000LL;
  return static_cast<long long>(r);
}

std::string numberText(double value) {
  if (!std::isfinite(value)) return "0";
  char buffer[40];
  if (value == std::floor(value) && std::fabs(value) < 1e15) {
    std::snprintf(buffer, sizeof buffer, "%.0f", value);
  } else {
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
  }
  std::string text = buffer;
  if (text == "-0") text = "0";
  return text;
}

namespace {
std::string twoDigits(long long n) {
  std::string s = std::to_string(n);
  return n < 10 ? "0" + s : s;
}
}  // namespace

std::string formatDuration(double seconds) {
  // All three parts come from the same rounded count, so that 3599.6 s reads 01:00:00
  // and not 00:00:00.
  long long s = roundHalfEven(seconds);
  if (s < 0) s = 0;
  return twoDigits(s / 3600) + ":" + twoDigits((s % 3600) / 60) + ":" + twoDigits(s % 60);
}

std::string padLeft(long long value, int width) {
  std::string s = std::to_string(value);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), ' ');
  return s;
}

std::string_view trimmedView(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  return text.substr(b, e - b);
}

std::string trim(std::string_view text) {
  return std::string(trimmedView(text));
}

std::string oneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

}  // namespace tv
