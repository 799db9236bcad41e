#pragma once

#include <array>
#include <string>
#include <string_view>

#include "texts/language.h"

namespace tv {

inline constexpr int kFirstTextEntry = 1;
inline constexpr int kLastTextEntry = 166;

// Entry k sits at index k. Indexes 0 and 167..170 exist so that code counting from the table's
// ends finds an empty text there, never garbage.
//
// An entry is one text in fixed columns, counted in characters: 1-3 the number right-aligned
// (for the human reader only: the entry's index is what counts), 4 blank, 5-28 the caption
// padded with blanks, 29 blank, 30 onwards the tooltip, absent when the tooltip is empty.
struct TextTable {
  std::array<std::string, 171> entries;
};

// Writes entries 1..166 of the built-in texts of `language`. A value that is neither language
// leaves the table as it was.
void LoadTextTable(TextTable& table, Language language);

// The caption column (characters 5-28) and the tooltip column (from character 30) of an entry,
// without their padding. Columns the entry does not reach are empty.
std::string captionText(std::string_view entry);
std::string tooltipText(std::string_view entry);

// items[n] is the tooltip text of entry 130 + n; entries 130..166 fill 0..36, the rest is empty.
struct MessageTexts {
  std::array<std::string, 51> items;
};

void fillMessageTexts(const TextTable& table, MessageTexts& messages);

// menuTexts 1 and 2: caption and tooltip of entry 127; 3 and 4: those of entry 128. Index 0 is
// left empty.
void fillMenuTexts(const TextTable& table, std::array<std::string, 5>& menuTexts);

}  // namespace tv
