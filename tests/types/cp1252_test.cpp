#include "tavirel/cp1252.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "types/comma_decimal_locale.hpp"

namespace tavirel {
namespace {

struct ByteRow {
  unsigned char byte;
  const char* utf8;
};

// Bytes 0x80 to 0x9F, where Windows-1252 differs from Latin-1.
const ByteRow kSpecials[] = {
    {0x80, "€"},
    {0x82, "‚"},
    {0x83, "ƒ"},
    {0x84, "„"},
    {0x85, "…"},
    {0x86, "†"},
    {0x87, "‡"},
    {0x88, "ˆ"},
    {0x89, "‰"},
    {0x8A, "Š"},
    {0x8B, "‹"},
    {0x8C, "Œ"},
    {0x8E, "Ž"},
    {0x91, "‘"},
    {0x92, "’"},
    {0x93, "“"},
    {0x94, "”"},
    {0x95, "•"},
    {0x96, "–"},
    {0x97, "—"},
    {0x98, "˜"},
    {0x99, "™"},
    {0x9A, "š"},
    {0x9B, "›"},
    {0x9C, "œ"},
    {0x9E, "ž"},
    {0x9F, "Ÿ"},
    // unassigned: the C1 control character of the same value
    {0x81, "\u0081"},
    {0x8D, "\u008D"},
    {0x8F, "\u008F"},
    {0x90, "\u0090"},
    {0x9D, "\u009D"},
};

std::string Byte(unsigned char byte) { return std::string(1, static_cast<char>(byte)); }

TEST(Cp1252, SpecialsBothWays) {
  for (const auto& row : kSpecials) {
    EXPECT_EQ(cp1252::ToUtf8(Byte(row.byte)), row.utf8) << std::hex << int{row.byte};
    EXPECT_EQ(cp1252::FromUtf8(row.utf8), Byte(row.byte)) << row.utf8;
  }
}

TEST(Cp1252, Latin1RangeBothWays) {
  const ByteRow rows[] = {
      {0xE0, "à"}, {0xE8, "è"},      {0xE9, "é"}, {0xEC, "ì"}, {0xF2, "ò"}, {0xF9, "ù"},
      {0xB0, "°"}, {0xA0, "\u00A0"}, {0xA3, "£"}, {0xFF, "ÿ"}, {0xC0, "À"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(cp1252::ToUtf8(Byte(row.byte)), row.utf8);
    EXPECT_EQ(cp1252::FromUtf8(row.utf8), Byte(row.byte));
  }
  EXPECT_EQ(cp1252::FromUtf8("Caffè 1,50€"), "Caff\xE8 1,50\x80");
}

TEST(Cp1252, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  const std::string utf8 = cp1252::ToUtf8(all);
  EXPECT_EQ(cp1252::CharCount(utf8), 256U);
  EXPECT_EQ(cp1252::FromUtf8(utf8), all);
}

struct TextRow {
  const char* what;
  std::string utf8;
  std::string bytes;
};

TEST(Cp1252, UnmappableCharactersAndInvalidBytesBecomeQuestionMarks) {
  const TextRow rows[] = {
      {"CJK", "日本", "??"},
      {"outside the BMP", "a😀b", "a?b"},
      {"C1 of an assigned byte", "\u0080", "?"},
      {"Latin Extended", "Ā", "?"},
      {"overlong slash", "\xC0\xAF", "??"},
      {"overlong three bytes", "\xE0\x80\xAF", "???"},
      {"surrogate", "\xED\xA0\x80", "???"},
      {"truncated before a letter",
       "\xE2\x82"
       "A",
       "??A"},
      {"truncated at the end", "x\xE2\x82", "x??"},
      {"past U+10FFFF", "\xF4\x90\x80\x80", "????"},
      {"lead byte F5", "\xF5\x80\x80\x80", "????"},
      {"stray continuation", "a\x80z", "a?z"},
      {"byte FF", "\xFF", "?"},
      {"largest code point", "\xF4\x8F\xBF\xBF", "?"},
  };
  testing::UnderEachLocale([&] {
    for (const auto& row : rows) EXPECT_EQ(cp1252::FromUtf8(row.utf8), row.bytes) << row.what;
  });
}

TEST(Cp1252, CharCountCountsWhatFromUtf8Writes) {
  const std::string texts[] = {"",
                               "Caffè",
                               "€uro",
                               "\xC0\xAF",
                               "😀",
                               "a\xE2\x82"
                               "b",
                               "plain ASCII",
                               "ŠšŽžŸ"};
  for (const auto& text : texts) {
    EXPECT_EQ(cp1252::CharCount(text), cp1252::FromUtf8(text).size()) << text;
  }
  EXPECT_EQ(cp1252::CharCount("Caffè"), 5U);
  EXPECT_EQ(cp1252::CharCount("😀"), 1U);
}

TEST(Cp1252, FirstCharsNeverSplitsACharacter) {
  EXPECT_EQ(cp1252::FirstChars("Caffè", 4), "Caff");
  EXPECT_EQ(cp1252::FirstChars("Caffè", 5), "Caffè");
  EXPECT_EQ(cp1252::FirstChars("€€", 1), "€");
  EXPECT_EQ(cp1252::FirstChars("a😀b", 2), "a😀");
  EXPECT_EQ(cp1252::FirstChars("abc", 100), "abc");
  EXPECT_EQ(cp1252::FirstChars("abc", 0), "");
  EXPECT_EQ(cp1252::FirstChars("\xE2\x82"
                               "A",
                               1),
            "\xE2");
}

// Exactly the characters FromUtf8 turns into "?" while not being "?".
TEST(Cp1252, CharsWithoutByteAreThoseSentAsQuestionMarks) {
  struct Row {
    std::string text;
    std::vector<std::string> missing;
  };
  const std::vector<Row> rows = {
      {"CAFF\u00c8 \u20ac \u0178 ? \u00ff", {}},
      {"\u2713a\u4e2d\U0001F600", {"\u2713", "\u4e2d", "\U0001F600"}},
      {std::string("a\xff\xc3"), {"\xff", "\xc3"}},
      {"\u0081\u009d\u0080", {"\u0080"}},  // C1 controls of the unassigned bytes pass
      {"", {}},
  };
  for (const Row& row : rows) {
    const auto missing = cp1252::CharsWithoutByte(row.text);
    EXPECT_EQ(std::vector<std::string>(missing.begin(), missing.end()), row.missing) << row.text;
    const std::string sent = cp1252::FromUtf8(row.text);
    const auto questions = static_cast<std::size_t>(std::count(sent.begin(), sent.end(), '?'));
    const auto typed = static_cast<std::size_t>(std::count(row.text.begin(), row.text.end(), '?'));
    EXPECT_EQ(questions, typed + row.missing.size()) << row.text;
  }
}

}  // namespace
}  // namespace tavirel
