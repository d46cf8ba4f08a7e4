#include "head_parser.hpp"

#include <algorithm>
#include <cctype>

#include "text.hpp"

namespace tavirel::service::http {
namespace {

constexpr std::size_t kMethodBytes = 20;

// A request target's bytes: visible ASCII, no blank, no fragment.
bool TargetCharacter(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u > 0x20 && u < 0x7f && c != '#';
}

Refusal Bad(std::string message) { return Refusal{400, std::move(message)}; }

std::optional<Refusal> ReadRequestLine(std::string_view line, Request& request) {
  const auto first = line.find(' ');
  const auto second = first == std::string_view::npos ? first : line.find(' ', first + 1);
  if (second == std::string_view::npos || line.find(' ', second + 1) != std::string_view::npos) {
    return Bad("the request line is not METHOD TARGET HTTP/1.1");
  }
  const std::string_view method = line.substr(0, first);
  const std::string_view target = line.substr(first + 1, second - first - 1);
  const std::string_view version = line.substr(second + 1);
  if (!Token(method) || method.size() > kMethodBytes) return Bad("the method is not a method");
  if (target.empty() || target.front() != '/' ||
      !std::all_of(target.begin(), target.end(), TargetCharacter)) {
    return Bad("the target is not a path");
  }
  if (version == "HTTP/1.1" || version == "HTTP/1.0") {
    request.minor_version = version.back() - '0';
  } else if (version.size() == 8 && version.starts_with("HTTP/") &&
             std::isdigit(static_cast<unsigned char>(version[5])) && version[6] == '.' &&
             std::isdigit(static_cast<unsigned char>(version[7]))) {
    return Refusal{505, "only HTTP/1.1 and HTTP/1.0 are served"};
  } else {
    return Bad("the request line does not end with an HTTP version");
  }
  request.method = std::string(method);
  request.target = std::string(target);
  return std::nullopt;
}

std::optional<Refusal> ReadTarget(Request& request) {
  const std::string_view target = request.target;
  const auto question = target.find('?');
  auto path = PercentDecode(target.substr(0, question), false);
  if (!path) return Bad("the path has a broken %-escape");
  request.path = std::move(*path);
  if (question == std::string_view::npos) return std::nullopt;
  std::string_view query = target.substr(question + 1);
  while (!query.empty()) {
    const auto amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    if (pair.empty()) continue;
    const auto equals = pair.find('=');
    auto name = PercentDecode(pair.substr(0, equals), true);
    auto value = PercentDecode(
        equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1), true);
    if (!name || !value) return Bad("the query has a broken %-escape");
    request.params.emplace_back(std::move(*name), std::move(*value));
  }
  return std::nullopt;
}

std::optional<Refusal> ReadField(std::string_view line, Request& request) {
  if (line.front() == ' ' || line.front() == '\t') return Bad("a folded header line");
  const auto colon = line.find(':');
  if (colon == std::string_view::npos || !Token(line.substr(0, colon))) {
    return Bad("a header line is not NAME: VALUE");
  }
  const std::string_view value = TrimBlanks(line.substr(colon + 1));
  if (!FieldValue(value)) {
    return Bad("a header value holds a control character");
  }
  request.headers.Add(std::string(line.substr(0, colon)), std::string(value));
  return std::nullopt;
}

}  // namespace

HeadScanner::Result HeadScanner::Refuse(int status, std::string message) {
  refusal_ = Refusal{status, std::move(message)};
  return Result::Refused;
}

HeadScanner::Result HeadScanner::Scan(std::string_view buffer) {
  for (; scanned_ < buffer.size(); ++scanned_) {
    if (buffer[scanned_] == '\n') {
      if (scanned_ == line_start_ || buffer[scanned_ - 1] != '\r') {
        return Refuse(400, "a line ends with LF alone, not CRLF");
      }
      const bool blank = scanned_ - line_start_ == 1;
      line_start_ = scanned_ + 1;
      if (blank && lines_ > 0) {
        size_ = scanned_ + 1;
        ++scanned_;
        return Result::Complete;
      }
      // Blank lines before the request line are skipped, as RFC 9112 asks.
      if (!blank && ++lines_ > limits_->header_fields + 1) {
        return Refuse(431,
                      "more than " + std::to_string(limits_->header_fields) + " header fields");
      }
      continue;
    }
    // The line so far, its CR aside: over its limit as soon as it is.
    if (scanned_ - line_start_ >= limits_->line_bytes + 1) {
      return lines_ == 0 ? Refuse(414, "the request line is too long")
                         : Refuse(431, "a header line is too long");
    }
    if (scanned_ >= limits_->head_bytes) {
      return lines_ == 0 ? Refuse(414, "the request line is too long")
                         : Refuse(431, "the headers are too large");
    }
  }
  return Result::More;
}

std::optional<Refusal> ParseHead(std::string_view head, Request& request) {
  bool first = true;
  while (!head.empty()) {
    const auto end = head.find("\r\n");
    const std::string_view line = head.substr(0, end);
    head.remove_prefix(end == std::string_view::npos ? head.size() : end + 2);
    if (line.empty()) {
      if (first) continue;  // before the request line
      break;
    }
    auto refused = first ? ReadRequestLine(line, request) : ReadField(line, request);
    if (refused) return refused;
    first = false;
  }
  if (first) return Bad("no request line");
  if (auto refused = ReadTarget(request)) return refused;
  if (request.headers.Count("Host") > 1) return Bad("more than one Host field");
  if (request.minor_version == 1 && request.headers.Count("Host") == 0) {
    return Bad("an HTTP/1.1 request needs a Host field");
  }
  return std::nullopt;
}

std::optional<std::string> PercentDecode(std::string_view text, bool plus_is_blank) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size()) return std::nullopt;
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      c = static_cast<char>(high * 16 + low);
      if (c == '\0') return std::nullopt;
      i += 2;
    } else if (c == '+' && plus_is_blank) {
      c = ' ';
    }
    out += c;
  }
  return out;
}

}  // namespace tavirel::service::http
