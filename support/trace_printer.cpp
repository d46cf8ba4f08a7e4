#include "tavirel/support/trace_printer.hpp"

#include <cstdio>
#include <ostream>

#include "link/frame.hpp"
#include "tavirel/frame_check.hpp"

namespace tavirel::support {
namespace {

using link::kACK;
using link::kETX;
using link::kSTX;
constexpr std::size_t kRowBytes = 16;
constexpr std::string_view kIndent = "             ";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsFrame(std::string_view bytes) {
  return bytes.size() >= 7 && bytes.front() == kSTX && bytes.back() == kETX;
}

// Bytes from the line as text a terminal shows as it is.
std::string Printable(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F) {
      text += static_cast<char>(c);
    } else {
      text += {'\\', 'x', kHex[c >> 4], kHex[c & 0xF]};
    }
  }
  return text;
}

std::string TwoDigits(int value) {
  return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

// What a request's checksum should have been, when the frame is one of ours
// in shape (counter digits, "E"); the line's own function computes it.
std::string RequestSum(std::string_view frame) {
  if (!IsDigit(frame[1]) || !IsDigit(frame[2]) || frame[3] != 'E') return "";
  const auto counter = static_cast<std::int16_t>((frame[1] - '0') * 10 + (frame[2] - '0'));
  return TwoDigits(RequestChecksum(counter, frame.substr(4, frame.size() - 7)));
}

std::string ChecksumVerdict(TraceDirection direction, std::string_view frame) {
  const std::string_view field = frame.substr(frame.size() - 3, 2);
  if (!IsDigit(field[0]) || !IsDigit(field[1])) {
    return "checksum \"" + Printable(field) + "\" not a number";
  }
  if (FrameChecksumRight(frame)) return "checksum " + std::string(field) + " right";
  const std::string sum = direction == TraceDirection::Written ? RequestSum(frame) : "";
  return "checksum " + std::string(field) + " wrong" +
         (sum.empty() ? "" : " (sum gives " + sum + ")");
}

std::string DescribeFrame(TraceDirection direction, std::string_view frame) {
  const std::string_view payload = frame.substr(4, frame.size() - 7);
  const std::string counter = Printable(frame.substr(1, 2));
  std::string text;
  if (direction == TraceDirection::Read && payload.substr(0, 4) == "EERR") {
    const std::string number = frame.size() >= 11 ? Printable(frame.substr(9, 2)) : "";
    text = "error reply counter " + counter + ", printer error \"" + number + "\"";
  } else {
    text = direction == TraceDirection::Written ? "request counter " + counter + ", command "
                                                : "reply counter " + counter + ", code ";
    text += payload.empty() ? "(none)" : Printable(payload.substr(0, 4));
  }
  return text + ", " + ChecksumVerdict(direction, frame);
}

std::string Seconds(TimePoint origin, TimePoint at) {
  const double seconds = std::chrono::duration<double>(at - origin).count();
  char text[32];
  std::snprintf(text, sizeof text, "%10.3f", seconds);
  return text;
}

}  // namespace

std::string GroupedNumber(std::size_t value) {
  const std::string digits = std::to_string(value);
  std::string grouped;
  grouped.reserve(digits.size() + digits.size() / 3);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

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
    Print(direction, bytes.substr(0, kTraceKeptBytes), bytes.size(), at);
    return;
  }
  for (char c : bytes) TakeRead(c, at);
}

// Gathers what was read: a frame from its STX to its ETX, an ACK on its own,
// anything else as stray bytes up to the next STX or ACK. Only the first
// kTraceKeptBytes of an item are kept; the rest is counted.
void TracePrinter::TakeRead(char c, TimePoint at) {
  const bool in_frame = pending_total_ > 0 && pending_.front() == kSTX;
  if (c == kSTX || (!in_frame && c == kACK)) Flush();
  if (pending_total_ == 0) pending_at_ = at;
  if (!in_frame && c == kACK) {
    Print(TraceDirection::Read, std::string_view(&c, 1), 1, at);
    return;
  }
  if (pending_.size() < kTraceKeptBytes) pending_ += c;
  ++pending_total_;
  if (c == kETX && pending_.front() == kSTX) Flush();
}

void TracePrinter::Flush() {
  if (pending_total_ == 0) return;
  const std::string bytes = std::move(pending_);
  const std::size_t total = pending_total_;
  pending_.clear();
  pending_total_ = 0;
  Print(TraceDirection::Read, bytes, total, pending_at_);
}

void TracePrinter::Print(TraceDirection direction, std::string_view kept, std::size_t total,
                         TimePoint at) {
  if (before_print_) before_print_();
  const bool whole = kept.size() == total;
  std::string description;
  if (whole) {
    description = DescribeBytes(direction, kept);
  } else {
    description = kept.front() == kSTX ? "frame longer than any reply, not decoded" : "stray bytes";
  }
  out_ << Seconds(origin_, at) << (direction == TraceDirection::Written ? " TX " : " RX ")
       << description << " (" << GroupedNumber(total) << (total == 1 ? " byte)\n" : " bytes)\n");
  if (whole) {
    out_ << HexRows(kept, kIndent);
  } else {
    out_ << HexRows(kept.substr(0, kTraceShownBytes), kIndent) << kIndent << "... "
         << GroupedNumber(total - kTraceShownBytes) << " more bytes\n";
  }
  out_.flush();
}

}  // namespace tavirel::support
