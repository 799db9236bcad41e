#include "app/ansi_text.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

TEST(AnsiText, Windows1252BytesReadAsUtf8AndAreWrittenBackByteForByte) {
  const std::string bytes = "B\xE4r \x80 \x84Z\x93 \xDF";  // Bär € „Z“ ß
  const std::string text = lineFromFile(bytes);
  EXPECT_EQ(text, "Bär € „Z“ ß");
  EXPECT_EQ(lineForFile(text), bytes);
}

TEST(AnsiText, PlainAsciiIsUnchangedBothWays) {
  EXPECT_EQ(lineFromFile("QQ0QQ"), "QQ0QQ");
  EXPECT_EQ(lineForFile("QQ0QQ"), "QQ0QQ");
}

TEST(AnsiText, TextWindows1252CannotHoldIsKeptAsUtf8) {
  const std::string path = "/home/ham/Записи äÖ";
  const std::string written = lineForFile(path);
  EXPECT_EQ(written, path);
  EXPECT_EQ(lineFromFile(written), path);
}

TEST(AnsiText, BytesWithoutACharacterInWindows1252ReadAsAPlaceholder) {
  const std::string text = lineFromFile("a\x81z\xE4");
  EXPECT_EQ(text, "a?zä");
}

}  // namespace
}  // namespace tv
