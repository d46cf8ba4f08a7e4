#include <gtest/gtest.h>

#include <string>

#include "fields/field_encoders.hpp"
#include "tavirel/cp1252.hpp"
#include "types/comma_decimal_locale.hpp"

namespace tavirel {
namespace {

struct TextRow {
  std::string text;
  std::int16_t width;
  std::string field;
};

const std::string k20 = "Pane integrale bio 1";       // 20 characters
const std::string k25 = "Formaggio grana stagion12";  // 25 characters

TEST(TextField, TrimsSpacesThenCutsOrPads) {
  const TextRow rows[] = {
      // fourteen characters, two blanks before and one after
      {"  Pane integrale ", 20, "Pane integrale      "},
      {k25, 20, k25.substr(0, 20)},
      {k20, 20, k20},
      {k20 + "X", 20, k20},
      {"", 20, std::string(20, ' ')},
      {"     ", 20, std::string(20, ' ')},
      {"MiXeD", 20, "MiXeD               "},
      {"  inside  blanks ", 20, "inside  blanks      "},
      {"Riga di intestazione", 27, "Riga di intestazione       "},
      {std::string(45, 'A'), 40, std::string(40, 'A')},
      {"abc", 0, ""},
  };
  testing::UnderEachLocale([&] {
    for (const auto& row : rows) {
      EXPECT_EQ(FormatTextField(row.text, row.width), row.field) << '"' << row.text << '"';
    }
  });
  ASSERT_EQ(cp1252::CharCount(k20), 20U);
  ASSERT_EQ(cp1252::CharCount(k25), 25U);
}

TEST(TextField, KeepsTabsAndOtherCharacters) {
  EXPECT_EQ(FormatTextField("\tPane\t", 20), "\tPane\t" + std::string(14, ' '));
  EXPECT_EQ(FormatTextField(" \t ", 4), "\t   ");
  EXPECT_EQ(FormatTextField("a\nb", 4), "a\nb ");
}

TEST(TextField, CountsCharactersNotBytes) {
  const std::string field = FormatTextField("Caffè", 20);
  EXPECT_EQ(field, "Caffè" + std::string(15, ' '));
  EXPECT_EQ(cp1252::CharCount(field), 20U);
  EXPECT_EQ(field.size(), 21U);

  // Euro signs take three bytes each; the cut falls between characters.
  const std::string euros = std::string(19, 'x') + "€€€";
  EXPECT_EQ(FormatTextField(euros, 20), std::string(19, 'x') + "€");
  EXPECT_EQ(FormatTextField("€", 3), "€  ");
}

TEST(TextField, InvalidUtf8ByteCountsAsOneCharacter) {
  const std::string broken =
      "ab\xFF"
      "cd";
  EXPECT_EQ(FormatTextField(broken, 6), broken + " ");
  EXPECT_EQ(FormatTextField(broken, 3), "ab\xFF");
}

}  // namespace
}  // namespace tavirel
