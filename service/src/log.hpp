#pragma once
// The service's log: one line per event, "tavireld: level=info event=NAME
// key=value ...", on standard error, where systemd's journal picks it up.
// Values with blanks, quotes or control characters are quoted and escaped,
// so a line always reads back as key=value pairs and a client's text can
// never forge a line of its own. Secrets (the token) are never given to it.
//
// Thread safety: every member may be called from any thread; each line is
// written whole.
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

namespace tavirel::service {

enum class LogLevel { Debug, Info, Warning, Error };

/// "debug", "info", "warning", "error".
std::string_view LogLevelName(LogLevel level);

/// One key=value pair of a line.
using LogField = std::pair<std::string_view, std::string_view>;

class Log {
 public:
  /// Where finished lines go (without their newline).
  using Sink = std::function<void(std::string_view line)>;

  /// Lines at `least` and above to standard error.
  explicit Log(LogLevel least = LogLevel::Info);
  /// Lines at `least` and above to `sink` (tests).
  Log(Sink sink, LogLevel least);

  /// Writes one line: the level, "event=" `event`, then `fields` in order.
  void Write(LogLevel level, std::string_view event, std::initializer_list<LogField> fields = {});
  void Info(std::string_view event, std::initializer_list<LogField> fields = {}) {
    Write(LogLevel::Info, event, fields);
  }
  void Warning(std::string_view event, std::initializer_list<LogField> fields = {}) {
    Write(LogLevel::Warning, event, fields);
  }
  void Error(std::string_view event, std::initializer_list<LogField> fields = {}) {
    Write(LogLevel::Error, event, fields);
  }

 private:
  std::mutex mutex_;
  Sink sink_;
  LogLevel least_;
};

/// `value` as it goes into a line: bare when it is a plain word, else in
/// double quotes with \" \\ \n \r \t and \xHH for other control bytes.
std::string LogValue(std::string_view value);

}  // namespace tavirel::service
