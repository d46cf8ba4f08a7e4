#include "link/transaction.hpp"

#include <algorithm>
#include <array>

#include "link/frame.hpp"
#include "link/reply_assembler.hpp"
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

void Trace(const LinkContext& context, TraceDirection direction, std::string_view bytes,
           Clock::time_point at) {
  if (context.hooks.trace) context.hooks.trace(direction, bytes, at);
}

constexpr std::string_view kAckByte{&kACK, 1};

void Write(const LinkContext& context, std::string_view bytes) {
  context.port.Output(bytes);
  if (context.hooks.trace) Trace(context, TraceDirection::Written, bytes, context.clock.Now());
}

// One read of what waits, in one go; the clock is read once for all of it.
struct Chunk {
  std::array<char, 4096> bytes;
  std::size_t size = 0;
  std::size_t used = 0;  // how much the reply assembler has taken
  Clock::time_point at;
  [[nodiscard]] std::string_view All() const { return {bytes.data(), size}; }
  [[nodiscard]] std::string_view Rest() const { return All().substr(used); }
};

void TakeChunk(const LinkContext& context, Chunk& chunk, std::size_t most) {
  chunk.size = context.port.TakeInput(chunk.bytes.data(), std::min(most, chunk.bytes.size()));
  chunk.used = 0;
  chunk.at = context.clock.Now();
  if (chunk.size > 0) Trace(context, TraceDirection::Read, chunk.All(), chunk.at);
}

// A cancel is taken once: by the call that sees it first.
void ThrowIfCancelled(const LinkContext& context, bool request_sent) {
  if (!context.state.cancel_requested.load(std::memory_order_relaxed)) return;
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

// Characters left over from an earlier exchange must not be taken as its
// reply. A line that talks without end must neither hold the request back
// nor stretch the call: the drain stops after so many bytes or so long.
void EmptyReceiveBuffer(const LinkContext& context, Chunk& chunk, Clock::time_point started) {
  for (std::size_t taken = 0; taken < kDrainMaxBytes; taken += chunk.size) {
    if (context.port.InBufferCount() <= 0) return;  // the usual case: one cheap question
    TakeChunk(context, chunk, kDrainMaxBytes - taken);
    chunk.used = chunk.size;  // discarded
    if (chunk.size == 0 || chunk.at - started >= kDrainMaxTime) return;
  }
}

// How long the port may sleep in one pass. With a yield handler, one slice,
// so the host's events are served; without, until input comes or the limit
// in force ends (its whole second on the clock), or a cancel wakes the port;
// on a clock that does not keep the port's time, kLongestSleep at most.
std::chrono::milliseconds WaitFor(const LinkContext& context, Clock::time_point now,
                                  Clock::time_point end) {
  if (context.hooks.yield) return kWaitSlice;
  const auto left = std::max(std::chrono::ceil<std::chrono::milliseconds>(end - now),
                             std::chrono::milliseconds(1));
  return context.clock.KeepsPortTime() ? left : std::min(left, kLongestSleep);
}

// Wait loop: each pass yields to the host, sleeps on the port until input
// waits (or for as long as WaitFor allows), and takes what came in one go.
// Input counts when it is taken within the limit or in the pass that ran
// into its end; a sleep the clock shows ending later than one slice past
// the end (a clock running ahead of the port's sleep) brought it too late.
// The port is told how many bytes the reply still needs, so it can sleep
// through a reply on its way instead of waking for every byte of it.
void AwaitReply(const LinkContext& context, ReplyAssembler& assembler, Chunk& chunk,
                const SendOptions& options, std::int64_t send_second) {
  auto limit = [&] { return assembler.ack_seen() ? options.reply_timeout : kAckTimeoutSeconds; };
  if (chunk.used < chunk.size)
    chunk.used += assembler.Take(chunk.Rest());  // came with a reply passed over
  Clock::time_point now = context.clock.Now();
  while (WholeSeconds(now) - send_second < limit() && !assembler.etx_seen()) {
    ThrowIfCancelled(context, true);
    if (context.hooks.yield) context.hooks.yield();
    const Clock::time_point end{std::chrono::seconds(send_second + limit())};
    context.port.WaitForBytes(WaitFor(context, now, end),
                              BytesToCome(assembler.ack_seen(), assembler.buffer(), options.shape));
    TakeChunk(context, chunk, chunk.bytes.size());
    now = chunk.at;
    if (!context.hooks.yield && now >= end + kWaitSlice) return;  // too late
    // What follows an ETX in the same chunk is what the next call would
    // have emptied before its send.
    chunk.used += assembler.Take(chunk.Rest());
  }
}

// The command in the line's code page, for a command that is not framed as
// it is: plain ASCII is the same in UTF-8 and Windows-1252.
std::string_view LineBytes(const LinkContext& context) {
  const std::string& command = context.current_command;
  if (cp1252::IsAscii(command)) return command;
  cp1252::FromUtf8(command, context.state.line_bytes);
  return context.state.line_bytes;
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

// Waits for the reply to the request that carried `request_counter`; a
// late reply to another request is passed over when the register is known
// to echo counters. On return the assembler holds the reply, if one came.
void AwaitOwnReply(LinkContext& context, ReplyAssembler& assembler, Chunk& chunk,
                   const SendOptions& options, std::int64_t send_second,
                   std::string_view request_counter) {
  for (;;) {
    AwaitReply(context, assembler, chunk, options, send_second);
    if (!assembler.etx_seen()) return;
    if (context.state.echo != CounterEcho::Confirmed) return;  // taken as it comes
    if (!VerifyReplyChecksum(assembler.buffer())) return;
    if (!IsStaleReply(context.state.echo, assembler.buffer(), request_counter)) return;
    assembler.Restart();  // not ours: no ACK, keep waiting within the same limits
  }
}

// Writes the request and waits: the result of an exchange that went out.
// The reply is assembled in `reply`.
std::int16_t Exchange(LinkContext& context, std::string& reply, std::int32_t& printer_error,
                      const SendOptions& options, std::string_view frame) {
  // The limits count from before the drain, so its time is within them.
  const Clock::time_point started = context.clock.Now();
  Chunk chunk;
  EmptyReceiveBuffer(context, chunk, started);
  ThrowIfCancelled(context, false);
  Write(context, frame);
  context.frame_counter = NextFrameCounter(context.frame_counter, options.frame_counter_forced);
  const std::int64_t send_second = WholeSeconds(started);
  const std::string_view request_counter = FrameCounterDigits(frame);
  ReplyAssembler assembler(reply);
  if (options.frame_counter_forced) {
    // The probe acknowledges any completed reply and looks no further but
    // for whether the register echoes the counter.
    AwaitReply(context, assembler, chunk, options, send_second);
    if (!assembler.etx_seen()) return OP_ERR_TIMEOUT;
    Write(context, kAckByte);
    context.state.echo = LearnFromProbeReply(reply);
    reply.clear();  // dropped by the probe's caller
    return OP_OK;
  }
  AwaitOwnReply(context, assembler, chunk, options, send_second, request_counter);
  if (!assembler.etx_seen()) return OP_ERR_TIMEOUT;
  if (!VerifyReplyChecksum(reply)) return OP_ERR_CHKS;  // answered with nothing
  context.state.echo = LearnFromReply(context.state.echo, reply, request_counter);
  Write(context, kAckByte);
  if (!IsErrorReply(reply)) return OP_OK;
  if (auto number = ErrorReplyNumber(reply)) {
    printer_error = *number;
    RaisePrinterError(context, printer_error);
  }
  return EERR;
}

}  // namespace

std::int16_t SendCommand(LinkContext& context, std::string& reply, std::int32_t& printer_error,
                         const SendOptions& options) {
  reply.clear();
  // A probe starts the learning again: the device may not be the one before.
  if (options.frame_counter_forced) context.state.echo = CounterEcho::Unknown;
  ThrowIfCancelled(context, false);
  std::int16_t result = Precondition(context, options);
  if (result == OP_OK) {
    std::string& frame = context.state.frame;
    if (!BuildPlainRequestFrame(frame, context.frame_counter, context.current_command))
      BuildRequestFrame(frame, context.frame_counter, LineBytes(context));
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
