#include "log.hpp"

#include <iostream>

namespace tavirel::service {

std::string_view LogLevelName(LogLevel level) {
  switch (level) {
    case LogLevel::Debug: return "debug";
    case LogLevel::Info: return "info";
    case LogLevel::Warning: return "warning";
    case LogLevel::Error: return "error";
  }
  return "info";
}

std::string LogValue(std::string_view value) {
  bool bare = !value.empty();
  for (const char c : value) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7f || c == '"' || c == '\\' || c == '=') bare = false;
  }
  if (bare) return std::string(value);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char c : value) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; continue;
      case '\\': out += "\\\\"; continue;
      case '\n': out += "\\n"; continue;
      case '\r': out += "\\r"; continue;
      case '\t': out += "\\t"; continue;
      default: break;
    }
    if (u < 0x20 || u == 0x7f) {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 0xF];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

Log::Log(LogLevel least)
    : Log([](std::string_view line) { std::cerr << line << '\n'
                                                << std::flush; }, least) {}

Log::Log(Sink sink, LogLevel least) : sink_(std::move(sink)), least_(least) {}

void Log::Write(LogLevel level, std::string_view event, std::initializer_list<LogField> fields) {
  if (level < least_) return;
  std::string line = "tavireld: level=";
  line += LogLevelName(level);
  line += " event=";
  line += LogValue(event);
  for (const auto& [key, value] : fields) {
    line += ' ';
    line += key;
    line += '=';
    line += LogValue(value);
  }
  std::lock_guard lock(mutex_);
  sink_(line);
}

}  // namespace tavirel::service
