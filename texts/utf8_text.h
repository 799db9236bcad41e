#pragma once

#include <cstddef>
#include <string_view>

namespace tv {

// The texts are UTF-8, but their columns and lengths are counted in characters: "Ä" is one.
// Invalid sequences are not repaired; every byte that is not a continuation byte starts a
// character, so a broken text still yields a bounded, predictable slice.

std::size_t characterCount(std::string_view text);

// Up to `count` characters starting at the 0-based character `first`; shorter or empty when
// the text ends first.
std::string_view characterSlice(std::string_view text, std::size_t first,
                                std::size_t count = std::string_view::npos);

// Leading and trailing blanks removed (blanks only, as the stored texts are padded with them).
std::string_view trimBlanks(std::string_view text);

}  // namespace tv
