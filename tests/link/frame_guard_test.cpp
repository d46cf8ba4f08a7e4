// Requests that host texts cannot break: the line's control characters never
// appear inside a frame, and a command of any length gets a right checksum.
#include <gtest/gtest.h>

#include <string>

#include "link/frame.hpp"

namespace tavirel::link {
namespace {

int SumMod100(const std::string& bytes) {
  long long sum = 0;
  for (unsigned char c : bytes) sum += c;
  return static_cast<int>(sum % 100);
}

TEST(FrameGuard, LineControlCharactersInACommandGoOutAsQuestionMarks) {
  const std::string command = std::string("1003PA") + kSTX + "NE" + kETX + "X" + kACK;
  const std::string frame = BuildRequestFrame(2, command);
  EXPECT_EQ(frame.substr(4, command.size()), "1003PA?NE?X?");
  EXPECT_EQ(frame.find_first_of(std::string{kSTX, kETX, kACK}, 1), frame.size() - 1);
  // The checksum covers what was sent, so the far end accepts the frame.
  const std::string covered = frame.substr(1, frame.size() - 4);
  EXPECT_EQ(std::stoi(frame.substr(frame.size() - 3, 2)), SumMod100(covered));
}

TEST(FrameGuard, OtherControlAndHighBytesTravelAsTheyAre) {
  const std::string command = "1003\t\x01\x7f\xc8\x80";
  EXPECT_EQ(BuildRequestFrame(3, command).substr(4, command.size()), command);
}

TEST(FrameGuard, ACommandLongerThanAnIntCanSumStillGetsItsChecksum) {
  // 9 million bytes of 0xFF sum past 2^31.
  const std::string command(9'000'000, '\xff');
  const std::string frame = BuildRequestFrame(2, command);
  const int expected = ('0' + '2' + 'E' + SumMod100(command)) % 100;
  EXPECT_EQ(std::stoi(frame.substr(frame.size() - 3, 2)), expected);
  EXPECT_EQ(ComputeFrameChecksum(2, command), expected);
}

}  // namespace
}  // namespace tavirel::link
