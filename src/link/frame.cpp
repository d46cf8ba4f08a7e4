#include "link/frame.hpp"

#include <cstdlib>
#include <cstring>

#include "types/byte_scan.hpp"

namespace tavirel::link {
namespace {

// Only the sum modulo 100 matters; a wide accumulator keeps a command of any
// length (a long unit-of-measure text goes out whole) from overflowing.
int SumModulo100(std::string_view bytes) { return static_cast<int>(bytes::Sum(bytes) % 100); }

// The line's three control characters delimit and answer frames: inside a
// request they would cut it short, so a text carrying one sends "?" instead,
// as for a character without a Windows-1252 code.
char SafeOnTheLine(char c) { return (c == kSTX || c == kETX || c == kACK) ? '?' : c; }
// Every control character of the line lies below this byte.
constexpr unsigned char kBelowControls = kACK + 1;

char Digit(int value) { return static_cast<char>('0' + value % 10); }

// The codes of the counter's tens and units digits, as the checksum sums
// them: the tens digit is the first character of the counter / 10 written
// out (for 123, "12": '1'), the units digit the counter mod 10.
int CounterDigitsSum(std::int16_t counter) {
  const int magnitude = std::abs(static_cast<int>(counter));
  int leading = magnitude / 10;
  while (leading >= 10) leading /= 10;
  return Digit(leading) + Digit(magnitude);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::int16_t ComputeFrameChecksum(std::int16_t frame_counter, std::string_view command_bytes) {
  const int sum = CounterDigitsSum(frame_counter) + 'E' + SumModulo100(command_bytes);
  return static_cast<std::int16_t>(sum % 100);
}

std::string BuildRequestFrame(std::int16_t frame_counter, std::string_view raw_command) {
  std::string frame;
  BuildRequestFrame(frame, frame_counter, raw_command);
  return frame;
}

namespace {

// STX, the counter's digits and "E" of a frame sized for `length` command
// bytes; returns where those go.
char* WriteFrameHead(std::string& frame, std::int16_t frame_counter, std::size_t length) {
  const int counter = std::abs(static_cast<int>(frame_counter)) % 100;
  frame.resize(length + 7);  // every byte is written: no fill
  frame[0] = kSTX;
  frame[1] = Digit(counter / 10);
  frame[2] = Digit(counter);
  frame[3] = 'E';
  return frame.data() + 4;
}

// The checksum of the command bytes' sum `sum`, and the ETX.
void WriteFrameTail(std::string& frame, std::int16_t frame_counter, std::uint64_t sum) {
  const int checksum = static_cast<int>(
      (static_cast<std::uint64_t>(CounterDigitsSum(frame_counter)) + 'E' + sum) % 100);
  frame[frame.size() - 3] = Digit(checksum / 10);
  frame[frame.size() - 2] = Digit(checksum);
  frame.back() = kETX;
}

}  // namespace

void BuildRequestFrame(std::string& frame, std::int16_t frame_counter,
                       std::string_view raw_command) {
  char* const command = WriteFrameHead(frame, frame_counter, raw_command.size());
  if (!raw_command.empty()) std::memcpy(command, raw_command.data(), raw_command.size());
  // Most commands hold no byte that low: only those are looked at one by one.
  std::uint64_t sum = 0;
  if (!bytes::SumIfNoneBelow(raw_command, kBelowControls, sum)) {
    for (std::size_t i = 0; i < raw_command.size(); ++i) command[i] = SafeOnTheLine(command[i]);
    sum = bytes::Sum({command, raw_command.size()});  // as sent
  }
  WriteFrameTail(frame, frame_counter, sum);
}

bool BuildPlainRequestFrame(std::string& frame, std::int16_t frame_counter,
                            std::string_view command) {
  // The ASCII check, the copy and the checksum's sum in the same pass.
  char* const bytes = WriteFrameHead(frame, frame_counter, command.size());
  std::uint64_t sum = 0;
  if (!bytes::CopyIfAllWithin(command, kBelowControls, 0x80, bytes, sum)) return false;
  WriteFrameTail(frame, frame_counter, sum);
  return true;
}

std::optional<int> ReadNumberField(std::string_view field) {
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
  if (field.empty()) return std::nullopt;
  int value = 0;
  for (char c : field) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool VerifyReplyChecksum(std::string_view reply) {
  // Positions are 1-based: the checksum sits at L-2 and L-1, the ETX at L.
  if (reply.size() < 4) return false;
  const std::size_t length = reply.size();
  const char tens = reply[length - 3];
  const char units = reply[length - 2];
  // Two digits, as registers send them, read at once; blanks the long way.
  const std::optional<int> expected = IsDigit(tens) && IsDigit(units)
                                          ? std::optional<int>((tens - '0') * 10 + (units - '0'))
                                          : ReadNumberField(reply.substr(length - 3, 2));
  return expected && SumModulo100(reply.substr(1, length - 4)) == *expected;
}

std::string_view ReplyPayload(std::string_view reply) {
  if (reply.size() <= 7) return {};
  return reply.substr(4, reply.size() - 7);
}

bool IsErrorReply(std::string_view reply) { return ReplyPayload(reply).starts_with(kErrorCode); }

std::optional<int> ErrorReplyNumber(std::string_view reply) {
  const std::string_view payload = ReplyPayload(reply);
  if (payload.size() < 6) return std::nullopt;
  return ReadNumberField(payload.substr(5, 2));
}

std::int16_t NextFrameCounter(std::int16_t counter, bool forced) {
  if (forced) return 2;
  return counter == 2 ? 3 : 2;
}

}  // namespace tavirel::link
