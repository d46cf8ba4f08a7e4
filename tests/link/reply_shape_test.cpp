// How many bytes the wait asks the port for, from what has come of a reply:
// never more than the shortest reply the shape expects still needs, 1
// whenever the next byte's time cannot be told.
#include "link/reply_shape.hpp"

#include <gtest/gtest.h>

#include <string>

#include "link/frame.hpp"

namespace tavirel::link {
namespace {

const ReplyShape kSaleLine{{{{ReplyShape::kAnyCode, 74}}}};  // frames of 81 bytes
const ReplyShape kPayment{{{{1171, 24}, {1172, 38}}}};       // 31 or 45 bytes
const ReplyShape kUnknown{};

std::string Frame(const std::string& rest) { return std::string(1, kSTX) + rest; }

struct ComeRow {
  const char* name;
  bool ack_seen;
  std::string buffer;
  const ReplyShape& shape;
  std::size_t expected;
};

const ComeRow kRows[] = {
    {"BeforeTheAck", false, "", kSaleLine, 1},
    {"AckAloneTheReplyMayComeAnyTime", true, "", kSaleLine, 1},
    {"NoiseBeforeAnySTX", true, "xy", kSaleLine, 1},
    {"STXAloneTheRestOfTheExpectedReply", true, Frame(""), kSaleLine, 80},
    {"PartOfTheHeadTheRestOfTheExpectedReply", true, Frame("01R1"), kSaleLine, 76},
    {"STXAloneTheShorterOfTwoReplies", true, Frame(""), kPayment, 30},
    {"STXAloneOfAnUnknownShapeTheRestOfTheHead", true, Frame(""), kUnknown, 7},
    {"PartOfTheHeadOfAnUnknownShape", true, Frame("01R1"), kUnknown, 3},
    {"HeadOfASaleLine", true, Frame("01R1003"), kSaleLine, 73},
    {"HalfASaleLine", true, Frame("01R100301") + std::string(20, '0'), kSaleLine, 51},
    {"OneByteToGo", true, Frame("01R1003") + std::string(72, '0'), kSaleLine, 1},
    {"ErrorReplyWhateverTheShape", true, Frame("01REERR"), kSaleLine, 6},
    {"ErrorReplyOfAnUnknownShape", true, Frame("01REERR 1"), kUnknown, 4},
    {"RemainderByItsCode", true, Frame("01R1171"), kPayment, 23},
    {"ClosingByItsCode", true, Frame("01R1172"), kPayment, 37},
    {"ACodeTheShapeDoesNotKnow", true, Frame("01R1051"), kPayment, 1},
    {"ACodeThatIsNoNumber", true, Frame("01R11x2"), kPayment, 1},
    {"NoShapeAtAll", true, Frame("01R4201"), kUnknown, 1},
    {"LongerThanTheShapeSaid", true, Frame("01R1003") + std::string(90, '0'), kSaleLine, 1},
};

class BytesToComeTable : public ::testing::TestWithParam<ComeRow> {};

TEST_P(BytesToComeTable, AsksForNoMoreThanTheReplyStillNeeds) {
  const ComeRow& row = GetParam();
  EXPECT_EQ(BytesToCome(row.ack_seen, row.buffer, row.shape), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Replies, BytesToComeTable, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReplyShape, AnErrorReplyIsTheLengthItsNumberIsReadFrom) {
  // The number sits at frame positions 10-11, followed by checksum and ETX.
  const std::string reply = Frame("01REERR 13") + "00\x03";
  EXPECT_EQ(reply.size(), kErrorReplyLength);
  EXPECT_EQ(ErrorReplyNumber(reply), 13);
}

}  // namespace
}  // namespace tavirel::link
