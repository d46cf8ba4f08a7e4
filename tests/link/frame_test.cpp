#include "link/frame.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

namespace tavirel::link {
namespace {

TEST(Frame, RequestFor105000WithCounter2IsThe13BytesOfTheWorkedExample) {
  const std::string expected =
      "\x02"
      "02E10500061\x03";
  EXPECT_EQ(BuildRequestFrame(2, "105000"), expected);
  EXPECT_EQ(BuildRequestFrame(2, "105000").size(), 13u);
  EXPECT_EQ(ComputeFrameChecksum(2, "105000"), 61);
}

TEST(Frame, Counter3ChangesOnlyTheCounterDigitAndTheLastChecksumDigit) {
  EXPECT_EQ(BuildRequestFrame(3, "105000"),
            "\x02"
            "03E10500062\x03");
}

TEST(Frame, ProbeRequestBytes) {
  EXPECT_EQ(BuildRequestFrame(1, "4201"),
            "\x02"
            "01E420165\x03");
}

TEST(Frame, ChecksumOfAnExactMultipleOfHundredIsTwoZeros) {
  // 0,2,E = 48+50+69 = 167; "!" (33) brings it to 200.
  EXPECT_EQ(ComputeFrameChecksum(2, "!"), 0);
  EXPECT_EQ(BuildRequestFrame(2, "!"),
            "\x02"
            "02E!00\x03");
}

// The counter's digits as the checksum sums them: the first character of
// counter / 10 written out, and counter mod 10 — for every counter a short
// holds, not only the 1-3 the line uses.
TEST(Frame, ChecksumSumsTheCountersTensAndUnitsDigits) {
  for (int counter : {0, 1, 2, 3, 9, 10, 42, 99, 100, 123, 999, 1000, 32767, -5, -123}) {
    const int magnitude = counter < 0 ? -counter : counter;
    const std::string tens = std::to_string(magnitude / 10);
    const std::string units = std::to_string(magnitude % 10);
    const int expected = (tens.front() + units.front() + 'E' + '4' + '2') % 100;
    EXPECT_EQ(ComputeFrameChecksum(static_cast<std::int16_t>(counter), "42"), expected) << counter;
  }
}

TEST(Frame, ByteAbove127ContributesItsSingleByteCode) {
  const int base = ComputeFrameChecksum(2, "");
  EXPECT_EQ(ComputeFrameChecksum(2, "\xE8"), (base + 0xE8) % 100);
}

TEST(Frame, ReplyChecksumChecks) {
  struct Row {
    std::string reply;
    bool passes;
  };
  const std::vector<Row> rows = {
      {"\x02"
       "02E10500061\x03",
       true},  // the same rule both ways
      {"\x02"
       "99E10500061\x03",
       false},  // counter digits are covered by the sum
      {"\x02"
       "02E10500062\x03",
       false},
      {"\x02"
       "02E1050006A\x03",
       false},  // checksum field not two digits
      {"\x02"
       "02E105000 1\x03",
       false},
      {"\x02\x03", false},  // too short to hold a checksum
      {"\x02"
       "0\x03",
       false},
      {"\x02"
       "00\x03",
       true},  // empty cover sums to 0
  };
  for (const auto& row : rows) EXPECT_EQ(VerifyReplyChecksum(row.reply), row.passes) << row.reply;
}

// A reply frame around `payload` whose checksum field is `field` as given.
std::string WithChecksumField(const std::string& payload, const std::string& field) {
  return "\x02"
         "01E" +
         payload + field + "\x03";
}

TEST(Frame, NumberFieldsTolerateBlanksAroundDigitsAndRefuseSigns) {
  const std::vector<std::pair<std::string, std::optional<int>>> rows = {
      {"07", 7},  {" 7", 7},     {"7 ", 7},   {"42", 42}, {"00", 0},
      {"  ", {}}, {"", {}},      {"-5", {}},  {"+5", {}}, {"5-", {}},
      {"A1", {}}, {"1\x03", {}}, {"\t5", {}}, {" 5 ", 5}, {"1 2", {}},
  };
  for (const auto& [field, value] : rows) EXPECT_EQ(ReadNumberField(field), value) << field;
}

TEST(Frame, ChecksumFieldIsReadLikeTheErrorNumber) {
  // "01E" sums to 48+49+69 = 166; the payload "!" (33) brings the cover to 199, "#" to 201.
  struct Row {
    std::string reply;
    bool passes;
  };
  const std::vector<Row> rows = {
      {WithChecksumField("!", "99"), true},  {WithChecksumField("#", "01"), true},
      {WithChecksumField("#", " 1"), true},  {WithChecksumField("#", "1 "), true},
      {WithChecksumField("#", "+1"), false}, {WithChecksumField("#", "-1"), false},
      {WithChecksumField("#", "  "), false}, {WithChecksumField("!", " 9"), false},
  };
  for (const auto& row : rows) EXPECT_EQ(VerifyReplyChecksum(row.reply), row.passes) << row.reply;
}

TEST(Frame, OnlyAPayloadThatOpensWithEERRIsAnErrorReply) {
  struct Row {
    std::string payload;
    bool error;
    std::optional<int> number;
  };
  const std::vector<Row> rows = {
      {"EERR 23", true, 23},
      {"EERR  5", true, 5},
      {"EERR 5 ", true, 5},
      {"EERR 5", true, 5},  // a short payload: the checksum digits are no part of the number
      {"EERR -5", true, {}},
      {"EERR", true, {}},
      {"EERR AB", true, {}},
      {"EERR 123", true, 12},
      {"1003 01BEERRA-33CL", false, {}},  // data that holds the letters
      {" EERR 23", false, {}},
      {"eerr 23", false, {}},
      {"EER", false, {}},
  };
  for (const auto& row : rows) {
    const std::string reply = WithChecksumField(row.payload, "00");
    EXPECT_EQ(IsErrorReply(reply), row.error) << row.payload;
    if (row.error) {
      EXPECT_EQ(ErrorReplyNumber(reply), row.number) << row.payload;
    }
  }
  EXPECT_EQ(ReplyPayload(WithChecksumField("", "00")), "");
  EXPECT_EQ(ReplyPayload(WithChecksumField("X", "00")), "X");
}

TEST(Frame, CounterAdvancesTwoThreeTwoAfterTheProbe) {
  std::int16_t counter = 1;
  std::vector<std::int16_t> seen;
  counter = NextFrameCounter(counter, true);
  seen.push_back(counter);
  for (int i = 0; i < 3; ++i) {
    counter = NextFrameCounter(counter, false);
    seen.push_back(counter);
  }
  EXPECT_EQ(seen, (std::vector<std::int16_t>{2, 3, 2, 3}));
  EXPECT_EQ(NextFrameCounter(0, false), 2);
}

}  // namespace
}  // namespace tavirel::link
