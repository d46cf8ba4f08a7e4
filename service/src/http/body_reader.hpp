#pragma once
// A request's body: how its headers frame it, and the bytes of it read as
// they come, bounded on the wire and as the route gets it. Only identity
// bodies are taken: a compressed body is refused before a byte of it is
// read (nothing is ever inflated), and so is a body larger than the limit,
// whether its length is declared or it comes in chunks.
//
// Values; a reader belongs to one request.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "limits.hpp"
#include "message.hpp"

namespace tavirel::service::http {

struct BodyFraming {
  enum class Kind { None, Length, Chunked };
  Kind kind = Kind::None;
  std::uint64_t length = 0;      // of a Length body
  bool expect_continue = false;  // the client waits for "100 Continue" before its body
};

/// The framing `request`'s headers give its body, or the refusal: 400 for
/// both Content-Length and Transfer-Encoding, or a Content-Length that is not
/// one number; 411 for a POST, PUT or PATCH without either; 413 for a
/// declared length over `limits.body_bytes`; 415 for a Content-Encoding
/// other than identity; 417 for an Expect other than 100-continue; 501 for
/// a Transfer-Encoding other than chunked.
std::variant<BodyFraming, Refusal> FrameBody(const Request& request, const HttpLimits& limits);

/// Reads one body as it arrives. A chunked body's framing (size lines,
/// extensions, trailers) may take at most as many bytes again as the body
/// limit; trailers are read and dropped.
class BodyReader {
 public:
  enum class Result { More, Complete, Refused };

  BodyReader(const BodyFraming& framing, const HttpLimits& limits);
  /// Takes what it can from the front of `input`, the body's bytes going to
  /// the end of `body`; `used` says how many of `input` it took (never
  /// more than the body's own: what follows is the next request's).
  Result Read(std::string_view input, std::size_t& used, std::string& body);
  [[nodiscard]] const Refusal& refusal() const { return refusal_; }

 private:
  enum class Stage { SizeLine, Data, DataEnd, Trailer, Done };

  Result ReadChunked(std::string_view input, std::size_t& used, std::string& body);
  Result SizeLine(std::string_view line);
  Result Refuse(int status, std::string message);

  BodyFraming framing_;
  const HttpLimits& limits_;
  Stage stage_ = Stage::SizeLine;
  std::uint64_t left_ = 0;  // of the Length body, or of the chunk
  std::uint64_t wire_ = 0;  // framing bytes of a chunked body
  std::string line_;        // a size or trailer line being gathered
  std::uint64_t trailer_bytes_ = 0;
  Refusal refusal_;
};

}  // namespace tavirel::service::http
