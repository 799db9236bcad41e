#include "texts/own_texts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tv {
namespace {

std::set<std::string> placeholders(std::string_view text) {
  std::set<std::string> found;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') {
      found.insert(std::string(text.substr(i, 2)));
    }
  }
  return found;
}

TEST(OwnTexts, EveryTextExistsInBothLanguagesWithTheSamePlaceholders) {
  for (std::size_t i = 0; i < kOwnTextCount; ++i) {
    const auto id = static_cast<OwnText>(i);
    const std::string_view german = ownText(id, Language::German);
    const std::string_view english = ownText(id, Language::English);
    SCOPED_TRACE(english);
    EXPECT_FALSE(german.empty());
    EXPECT_FALSE(english.empty());
    EXPECT_NE(german, english);
    EXPECT_EQ(placeholders(german), placeholders(english));
  }
  EXPECT_EQ(ownText(OwnText::Count, Language::English), "");
}

TEST(OwnTexts, FormattingFillsPlaceholdersOnce) {
  EXPECT_EQ(formatOwnText(OwnText::SerialOpenFailed, Language::English,
                          {"/dev/ttyUSB0", "Device or resource busy"}),
            "The port /dev/ttyUSB0 could not be opened (Device or resource busy).");
  EXPECT_EQ(formatOwnText(OwnText::SerialOpenFailed, Language::German, {"/dev/ttyUSB0", "busy"}),
            "Die Schnittstelle /dev/ttyUSB0 konnte nicht geöffnet werden (busy).");
  // A file name with a placeholder in it is shown as it is, not expanded again.
  EXPECT_EQ(formatOwnText(OwnText::RecordingSaveFailed, Language::English, {"/tmp/50%2.wav", "x"}),
            "The recording /tmp/50%2.wav could not be saved (x).");
  EXPECT_EQ(formatOwnText(OwnText::RecordingSaveFailed, Language::English, {"a.wav"}),
            "The recording a.wav could not be saved (%2).");
  EXPECT_EQ(formatOwnText(OwnText::NoTrayArea, Language::English, {"unused"}),
            ownText(OwnText::NoTrayArea, Language::English));
}

}  // namespace
}  // namespace tv
