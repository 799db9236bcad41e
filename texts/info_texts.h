#pragma once

#include <array>
#include <string>
#include <string_view>

#include "texts/language.h"

namespace tv {

// The information text of the installation window: 16 pieces, headings and paragraphs
// taking turns. Paragraph lines are broken by a single CR, as in every message text.
inline constexpr int kInfoTextPieceCount = 16;

// Pieces 1 to 16 of a language at indexes 1 to 16 of a list of 21 (0 and 17 to 20 stay
// empty). "%1" in a piece stands for the program folder; it is filled in here.
std::array<std::string, 21> infoTextPieces(Language language, std::string_view programFolder);

}  // namespace tv
