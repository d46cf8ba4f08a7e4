#pragma once
// The lines of a stdin session, one at a time: from a stream (tests), or
// from a descriptor read directly, so that a stop signal ends the wait for
// the next line and a line without end cannot take all memory.
#include <cstddef>
#include <istream>
#include <string>

namespace tavirel::cli {

/// The longest line a session takes; a longer one is refused whole.
inline constexpr std::size_t kMaxLineBytes = 1 << 20;

class LineSource {
 public:
  enum class Got {
    Line,     // `line` holds the next line, without its newline
    TooLong,  // the next line was longer than kMaxLineBytes and was skipped
    End,      // no more input
    Stopped,  // the wake descriptor became readable: stop reading
  };
  virtual ~LineSource() = default;
  virtual Got Next(std::string& line) = 0;
};

class StreamLines final : public LineSource {
 public:
  explicit StreamLines(std::istream& in) : in_(in) {}
  Got Next(std::string& line) override;

 private:
  std::istream& in_;
};

class FdLines final : public LineSource {
 public:
  /// Reads `fd` (not owned); `wake_fd` (-1 for none) readable ends every wait.
  FdLines(int fd, int wake_fd) : fd_(fd), wake_fd_(wake_fd) {}
  Got Next(std::string& line) override;

 private:
  // Fills the buffer with what `fd` has; false at its end or on a wake.
  bool Fill(Got& why);

  int fd_;
  int wake_fd_;
  std::string buffer_;
  std::size_t start_ = 0;  // where the next line begins in the buffer
  bool skipping_ = false;  // in the rest of a line too long to keep
};

}  // namespace tavirel::cli
