#include "texts/text_table.h"

#include <gtest/gtest.h>

#include <string>

#include "texts/utf8_text.h"

namespace tv {
namespace {

TextTable loaded(Language language) {
  TextTable table;
  LoadTextTable(table, language);
  return table;
}

class BothTables : public ::testing::TestWithParam<Language> {};

TEST_P(BothTables, EveryEntryCarriesItsNumberAndKeepsItsColumns) {
  const TextTable table = loaded(GetParam());
  EXPECT_TRUE(table.entries[0].empty());
  for (int k = kLastTextEntry + 1; k < static_cast<int>(table.entries.size()); ++k) {
    EXPECT_TRUE(table.entries[k].empty()) << k;
  }
  for (int k = kFirstTextEntry; k <= kLastTextEntry; ++k) {
    const std::string& entry = table.entries[k];
    SCOPED_TRACE(entry);
    const int shown = GetParam() == Language::English && k == 26 ? 25 : k;
    std::string number = std::to_string(shown);
    number.insert(0, 3 - number.size(), ' ');
    EXPECT_EQ(std::string(characterSlice(entry, 0, 3)), number);
    EXPECT_EQ(characterSlice(entry, 3, 1), " ");
    // A caption that spills out of its 24 characters (or padding counted in bytes, which
    // leaves umlaut captions short) would push or pull the tooltip off character 30.
    ASSERT_GE(characterCount(entry), 28u);
    if (characterCount(entry) > 28) {
      EXPECT_EQ(characterSlice(entry, 28, 1), " ");
      EXPECT_NE(characterSlice(entry, 29, 1), " ");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, BothTables,
                         ::testing::Values(Language::German, Language::English),
                         [](const ::testing::TestParamInfo<Language>& info) {
                           return info.param == Language::German ? "German" : "English";
                         });

TEST(TextTable, KnownEntriesGiveTheirTexts) {
  const TextTable english = loaded(Language::English);
  const TextTable german = loaded(Language::German);

  EXPECT_EQ(captionText(english.entries[117]), "TX");
  EXPECT_EQ(tooltipText(english.entries[117]),
            "Send button (space key can be used during playback)");
  EXPECT_EQ(captionText(english.entries[8]), "Tonvogel");
  EXPECT_EQ(tooltipText(english.entries[8]), "");
  EXPECT_EQ(captionText(german.entries[8]), "Dokumentation");
  EXPECT_EQ(tooltipText(german.entries[8]), "");
  EXPECT_EQ(captionText(english.entries[18]), "sound file from the last");
  EXPECT_EQ(tooltipText(english.entries[18]), "days");
  EXPECT_EQ(captionText(english.entries[2]), "");
  EXPECT_EQ(tooltipText(english.entries[2]), "please read");
  EXPECT_EQ(tooltipText(english.entries[6]), "Tonvogel is installed in C:\\Tonvogel.");
}

TEST(TextTable, UmlautsCountAsOneCharacter) {
  const TextTable german = loaded(Language::German);
  EXPECT_EQ(captionText(german.entries[101]), "Änderungen übernehmen");
  EXPECT_EQ(tooltipText(german.entries[101]), "Änderungen speichern");
  EXPECT_EQ(captionText(german.entries[19]), "schneiden");
  EXPECT_EQ(tooltipText(german.entries[19]),
            "Löschbereich bestimmen: Klicken Sie mit der linken Maustaste. Löschen und Speichern: "
            "Loslassen der linken Maustaste.");
  EXPECT_EQ(captionText(german.entries[100]), "Fenster schließen");
}

TEST(TextTable, ShortEntriesGiveEmptyColumns) {
  EXPECT_EQ(captionText(""), "");
  EXPECT_EQ(tooltipText(""), "");
  EXPECT_EQ(captionText("  8"), "");
  EXPECT_EQ(captionText("  8 Doku"), "Doku");
  EXPECT_EQ(tooltipText("  8 Doku"), "");
  EXPECT_EQ(tooltipText("  8                          x"), "x");
}

TEST(TextTable, SwitchingLanguageReplacesEveryText) {
  TextTable table = loaded(Language::German);
  MessageTexts messages;
  fillMessageTexts(table, messages);
  EXPECT_EQ(messages.items[21], "Kein Anschluß");

  LoadTextTable(table, Language::English);
  fillMessageTexts(table, messages);
  EXPECT_EQ(messages.items[21], "No connection.");
  EXPECT_EQ(table.entries, loaded(Language::English).entries);

  LoadTextTable(table, static_cast<Language>(0));
  EXPECT_EQ(table.entries, loaded(Language::English).entries);
}

TEST(TextTable, MessageAndMenuTextsComeFromTheirEntries) {
  const TextTable german = loaded(Language::German);
  MessageTexts messages;
  messages.items[40] = "left over";
  fillMessageTexts(german, messages);
  EXPECT_EQ(messages.items[0], "Die Datei");
  EXPECT_EQ(messages.items[29], "zur Verfügung!");
  EXPECT_EQ(messages.items[36], "Tonvogel beenden");
  for (std::size_t n = 37; n < messages.items.size(); ++n) EXPECT_EQ(messages.items[n], "") << n;

  std::array<std::string, 5> menu;
  fillMenuTexts(loaded(Language::English), menu);
  EXPECT_EQ(menu, (std::array<std::string, 5>{"", "Info", "Settings", "Playback window",
                                              "Exit program"}));
}

}  // namespace
}  // namespace tv
