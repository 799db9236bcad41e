#include "texts/utf8_text.h"

namespace tv {
namespace {

bool isContinuationByte(char byte) {
  return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Byte offset of the 0-based character `index`, or the text's size when it has fewer.
std::size_t byteOffset(std::string_view text, std::size_t index) {
  std::size_t offset = 0;
  for (std::size_t seen = 0; offset < text.size(); ++offset) {
    if (!isContinuationByte(text[offset])) {
      if (seen == index) return offset;
      ++seen;
    }
  }
  return text.size();
}

}  // namespace

std::size_t characterCount(std::string_view text) {
  std::size_t count = 0;
  for (char byte : text) {
    if (!isContinuationByte(byte)) ++count;
  }
  return count;
}

std::string_view characterSlice(std::string_view text, std::size_t first, std::size_t count) {
  const std::size_t begin = byteOffset(text, first);
  const std::string_view rest = text.substr(begin);
  if (count == std::string_view::npos) return rest;
  return rest.substr(0, byteOffset(rest, count));
}

std::string_view trimBlanks(std::string_view text) {
  const std::size_t begin = text.find_first_not_of(' ');
  if (begin == std::string_view::npos) return {};
  const std::size_t end = text.find_last_not_of(' ');
  return text.substr(begin, end - begin + 1);
}

}  // namespace tv
