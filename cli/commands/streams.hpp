#pragma once
// The standard streams a command works on (string streams in tests).
#include <iosfwd>

namespace tavirel::cli {

struct Streams {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  bool err_is_terminal = false;  // the elapsed-time indicator only goes to a terminal
  int in_fd = -1;  // the descriptor behind `in`, read directly by a stdin session (-1: use `in`)
};

}  // namespace tavirel::cli
