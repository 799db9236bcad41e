#pragma once

#include <string>
#include <string_view>

namespace tv {

// Lenient number reading of the settings file and the edit fields: leading blanks are
// skipped, and text that does not begin with a number gives 0.
double leadingNumber(std::string_view text);

// Rounding to a whole number, halves to the even neighbour, as the stored values have
// always been rounded.
long long roundHalfEven(double value);

// A number as decimal text without leading blanks: whole numbers without a point.
std::string numberText(double value);

// Seconds as h:mm:ss with at least two digits each; hours unbounded ("123:05:09").
std::string formatDuration(double seconds);

// Right-aligns a whole number in `width` characters (the "########" pattern).
std::string padLeft(long long value, int width);

// `text` without the blanks and tabs at either end.
std::string trim(std::string_view text);
// The same as a view into `text`, for a comparison that need not copy.
std::string_view trimmedView(std::string_view text);

// The text with its line breaks as blanks, for a value that must stay on one line of a file.
std::string oneLine(std::string text);

}  // namespace tv
