#include "platform/serial/line_state.h"

namespace tv {

std::string lineStateText(std::uint32_t modemStatus) {
  std::string text(8, '0');
  for (int position = 0; position < 8; ++position) {
    if (modemStatus & (0x80u >> position)) text[position] = '1';
  }
  return text;
}

}  // namespace tv
