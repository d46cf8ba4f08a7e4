#include "connection.hpp"

#include <variant>

#include "response_text.hpp"
#include "text.hpp"

namespace tavirel::service::http {
namespace {

// Whether the comma-separated list `value` holds `token` (case aside).
bool HasToken(std::string_view value, std::string_view token) {
  return AnyListItem(value, [&](std::string_view item) { return SameName(item, token); });
}

std::string Seconds(std::chrono::milliseconds time) {
  const auto tenths = time.count() / 100;
  return std::to_string(tenths / 10) + (tenths % 10 ? "." + std::to_string(tenths % 10) : "") +
         " s";
}

}  // namespace

Connection::Connection(const ConnectionPolicy& policy, std::string remote_address, Time now)
    : policy_(policy),
      remote_(std::move(remote_address)),
      since_(now),
      last_io_(now),
      scanner_(policy.limits) {}

bool Connection::WantsInput() const {
  switch (phase_) {
    case Phase::Idle:
    case Phase::Head:
    case Phase::Body:
    case Phase::Draining: return true;
    default: return false;  // a request behind this one waits in the socket
  }
}

void Connection::Received(std::string_view bytes, Time now) {
  last_io_ = now;
  if (phase_ == Phase::Draining) {
    drained_ += bytes.size();
    if (drained_ > policy_.limits.body_bytes) phase_ = Phase::Closed;
    return;
  }
  if (!WantsInput()) return;
  in_.append(bytes);
  Advance(now);
}

void Connection::Ended() { phase_ = Phase::Closed; }

void Connection::Advance(Time now) {
  while (true) {
    switch (phase_) {
      case Phase::Idle:
        if (in_.empty()) return;
        phase_ = Phase::Head;
        since_ = now;
        scanner_.Reset();
        request_ = Request{};
        request_.remote_address = remote_;  // for a refusal of the head too
        response_ = Response{};
        break;
      case Phase::Head:
        if (!ReadHead(now)) return;
        break;
      case Phase::Body: {
        std::size_t used = 0;
        const auto read = body_->Read(in_, used, request_.body);
        in_.erase(0, used);
        if (read == BodyReader::Result::Refused) Refuse(body_->refusal(), now);
        if (read == BodyReader::Result::Complete) phase_ = Phase::Ready;
        return;
      }
      default: return;
    }
  }
}

bool Connection::ReadHead(Time now) {
  const auto scanned = scanner_.Scan(in_);
  if (scanned == HeadScanner::Result::More) return false;
  if (scanned == HeadScanner::Result::Refused) {
    Refuse(scanner_.refusal(), now);
    return false;
  }
  const auto unreadable = ParseHead(std::string_view(in_).substr(0, scanner_.size()), request_);
  in_.erase(0, scanner_.size());
  if (unreadable) {
    Refuse(*unreadable, now);
    return false;
  }
  const auto framed = FrameBody(request_, policy_.limits);
  if (const auto* refusal = std::get_if<Refusal>(&framed)) {
    Refuse(*refusal, now);
    return false;
  }
  const auto& framing = std::get<BodyFraming>(framed);
  bool answered = false;
  try {
    answered = policy_.gate && policy_.gate(request_, response_);
  } catch (...) {
    // The loop serves every connection: a gate that fails fails this request only.
    response_ = Response{};
    Refuse({500, "internal error"}, now);
    return false;
  }
  if (answered) {
    // Answered before its body: the body is never read, so the connection
    // ends and nothing of it is taken for a request.
    Answer(framing.kind != BodyFraming::Kind::None || WantsClose(), now);
    return false;
  }
  body_.emplace(framing, policy_.limits);
  if (framing.expect_continue && in_.empty()) out_ += kContinue;
  phase_ = Phase::Body;
  return true;
}

void Connection::Refuse(const Refusal& refusal, Time now) {
  response_.status = refusal.status;
  response_.SetContent(refusal.message + "\n", "text/plain");
  try {
    if (policy_.refuse) policy_.refuse(request_, response_, refusal);
  } catch (...) {
    // The plain answer above stands.
  }
  Answer(true, now);
}

void Connection::Answer(bool close, Time now) {
  closing_ = close || stopping_ || ++answered_ >= policy_.limits.requests_per_connection;
  if (policy_.answered) policy_.answered(request_, response_);
  out_ += ResponseText(response_, closing_, request_.method == "HEAD");
  if (closing_) in_.clear();  // never read as a request
  std::string().swap(request_.body);
  response_ = Response{};
  phase_ = Phase::Writing;
  since_ = now;
  last_io_ = now;
}

bool Connection::WantsClose() const {
  const std::string connection = request_.Header("Connection");
  if (HasToken(connection, "close")) return true;
  return request_.minor_version == 0 && !HasToken(connection, "keep-alive");
}

void Connection::Handled(bool streamed, Time now) {
  if (streamed) {
    phase_ = Phase::Closed;
    return;
  }
  Answer(WantsClose(), now);
}

void Connection::Sent(std::size_t bytes, Time now) {
  out_.erase(0, bytes);
  last_io_ = now;
  if (!out_.empty() || phase_ != Phase::Writing) return;
  since_ = now;
  if (closing_ || stopping_) {
    phase_ = Phase::Draining;
    shutdown_due_ = true;
    return;
  }
  phase_ = Phase::Idle;
  Advance(now);  // a request sent right behind this one
}

bool Connection::TakeShutdown() {
  const bool due = shutdown_due_;
  shutdown_due_ = false;
  return due;
}

std::optional<Connection::Time> Connection::Deadline() const {
  const HttpLimits& limits = policy_.limits;
  switch (phase_) {
    case Phase::Idle: return since_ + limits.keep_alive;
    case Phase::Head:
    case Phase::Body:
    case Phase::Writing: return std::min(since_ + limits.request_time, last_io_ + limits.io_time);
    case Phase::Draining: return since_ + limits.linger;
    default: return std::nullopt;
  }
}

void Connection::Expire(Time now) {
  const HttpLimits& limits = policy_.limits;
  if (phase_ != Phase::Head && phase_ != Phase::Body) {
    phase_ = Phase::Closed;
    return;
  }
  Refuse({408, now >= since_ + limits.request_time
                   ? "the request did not arrive whole within " + Seconds(limits.request_time)
                   : "nothing of the request came for " + Seconds(limits.io_time)},
         now);
}

void Connection::Stop(Time now) {
  stopping_ = true;
  switch (phase_) {
    case Phase::Idle:
    case Phase::Head:
    case Phase::Body: phase_ = Phase::Closed; break;
    case Phase::Ready: Refuse({503, "the service is stopping"}, now); break;
    default: break;  // its answer goes, then it ends
  }
}

}  // namespace tavirel::service::http
