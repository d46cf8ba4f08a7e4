#pragma once
// Whether the register echoes a request's frame counter in its reply, and
// what follows from it: a reply that carries another request's counter is a
// late reply to that request, not the answer to this one.
//
// The probe always goes out with 01, so one reply cannot tell a register
// that echoes from one that always answers 01. The probe's reply makes an
// echo probable; the first reply to another counter confirms it (or shows
// the register does not echo). Only a confirmed echo changes anything: from
// then on a reply whose counter is not the request's is discarded and the
// wait goes on within the same limits. Until then, and for a register that
// does not echo, every reply is taken as it comes.
#include <string_view>

namespace tavirel::link {

enum class CounterEcho {
  Unknown,    // no sound probe reply yet: replies are taken as they come
  Probable,   // the probe's reply carried 01
  Confirmed,  // a reply to another counter carried it too
  None,       // the register does not echo: replies are taken as they come
};

/// What the probe's reply (a completed frame, or "" when none came) tells.
CounterEcho LearnFromProbeReply(std::string_view reply);

/// After a reply with a right checksum was taken as the answer to a request
/// that carried `request_counter` (two digits): the echo confirmed or ruled out.
CounterEcho LearnFromReply(CounterEcho echo, std::string_view reply,
                           std::string_view request_counter);

/// True when `reply` (checksum right) is another request's late reply.
bool IsStaleReply(CounterEcho echo, std::string_view reply, std::string_view request_counter);

/// The counter digits of a frame (positions 2-3), "" when it has none.
std::string_view FrameCounterDigits(std::string_view frame);

}  // namespace tavirel::link
