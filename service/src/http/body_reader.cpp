#include "body_reader.hpp"

#include <algorithm>

#include "text.hpp"

namespace tavirel::service::http {
namespace {

constexpr std::size_t kLengthDigits = 18;  // below 2^63: no overflow
constexpr std::size_t kSizeDigits = 15;    // a chunk's hexadecimal size

// Every coding in the field's list is identity.
bool IdentityOnly(std::string_view value) {
  return !AnyListItem(value, [](std::string_view coding) {
    return !coding.empty() && Lower(coding) != "identity";
  });
}

bool Digits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

Refusal TooLarge(const HttpLimits& limits) {
  return Refusal{413, "the body is larger than " + std::to_string(limits.body_bytes) + " bytes"};
}

}  // namespace

std::variant<BodyFraming, Refusal> FrameBody(const Request& request, const HttpLimits& limits) {
  const Headers& h = request.headers;
  const std::size_t encodings = h.Count("Transfer-Encoding");
  const std::size_t lengths = h.Count("Content-Length");
  BodyFraming framing;
  if (encodings > 0 && lengths > 0) {
    return Refusal{400, "both Content-Length and Transfer-Encoding"};
  }
  if (encodings > 0) {
    if (encodings > 1 || Lower(*h.Find("Transfer-Encoding")) != "chunked") {
      return Refusal{501, "only Transfer-Encoding: chunked is read"};
    }
    if (request.minor_version == 0) return Refusal{400, "HTTP/1.0 has no chunked bodies"};
    framing.kind = BodyFraming::Kind::Chunked;
  } else if (lengths > 0) {
    const std::string_view text = *h.Find("Content-Length");
    if (lengths > 1 || !Digits(text)) return Refusal{400, "Content-Length is not one number"};
    const std::string_view digits = text.substr(std::min(text.find_first_not_of('0'), text.size()));
    if (digits.size() > kLengthDigits) return TooLarge(limits);
    framing.length = digits.empty() ? 0 : std::stoull(std::string(digits));
    if (framing.length > limits.body_bytes) return TooLarge(limits);
    framing.kind = framing.length > 0 ? BodyFraming::Kind::Length : BodyFraming::Kind::None;
  } else if (request.method == "POST" || request.method == "PUT" || request.method == "PATCH") {
    return Refusal{411, "a body needs a Content-Length (or Transfer-Encoding: chunked)"};
  }
  for (const auto& [name, value] : h) {
    if (SameName(name, "Content-Encoding") && !IdentityOnly(value)) {
      return Refusal{415, "bodies are read as sent: Content-Encoding " + value + " is not taken"};
    }
  }
  if (const auto expect = h.Find("Expect")) {
    if (Lower(*expect) != "100-continue") return Refusal{417, "only Expect: 100-continue is met"};
    framing.expect_continue = framing.kind != BodyFraming::Kind::None;
  }
  return framing;
}

BodyReader::BodyReader(const BodyFraming& framing, const HttpLimits& limits)
    : framing_(framing), limits_(limits), left_(framing.length) {}

BodyReader::Result BodyReader::Refuse(int status, std::string message) {
  refusal_ = Refusal{status, std::move(message)};
  return Result::Refused;
}

BodyReader::Result BodyReader::Read(std::string_view input, std::size_t& used, std::string& body) {
  used = 0;
  switch (framing_.kind) {
    case BodyFraming::Kind::None: return Result::Complete;
    case BodyFraming::Kind::Length: {
      const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(left_, input.size()));
      body.append(input.substr(0, take));
      used = take;
      left_ -= take;
      return left_ == 0 ? Result::Complete : Result::More;
    }
    case BodyFraming::Kind::Chunked: return ReadChunked(input, used, body);
  }
  return Result::Complete;
}

BodyReader::Result BodyReader::ReadChunked(std::string_view input, std::size_t& used,
                                           std::string& body) {
  while (used < input.size() && stage_ != Stage::Done) {
    if (stage_ == Stage::Data) {
      const auto take =
          static_cast<std::size_t>(std::min<std::uint64_t>(left_, input.size() - used));
      body.append(input.substr(used, take));
      used += take;
      left_ -= take;
      if (left_ == 0) stage_ = Stage::DataEnd;
      continue;
    }
    const char c = input[used++];
    if (++wire_ > limits_.body_bytes) return Refuse(413, "the chunked framing is too large");
    if (stage_ == Stage::DataEnd) {
      line_ += c;
      if (line_ != std::string_view("\r\n").substr(0, line_.size())) {
        return Refuse(400, "a chunk does not end with CRLF");
      }
      if (line_.size() == 2) {
        line_.clear();
        stage_ = Stage::SizeLine;
      }
      continue;
    }
    if (c != '\n') {
      line_ += c;
      if (stage_ == Stage::SizeLine && line_.size() > limits_.chunk_line_bytes) {
        return Refuse(400, "a chunk's size line is too long");
      }
      if (stage_ == Stage::Trailer &&
          (line_.size() > limits_.line_bytes || ++trailer_bytes_ > limits_.head_bytes)) {
        return Refuse(431, "the trailer fields are too large");
      }
      continue;
    }
    if (line_.empty() || line_.back() != '\r')
      return Refuse(400, "a chunk line ends with LF alone");
    line_.pop_back();
    if (stage_ == Stage::Trailer) {
      if (line_.empty()) stage_ = Stage::Done;  // the trailers are dropped
      line_.clear();
      continue;
    }
    const Result sized = SizeLine(line_);
    line_.clear();
    if (sized == Result::Refused) return sized;
    if (left_ > limits_.body_bytes - std::min(body.size(), limits_.body_bytes)) {
      return Refuse(413, TooLarge(limits_).message);
    }
  }
  return stage_ == Stage::Done ? Result::Complete : Result::More;
}

BodyReader::Result BodyReader::SizeLine(std::string_view line) {
  std::size_t digits = 0;
  std::uint64_t size = 0;
  for (; digits < line.size() && HexValue(line[digits]) >= 0; ++digits) {
    if (digits == kSizeDigits) return Refuse(413, "a chunk is too large");
    size = size * 16 + static_cast<std::uint64_t>(HexValue(line[digits]));
  }
  const std::string_view rest = line.substr(digits);
  if (digits == 0 || !(rest.empty() || rest.front() == ';')) {
    return Refuse(400, "a chunk's size is not hexadecimal");
  }
  if (!FieldValue(rest)) return Refuse(400, "a chunk extension holds a control character");
  left_ = size;
  stage_ = size == 0 ? Stage::Trailer : Stage::Data;
  return Result::More;
}

}  // namespace tavirel::service::http
