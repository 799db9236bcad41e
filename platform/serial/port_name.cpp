#include "platform/serial/port_name.h"

#include <algorithm>
#include <cctype>

namespace tv {
namespace {

// Windows numbers its ports up to COM256; anything above is a typing slip.
constexpr int highestPortNumber = 256;

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool isDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool startsWithCom(std::string_view text) {
  return text.size() >= 3 && std::toupper(static_cast<unsigned char>(text[0])) == 'C' &&
         std::toupper(static_cast<unsigned char>(text[1])) == 'O' &&
         std::toupper(static_cast<unsigned char>(text[2])) == 'M';
}

std::optional<std::string> numberedPort(std::string_view digits) {
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  if (digits.size() > 3) return std::nullopt;  // keeps the sum below from overflowing
  int number = 0;
  for (char c : digits) number = number * 10 + (c - '0');
  if (number < 1 || number > highestPortNumber) return std::nullopt;
  return "/dev/ttyS" + std::to_string(number - 1);
}

// Only absolute paths: a relative one would depend on the working directory, and "."
// or ".." components could lead anywhere from a harmless-looking "/dev/" prefix.
std::optional<std::string> devicePath(std::string_view path) {
  if (path.size() < 2 || path.front() != '/' || path.back() == '/') return std::nullopt;
  for (char c : path) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return std::nullopt;
  }
  std::size_t start = 1;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view part = path.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return std::nullopt;
    start = end + 1;
  }
  return std::string(path);
}

}  // namespace

std::optional<std::string> resolvePortName(std::string_view text) {
  text = trimmed(text);
  if (startsWithCom(text)) {
    std::string_view rest = trimmed(text.substr(3));
    if (rest.empty() || isDigits(rest) || rest.front() == '/') text = rest;
  }
  if (text.empty()) return std::nullopt;
  if (isDigits(text)) return numberedPort(text);
  return devicePath(text);
}

}  // namespace tv
