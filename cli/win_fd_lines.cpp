// Reading standard input on Windows: a plain read, in text mode (CR LF comes
// as LF). There is no wake-up descriptor to wait on beside it; a console
// read ends by itself on Ctrl+C, and the session then sees the stop.
#include <io.h>

#include <cerrno>

#include "line_source.hpp"

namespace tavirel::cli {

bool FdLines::Fill(Got& why) {
  if (start_ > 0) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  while (true) {
    char chunk[65536];
    const int n = ::_read(fd_, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      why = Got::End;
      return false;
    }
    buffer_.append(chunk, static_cast<std::size_t>(n));
    return true;
  }
}

}  // namespace tavirel::cli
