#include "link/transaction.hpp"

#include <optional>

#include "link/frame.hpp"
#include "tavirel/cp1252.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::link {
namespace {

// The limits count whole seconds of a monotonic clock, fractions dropped, so a
// limit of N ends the wait between N-1 and N seconds after the send.
std::int64_t WholeSeconds(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}

void Trace(const LinkContext& context, TraceDirection direction, std::string_view bytes) {
  if (context.hooks.trace) context.hooks.trace(direction, bytes, context.clock.Now());
}

void Write(const LinkContext& context, std::string_view bytes) {
  context.port.Output(bytes);
  Trace(context, TraceDirection::Written, bytes);
}

std::string ReadOne(const LinkContext& context) {
  std::string c = context.port.Input();
  if (!c.empty()) Trace(context, TraceDirection::Read, c);
  return c;
}

// A cancel is taken once: by the call that sees it first.
void ThrowIfCancelled(const LinkContext& context, bool request_sent) {
  if (!context.state.cancel_requested.exchange(false)) return;
  const std::string code = "command " + context.current_command.substr(0, 4);
  if (request_sent) {
    throw CancelledError(code +
                             " cancelled while waiting for the reply; the request had gone out, "
                             "so the register may have carried it out",
                         true);
  }
  throw CancelledError(code + " cancelled before it was sent; nothing was sent", false);
}

// Characters left over from an earlier exchange must not be taken as its reply.
void EmptyReceiveBuffer(const LinkContext& context) {
  while (context.port.InBufferCount() > 0) ReadOne(context);
}

// The receive states of one call, after the write.
class ReplyAssembler {
 public:
  void Take(char c) {
    if (!ack_seen_) {
      ack_seen_ = (c == kACK);  // anything before the ACK is discarded
      return;
    }
    if (c == kSTX) {
      buffer_.assign(1, kSTX);
      discarding_ = false;
    } else if (c == kETX) {
      buffer_ += kETX;
      etx_seen_ = true;
    } else if (!discarding_) {
      buffer_ += c;
      if (buffer_.size() > kMaxReplyLength) {
        buffer_.clear();
        discarding_ = true;
      }
    }
  }
  [[nodiscard]] bool ack_seen() const { return ack_seen_; }
  [[nodiscard]] bool etx_seen() const { return etx_seen_; }
  [[nodiscard]] std::string& buffer() { return buffer_; }

 private:
  std::string buffer_;
  bool ack_seen_ = false;
  bool etx_seen_ = false;
  bool discarding_ = false;
};

// Wait loop: each pass yields once to the host, reads the port once and, when
// nothing came, sleeps on the port for at most one slice.
void AwaitReply(const LinkContext& context, ReplyAssembler& assembler, std::int16_t reply_timeout,
                std::int64_t send_second) {
  auto limit = [&] { return assembler.ack_seen() ? reply_timeout : kAckTimeoutSeconds; };
  while (WholeSeconds(context.clock.Now()) - send_second < limit() && !assembler.etx_seen()) {
    ThrowIfCancelled(context, true);
    if (context.hooks.yield) context.hooks.yield();
    const std::string c = ReadOne(context);
    if (c.empty()) {
      context.port.WaitForInput(kWaitSlice);
      continue;
    }
    assembler.Take(c.front());
  }
}

// The two characters at positions 10-11 of an error reply, as a number.
// Blanks around the digits are tolerated; anything else is no number.
std::optional<std::int32_t> ErrorNumber(std::string_view reply) {
  if (reply.size() < 10) return std::nullopt;
  std::string_view field = reply.substr(9, 2);
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
  if (field.empty()) return std::nullopt;
  std::int32_t value = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::int16_t Precondition(const LinkContext& context, const SendOptions& options) {
  if (context.euro_settings == 0 || options.amounts_unencodable) return OP_ERR_EUROLOCK;
  if (!context.port.PortOpen()) return OP_ERR_PORTCLOSE;
  return OP_OK;
}

void RaiseFailure(const LinkContext& context, std::int16_t& result) {
  std::int32_t code = 0;  // a temporary: a handler's store into it has no effect
  if (context.hooks.fp_error) context.hooks.fp_error(result, code);
}

void RaisePrinterError(const LinkContext& context, std::int32_t& printer_error) {
  std::int16_t level = EERR;  // a temporary
  if (context.hooks.fp_error) context.hooks.fp_error(level, printer_error);
}

// Writes the request and waits: the result of an exchange that went out.
std::int16_t Exchange(LinkContext& context, std::string& reply, std::int32_t& printer_error,
                      const SendOptions& options, const std::string& frame) {
  EmptyReceiveBuffer(context);
  ThrowIfCancelled(context, false);
  Write(context, frame);
  context.frame_counter = NextFrameCounter(context.frame_counter, options.frame_counter_forced);
  const std::int64_t send_second = WholeSeconds(context.clock.Now());
  ReplyAssembler assembler;
  AwaitReply(context, assembler, options.reply_timeout, send_second);
  if (options.frame_counter_forced) {
    // The probe acknowledges any completed reply and looks no further.
    if (assembler.etx_seen()) Write(context, std::string(1, kACK));
    return assembler.etx_seen() ? OP_OK : OP_ERR_TIMEOUT;
  }
  if (!assembler.etx_seen()) return OP_ERR_TIMEOUT;
  if (!VerifyReplyChecksum(assembler.buffer())) return OP_ERR_CHKS;  // answered with nothing
  reply = std::move(assembler.buffer());
  Write(context, std::string(1, kACK));
  if (reply.find("EERR") == std::string::npos) return OP_OK;
  if (auto number = ErrorNumber(reply)) {
    printer_error = *number;
    RaisePrinterError(context, printer_error);
  }
  return EERR;
}

}  // namespace

std::int16_t SendCommand(LinkContext& context, std::string& reply, std::int32_t& printer_error,
                         const SendOptions& options) {
  reply.clear();
  ThrowIfCancelled(context, false);
  std::int16_t result = Precondition(context, options);
  if (result == OP_OK) {
    const std::string frame =
        BuildRequestFrame(context.frame_counter, cp1252::FromUtf8(context.current_command));
    if (!context.port.CTSHolding()) {
      result = OP_ERR_NOCOLL;  // nothing written, the counter keeps its value
    } else {
      result = Exchange(context, reply, printer_error, options, frame);
      if (result == OP_OK || result == EERR) return result;
    }
  }
  reply.clear();
  if (!options.frame_counter_forced) RaiseFailure(context, result);
  return result;
}

}  // namespace tavirel::link
