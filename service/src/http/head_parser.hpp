#pragma once
// A request's head (request line and header fields): where it ends, found as
// its bytes come, and what it says, read strictly. Lines end with CRLF; a
// bare LF, a folded line, a control byte, a field without a name or with a
// blank before its colon, or two Content-Length or Host fields are refused
// rather than guessed at, so no two readers of the same bytes can disagree.
//
// Values; a scanner belongs to one connection.
#include <cstddef>
#include <optional>
#include <string_view>

#include "limits.hpp"
#include "message.hpp"

namespace tavirel::service::http {

/// Finds the blank line that ends a head, each byte looked at once however
/// the head arrives, and refuses a line or a head over its limit (414 for the
/// request line, 431 for the fields) as soon as it is over.
class HeadScanner {
 public:
  enum class Result { More, Complete, Refused };

  explicit HeadScanner(const HttpLimits& limits) : limits_(&limits) {}
  /// For the next head, from its first byte.
  void Reset() { *this = HeadScanner(*limits_); }
  /// `buffer` holds the head's bytes from its first, more of them at each
  /// call (and maybe bytes after it). Complete: the head is its first size()
  /// bytes.
  Result Scan(std::string_view buffer);
  [[nodiscard]] std::size_t size() const { return size_; }
  [[nodiscard]] const Refusal& refusal() const { return refusal_; }

 private:
  Result Refuse(int status, std::string message);

  const HttpLimits* limits_;
  std::size_t scanned_ = 0;
  std::size_t line_start_ = 0;
  std::size_t lines_ = 0;  // ended lines with something on them
  std::size_t size_ = 0;
  Refusal refusal_;
};

/// Reads a whole head (as HeadScanner found it) into `request`: method,
/// target, decoded path and query, version and fields. The refusal when it
/// is not a request this server reads (400; 505 for another HTTP version).
std::optional<Refusal> ParseHead(std::string_view head, Request& request);

/// `text` with %XX escapes decoded (and '+' as a blank when `plus_is_blank`);
/// nothing when an escape is broken or decodes to a NUL.
std::optional<std::string> PercentDecode(std::string_view text, bool plus_is_blank);

}  // namespace tavirel::service::http
