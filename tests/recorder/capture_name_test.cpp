#include "recorder/capture_name.h"

#include <gtest/gtest.h>

#include "recorder/wall_clock_moments.h"

namespace tv {
namespace {

TEST(CaptureName, FollowsTheFixedLayoutAndItsFoldersPerLanguage) {
  const std::string name = makeCaptureName(1, {2024, 3, 7, 9, 5, 30, 0});
  EXPECT_EQ(name, "1_03-07-2024_09-05-30.wav");
  EXPECT_TRUE(isCaptureName(name));
  using Folders = std::array<std::string, 5>;
  EXPECT_EQ(documentationFolders(name, 1), (Folders{"FK_1", "Ja_2024", "Mo-03", "Tg-07", "hh-09"}));
  EXPECT_EQ(documentationFolders(name, 2), (Folders{"RC_1", "JJ_2024", "MM-03", "DD-07", "hh-09"}));
  EXPECT_EQ(documentationFolders(name, 3), (Folders{"RK_1", "Ja_2024", "Mo-03", "Da-07", "hh-09"}));
  EXPECT_FALSE(documentationFolders(name, 4));
  EXPECT_FALSE(isCaptureName("12_03-07-2024_09-05-30.wav"));
  EXPECT_FALSE(isCaptureName("1_03-07-2024_09-05-30.wav.part"));
}

TEST(CaptureName, OnlyOneDigitNetworksAndTheListedOrTypedRates) {
  EXPECT_TRUE(networkNumberUsable(" 7 "));
  for (const char* bad : {"12", "-1", "1.5", "", "x"})
    EXPECT_FALSE(networkNumberUsable(bad)) << bad;
  EXPECT_EQ(captureRate("22050"), 22050);
  EXPECT_EQ(captureRate("16000 Hz"), 16000);
  EXPECT_EQ(captureRate("abc"), 0);
}

TEST(WallClockMoments, AMomentFiresOnceWhenATickStepsOverIt) {
  const auto at = [](int h, int m, int s) { return wallSeconds({2026, 12, 7, h, m, s, 0}); };
  EXPECT_TRUE(momentPassed(at(10, 0, 4), at(10, 0, 5), 3600, 5));
  EXPECT_TRUE(momentPassed(at(10, 0, 3), at(10, 0, 8), 3600, 5));   // late tick
  EXPECT_FALSE(momentPassed(at(10, 0, 5), at(10, 0, 5), 3600, 5));  // same second again
  EXPECT_FALSE(momentPassed(at(10, 0, 8), at(10, 0, 4), 3600, 5));  // clock set back
  EXPECT_TRUE(momentPassed(wallSeconds({2026, 12, 31, 23, 59, 59, 0}),
                           wallSeconds({2027, 1, 1, 0, 0, 31, 0}), 86'400, 30));
  EXPECT_EQ(minuteAndSecond("05:30"), 330);
  EXPECT_FALSE(minuteAndSecond("5:30"));
  EXPECT_FALSE(minuteAndSecond("65:00"));
}

}  // namespace
}  // namespace tv
