#pragma once

#include <cstdint>

namespace tv {

// 0x00BBGGRR like the colours of the original forms; values with the top bit set name
// a system colour that the renderer takes from the desktop's palette.
using Colour = std::uint32_t;

constexpr Colour rgb(int r, int g, int b) {
  return static_cast<Colour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

constexpr Colour kButtonFace = 0x8000000F;
constexpr Colour kButtonText = 0x80000012;
constexpr Colour kWindowBackground = 0x80000005;
constexpr Colour kWindowText = 0x80000008;

constexpr bool isSystemColour(Colour c) { return (c & 0x80000000u) != 0; }
constexpr int red(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int green(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int blue(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

}  // namespace tv
