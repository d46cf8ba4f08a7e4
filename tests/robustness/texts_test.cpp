// Texts a host may pass that the line cannot carry as they are: characters
// without a Windows-1252 code, invalid UTF-8, the line's control characters,
// texts far longer than their field. Each goes out as a well-formed request of
// the operation's own length and the call returns a result code.
#include <gtest/gtest.h>

#include "bad_input.hpp"
#include "link/frame.hpp"

namespace tavirel {
namespace {

using testing::BadInputBench;

// opReparto: code 4, CodOpr 2, CodProd 40, then DescProd 20 characters.
constexpr std::size_t kDescOffset = 4 + 4 + 2 + 40;
constexpr std::size_t kDescWidth = 20;

std::string Padded(std::string bytes) {
  bytes.resize(kDescWidth, ' ');
  return bytes;
}

struct TextRow {
  const char* what;
  std::string text;      // UTF-8 as the host passes it (or not UTF-8 at all)
  std::string expected;  // the description field's bytes on the line
};

class DescriptionOnTheLine : public ::testing::TestWithParam<TextRow> {};

TEST_P(DescriptionOnTheLine, GoesOutAsOneByteACharacterWithinItsField) {
  const TextRow& row = GetParam();
  BadInputBench bench;
  const Variant result = bench.CallMethod("opReparto", {"1", row.text, "1.50", "1"});
  EXPECT_EQ(result, Variant(std::int16_t{OP_OK}));
  const std::string request = bench.Request();
  ASSERT_EQ(request.size(), *NominalCommandLength("opReparto") + 7);
  EXPECT_EQ(request.substr(kDescOffset, kDescWidth), Padded(row.expected));
  EXPECT_TRUE(link::VerifyReplyChecksum(request));  // the same sum rule covers requests
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DescriptionOnTheLine,
    ::testing::Values(
        TextRow{"cp1252", "CAFFÈ €", "CAFF\xC8 \x80"},
        TextRow{"outside", "☕ Ωmega 中文", "? ?mega ??"}, TextRow{"astral", "😀😀", "??"},
        TextRow{"stray_bytes",
                "\xff\xfe"
                "AB",
                "??AB"},
        TextRow{"truncated", "CAF\xc3", "CAF?"},
        TextRow{"overlong",
                "\xc0\xaf"
                "x",
                "??x"},
        TextRow{"surrogate", "\xed\xa0\x80", "???"},
        TextRow{"line_controls",
                std::string("A\x02"
                            "B\x03"
                            "C\x06"
                            "D"),
                "A?B?C?D"},
        TextRow{"nul", std::string("A\0B", 3), std::string("A\0B", 3)},
        TextRow{"too_long", std::string(100000, 'x') + "€", std::string(kDescWidth, 'x')},
        TextRow{"too_long_multibyte",
                std::string(30, '\xe2') + "中文中文中文中文中文中文中文中文中文中文中文",
                std::string(kDescWidth, '?')}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(UnitOfMeasure, ALongOrBrokenTextReachesTheLineWithoutBreakingTheFrame) {
  // The unit of measure is sent as given when it is not a number: the
  // request grows, but stays one frame with a right checksum.
  BadInputBench bench;
  const std::string unit = std::string(5000, '\x03') + "\xff";
  const Variant result = bench.CallMethod(
      "opProgReparto", {"1", "REPARTO", "1", "2", "3", "0", "1", "0", "0", "0", unit});
  EXPECT_EQ(result, Variant(std::int16_t{OP_OK}));
  const std::string request = bench.Request();
  EXPECT_EQ(request.find('\x03'), request.size() - 1);
  EXPECT_TRUE(link::VerifyReplyChecksum(request));
}

}  // namespace
}  // namespace tavirel
