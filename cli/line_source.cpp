#include "line_source.hpp"

namespace tavirel::cli {

LineSource::Got StreamLines::Next(std::string& line) {
  return std::getline(in_, line) ? Got::Line : Got::End;
}

LineSource::Got FdLines::Next(std::string& line) {
  while (true) {
    const std::size_t newline = buffer_.find('\n', start_);
    if (newline != std::string::npos) {
      const bool skipped = skipping_;
      line.assign(buffer_, start_, newline - start_);
      start_ = newline + 1;
      skipping_ = false;
      if (!skipped) return Got::Line;
      return Got::TooLong;
    }
    if (buffer_.size() - start_ > kMaxLineBytes) {
      skipping_ = true;
      buffer_.clear();
      start_ = 0;
    }
    Got why = Got::End;
    if (!Fill(why)) {
      if (why == Got::End && (start_ < buffer_.size() || skipping_)) {  // a last line, no newline
        const bool skipped = skipping_;
        line.assign(buffer_, start_);
        start_ = buffer_.size();
        skipping_ = false;
        return skipped ? Got::TooLong : Got::Line;
      }
      return why;
    }
  }
}

}  // namespace tavirel::cli
