#include "link/frame.hpp"

#include <cstdlib>

namespace tavirel::link {
namespace {

// Only the sum modulo 100 matters; a wide accumulator keeps a command of any
// length (a long unit-of-measure text goes out whole) from overflowing.
int ByteSum(std::string_view bytes) {
  std::uint64_t sum = 0;
  for (unsigned char c : bytes) sum += c;
  return static_cast<int>(sum % 100);
}

// The line's three control characters delimit and answer frames: inside a
// request they would cut it short, so a text carrying one sends "?" instead,
// as for a character without a Windows-1252 code.
std::string WithoutLineControls(std::string_view bytes) {
  std::string safe(bytes);
  for (char& c : safe) {
    if (c == kSTX || c == kETX || c == kACK) c = '?';
  }
  return safe;
}

std::string TwoDigits(int value) {
  return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

// The counter as decimal text, tens then units, as the checksum sums it.
std::string CounterDigits(std::int16_t counter) {
  const int magnitude = std::abs(static_cast<int>(counter));
  std::string digits = std::to_string(magnitude / 10) + std::to_string(magnitude % 10);
  return digits;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::int16_t ComputeFrameChecksum(std::int16_t frame_counter, std::string_view command_bytes) {
  const std::string digits = CounterDigits(frame_counter);
  const int sum = static_cast<unsigned char>(digits.front()) +
                  static_cast<unsigned char>(digits.back()) + 'E' + ByteSum(command_bytes);
  return static_cast<std::int16_t>(sum % 100);
}

std::string BuildRequestFrame(std::int16_t frame_counter, std::string_view raw_command) {
  const std::string command_bytes = WithoutLineControls(raw_command);
  std::string frame;
  frame.reserve(command_bytes.size() + 7);
  frame += kSTX;
  frame += TwoDigits(std::abs(static_cast<int>(frame_counter)) % 100);
  frame += 'E';
  frame += command_bytes;
  frame += TwoDigits(ComputeFrameChecksum(frame_counter, command_bytes));
  frame += kETX;
  return frame;
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
  const std::optional<int> expected = ReadNumberField(reply.substr(length - 3, 2));
  return expected && ByteSum(reply.substr(1, length - 4)) % 100 == *expected;
}

std::string_view ReplyPayload(std::string_view reply) {
  if (reply.size() <= 7) return {};
  return reply.substr(4, reply.size() - 7);
}

bool IsErrorReply(std::string_view reply) { return ReplyPayload(reply).starts_with("EERR"); }

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
