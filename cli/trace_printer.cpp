#include "trace_printer.hpp"

#include <cstdio>
#include <ostream>

namespace tavirel::cli {
namespace {

constexpr char kSTX = '\x02';
constexpr char kETX = '\x03';
constexpr char kACK = '\x06';
constexpr std::size_t kRowBytes = 16;
constexpr std::string_view kIndent = "             ";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsFrame(std::string_view bytes) {
  return bytes.size() >= 7 && bytes.front() == kSTX && bytes.back() == kETX;
}

// Sum of the codes between STX and the checksum field, modulo 100.
int ComputedChecksum(std::string_view frame) {
  int sum = 0;
  for (unsigned char c : frame.substr(1, frame.size() - 4)) sum += c;
  return sum % 100;
}

std::string TwoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

std::string ChecksumVerdict(std::string_view frame) {
  const std::string_view field = frame.substr(frame.size() - 3, 2);
  const std::string computed = TwoDigits(ComputedChecksum(frame));
  if (!IsDigit(field[0]) || !IsDigit(field[1])) {
    return "checksum \"" + std::string(field) + "\" not a number (sum gives " + computed + ")";
  }
  if (field == computed) return "checksum " + std::string(field) + " right";
  return "checksum " + std::string(field) + " wrong (sum gives " + computed + ")";
}

std::string DescribeFrame(TraceDirection direction, std::string_view frame) {
  const std::string_view payload = frame.substr(4, frame.size() - 7);
  const std::string counter(frame.substr(1, 2));
  std::string text = direction == TraceDirection::Written
                         ? "request counter " + counter + ", command "
                         : "reply counter " + counter + ", code ";
  text += payload.empty() ? "(none)" : std::string(payload.substr(0, 4));
  const std::size_t eerr = payload.find("EERR");
  if (direction == TraceDirection::Read && eerr != std::string_view::npos) {
    const std::string number = frame.size() >= 11 ? std::string(frame.substr(9, 2)) : "";
    text = "error reply counter " + counter + ", printer error \"" + number + "\"";
  }
  return text + ", " + ChecksumVerdict(frame);
}

std::string Seconds(TimePoint origin, TimePoint at) {
  const double seconds = std::chrono::duration<double>(at - origin).count();
  char text[32];
  std::snprintf(text, sizeof text, "%10.3f", seconds);
  return text;
}

}  // namespace

std::string DescribeBytes(TraceDirection direction, std::string_view bytes) {
  if (bytes.size() == 1 && bytes.front() == kACK) return "ACK";
  if (IsFrame(bytes)) return DescribeFrame(direction, bytes);
  if (!bytes.empty() && bytes.front() == kSTX) return "incomplete frame";
  return "stray bytes";
}

std::string HexRows(std::string_view bytes, std::string_view indent) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string rows;
  for (std::size_t start = 0; start < bytes.size(); start += kRowBytes) {
    const std::string_view row = bytes.substr(start, kRowBytes);
    std::string hex;
    std::string printable;
    for (unsigned char c : row) {
      hex += kHex[c >> 4];
      hex += kHex[c & 0xF];
      hex += ' ';
      printable += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '.';
    }
    hex.resize(kRowBytes * 3, ' ');
    rows += std::string(indent) + hex + " |" + printable + "|\n";
  }
  return rows;
}

TracePrinter::TracePrinter(std::ostream& out, TimePoint origin, std::function<void()> before_print)
    : out_(out), origin_(origin), before_print_(std::move(before_print)) {}

void TracePrinter::OnBytes(TraceDirection direction, std::string_view bytes, TimePoint at) {
  if (direction == TraceDirection::Written) {
    Flush();
    Print(direction, bytes, at);
    return;
  }
  for (char c : bytes) TakeRead(c, at);
}

// Gathers what was read: a frame from its STX to its ETX, an ACK on its own,
// anything else as stray bytes up to the next STX or ACK.
void TracePrinter::TakeRead(char c, TimePoint at) {
  const bool in_frame = !pending_.empty() && pending_.front() == kSTX;
  if (c == kSTX || (!in_frame && c == kACK)) Flush();
  if (pending_.empty()) pending_at_ = at;
  if (!in_frame && c == kACK) {
    Print(TraceDirection::Read, std::string_view(&c, 1), at);
    return;
  }
  pending_ += c;
  if (c == kETX && pending_.front() == kSTX) Flush();
}

void TracePrinter::Flush() {
  if (pending_.empty()) return;
  const std::string bytes = std::move(pending_);
  pending_.clear();
  Print(TraceDirection::Read, bytes, pending_at_);
}

void TracePrinter::Print(TraceDirection direction, std::string_view bytes, TimePoint at) {
  if (before_print_) before_print_();
  out_ << Seconds(origin_, at) << (direction == TraceDirection::Written ? " TX " : " RX ")
       << DescribeBytes(direction, bytes) << " (" << bytes.size()
       << (bytes.size() == 1 ? " byte)\n" : " bytes)\n") << HexRows(bytes, kIndent);
  out_.flush();
}

}  // namespace tavirel::cli
