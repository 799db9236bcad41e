#include "app/numbers.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

TEST(FormatDuration, WritesHoursMinutesSecondsWithTwoDigitsAndUnboundedHours) {
  EXPECT_EQ(formatDuration(0), "00:00:00");
  EXPECT_EQ(formatDuration(3599), "00:59:59");
  EXPECT_EQ(formatDuration(3600), "01:00:00");
  EXPECT_EQ(formatDuration(360000), "100:00:00");
  EXPECT_EQ(formatDuration(123 * 3600 + 5 * 60 + 9), "123:05:09");
}

TEST(FormatDuration, RoundsOnceSoThatAlmostAnHourReadsAnHour) {
  EXPECT_EQ(formatDuration(3599.6), "01:00:00");
  EXPECT_EQ(formatDuration(59.5), "00:01:00");
  EXPECT_EQ(formatDuration(0.4), "00:00:00");
}

TEST(LeadingNumber, ReadsLenientlyAndGivesZeroForText) {
  EXPECT_EQ(leadingNumber(" 12abc"), 12);
  EXPECT_EQ(leadingNumber("abc"), 0);
  EXPECT_EQ(leadingNumber(""), 0);
  EXPECT_EQ(leadingNumber("-3.5"), -3.5);
  EXPECT_EQ(leadingNumber(".5"), 0.5);
  EXPECT_EQ(leadingNumber("1e3"), 1000);
  EXPECT_EQ(leadingNumber("7e"), 7);
  EXPECT_EQ(leadingNumber("inf"), 0);
  EXPECT_EQ(leadingNumber("nan"), 0);
  EXPECT_EQ(leadingNumber("0x1A"), 0);
  EXPECT_EQ(leadingNumber("1e999"), 0);  // out of range is no number, not infinity
  EXPECT_EQ(leadingNumber("      15      4005"), 15);
}

TEST(RoundHalfEven, RoundsHalvesToTheEvenNeighbour) {
  EXPECT_EQ(roundHalfEven(0.5), 0);
  EXPECT_EQ(roundHalfEven(1.5), 2);
  EXPECT_EQ(roundHalfEven(2.5), 2);
  EXPECT_EQ(roundHalfEven(2.51), 3);
  EXPECT_EQ(roundHalfEven(-1.5), -2);
  EXPECT_EQ(roundHalfEven(-2.5), -2);
}

TEST(NumberText, WritesWholeNumbersWithoutPointAndNoNegativeZero) {
  EXPECT_EQ(numberText(12), "12");
  EXPECT_EQ(numberText(2.5), "2.5");
  EXPECT_EQ(numberText(-0.0), "0");
}

TEST(PadLeft, RightAlignsInTheWidthAndNeverCutsANumber) {
  EXPECT_EQ(padLeft(15, 8), "      15");
  EXPECT_EQ(padLeft(4005, 8), "    4005");
  EXPECT_EQ(padLeft(123456789, 8), "123456789");
}

}  // namespace
}  // namespace tv
