#include "tavirel/support/trace_printer.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "pty_printer.hpp"

namespace tavirel::support {
namespace {

using std::chrono::milliseconds;
using testing::Frame;

const std::string kRequest = std::string("\x02") + "02E105000" + "61" + "\x03";

TEST(DescribeBytes, DecodesFramesAndAcknowledgements) {
  std::string wrong = kRequest;
  wrong[wrong.size() - 2] = '2';
  const std::pair<std::pair<TraceDirection, std::string>, const char*> cases[] = {
      {{TraceDirection::Written, kRequest}, "request counter 02, command 1050, checksum 61 right"},
      {{TraceDirection::Written, wrong},
       "request counter 02, command 1050, checksum 62 wrong (sum gives 61)"},
      {{TraceDirection::Read, Frame("01", 'R', "4201071226081")},
       "reply counter 01, code 4201, checksum"},
      {{TraceDirection::Read, Frame("03", 'E', "EERR 23")},
       "error reply counter 03, printer error \"23\", checksum"},
      // "EERR" inside a reply's data does not make it an error reply.
      {{TraceDirection::Read, Frame("03", 'R', "1003BEERRA")}, "reply counter 03, code 1003"},
      {{TraceDirection::Read, Frame("\x1b]", 'R',
                                    "\x07"
                                    "BEL")},
       "reply counter \\x1B], code \\x07BEL, checksum"},
      {{TraceDirection::Read, std::string("\x02") + "01E4201x9" + "\x03"},
       "reply counter 01, code 4201, checksum \"x9\" not a number"},
      {{TraceDirection::Read, std::string("\x02") + "01E" + "\x03"}, "incomplete frame"},
      {{TraceDirection::Read, "\x06"}, "ACK"},
      {{TraceDirection::Written, "\x06"}, "ACK"},
      {{TraceDirection::Read, "zz"}, "stray bytes"},
  };
  for (const auto& [input, description] : cases) {
    const std::string text = DescribeBytes(input.first, input.second);
    EXPECT_EQ(text.rfind(description, 0), 0u) << text;
  }
  EXPECT_NE(DescribeBytes(TraceDirection::Read, Frame("01", 'R', "4201")).find("right"),
            std::string::npos);
  std::string damaged = Frame("01", 'R', "4201");
  damaged[damaged.size() - 2] = damaged[damaged.size() - 2] == '0' ? '1' : '0';
  EXPECT_NE(DescribeBytes(TraceDirection::Read, damaged).find("wrong"), std::string::npos);
}

TEST(HexRows, SixteenBytesARowWithPrintableText) {
  EXPECT_EQ(HexRows(kRequest, "  "),
            "  02 30 32 45 31 30 35 30 30 30 36 31 03           |.02E10500061.|\n");
  const std::string rows = HexRows(std::string(17, 'A') + "\xC8", "");
  EXPECT_EQ(rows,
            "41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41  |AAAAAAAAAAAAAAAA|\n"
            "41 C8                                            |A.|\n");
}

TEST(TracePrinter, GathersBytesReadOneByOneIntoItems) {
  std::ostringstream out;
  const TimePoint origin{};
  TracePrinter trace(out, origin);
  trace.OnBytes(TraceDirection::Written, kRequest, origin + milliseconds(1500));
  const std::string incoming = "zz\x06" + Frame("02", 'R', "105000");
  for (std::size_t i = 0; i < incoming.size(); ++i) {
    trace.OnBytes(TraceDirection::Read, incoming.substr(i, 1), origin + milliseconds(1600 + i));
  }
  trace.OnBytes(TraceDirection::Written, "\x06", origin + milliseconds(1700));
  const std::string text = out.str();
  const std::string expected_heads[] = {
      "     1.500 TX request counter 02, command 1050, checksum 61 right (13 bytes)\n",
      "     1.600 RX stray bytes (2 bytes)\n",
      "     1.602 RX ACK (1 byte)\n",
      "     1.603 RX reply counter 02, code 1050, checksum",
      "     1.700 TX ACK (1 byte)\n",
  };
  std::size_t at = 0;
  for (const std::string& head : expected_heads) {
    const std::size_t found = text.find(head, at);
    ASSERT_NE(found, std::string::npos) << head << "\nin:\n" << text;
    at = found + head.size();
  }
}

TEST(TracePrinter, FlushPrintsAnUnfinishedFrameAndRunsTheHookFirst) {
  std::ostringstream out;
  int cleared = 0;
  TracePrinter trace(out, TimePoint{}, [&] { ++cleared; });
  trace.OnBytes(TraceDirection::Read, "\x02", TimePoint{});
  trace.OnBytes(TraceDirection::Read, "0", TimePoint{});
  EXPECT_EQ(out.str(), "");
  trace.Flush();
  EXPECT_NE(out.str().find("RX incomplete frame (2 bytes)"), std::string::npos) << out.str();
  EXPECT_EQ(cleared, 1);
  trace.Flush();
  EXPECT_EQ(cleared, 1);
}

TEST(TracePrinter, AStxInsideAFrameStartsANewOne) {
  std::ostringstream out;
  TracePrinter trace(out, TimePoint{});
  const std::string bytes = "\x02noise" + Frame("02", 'R', "105000");
  for (char c : bytes) trace.OnBytes(TraceDirection::Read, std::string(1, c), TimePoint{});
  const std::string text = out.str();
  EXPECT_NE(text.find("RX incomplete frame (6 bytes)"), std::string::npos) << text;
  EXPECT_NE(text.find("RX reply counter 02, code 1050, checksum"), std::string::npos) << text;
}

TEST(TracePrinter, ARunLongerThanAnyReplyIsCountedNotKept) {
  // Five million bytes after an STX and no ETX, then an ACK from the far end;
  // and as much noise with no STX at all.
  for (const char lead : {'\x02', 'z'}) {
    std::ostringstream out;
    TracePrinter trace(out, TimePoint{});
    const std::string chunk(4096, 'A');
    trace.OnBytes(TraceDirection::Read, std::string(1, lead), TimePoint{});
    std::size_t sent = 1;
    while (sent < 5'000'000) {
      trace.OnBytes(TraceDirection::Read, chunk, TimePoint{});
      sent += chunk.size();
    }
    trace.Flush();
    const std::string text = out.str();
    EXPECT_LT(text.size(), 2000u) << "the trace printed " << text.size() << " bytes";
    const std::string head =
        lead == '\x02' ? " RX frame longer than any reply, not decoded (" : " RX stray bytes (";
    EXPECT_NE(text.find(head + GroupedNumber(sent) + " bytes)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("... " + GroupedNumber(sent - kTraceShownBytes) + " more bytes\n"),
              std::string::npos)
        << text;
  }
  EXPECT_EQ(GroupedNumber(49'999'980), "49,999,980");
  EXPECT_EQ(GroupedNumber(999), "999");
  EXPECT_EQ(GroupedNumber(1000), "1,000");
}

TEST(TracePrinter, AFrameAsLongAsAnyReplyIsKeptWhole) {
  std::ostringstream out;
  TracePrinter trace(out, TimePoint{});
  const std::string frame = Frame("02", 'R', "4202" + std::string(4000, 'x'));
  trace.OnBytes(TraceDirection::Read, frame, TimePoint{});
  const std::string text = out.str();
  EXPECT_NE(text.find("RX reply counter 02, code 4202, checksum"), std::string::npos);
  EXPECT_NE(text.find("right (4,011 bytes)"), std::string::npos) << text.substr(0, 200);
  EXPECT_EQ(text.find("more bytes"), std::string::npos);
}

}  // namespace
}  // namespace tavirel::support
