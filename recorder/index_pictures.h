#pragma once

#include <string>
#include <string_view>

namespace tv {

// A line of the sound list: the file name, a blank, the playing time in tenths of a
// second with one decimal right-aligned in six characters, and "s"
// ("1_03-07-2024_09-05-30.wav  112.0s"). The name fills the first 25 characters, which is
// how the delete button finds the file again.
std::string listEntry(std::string_view name, double tenths);

// The one line of the totals file: seconds with two decimals. Written with a point
// whatever the locale, so that reading it back gives the number it holds.
std::string totalsLine(double seconds);

// The number at the start of the totals file's text; a comma stands for the point, as a
// file written under a German locale has it. Text without a number gives 0.
double totalsValue(std::string_view text);

}  // namespace tv
