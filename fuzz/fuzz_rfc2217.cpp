// The receive side of the RFC 2217 port: whatever a server sends, however
// it is cut, the session decodes the same data and state, answers only with
// well-formed negotiations of bounded size, and passes every byte outside
// the Telnet layer through unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "fuzz_support.hpp"
#include "port/rfc2217_session.hpp"
#include "port/telnet_reader.hpp"

namespace tavirel::fuzz {
namespace {

struct Outcome {
  std::string data;
  std::string sent;
  std::optional<bool> cts;
  bool suspended = false;
  port::Rfc2217Session::Agreement agreement{};
  bool answered = false;
};

Outcome Run(const std::string& wire, FuzzedDataProvider* cuts) {
  port::Rfc2217Session session;
  session.Start();
  session.RequestLineSettings(LineSettings{});
  Outcome o;
  std::size_t at = 0;
  while (at < wire.size()) {
    const std::size_t n =
        cuts ? cuts->ConsumeIntegralInRange<std::size_t>(1, wire.size() - at) : wire.size() - at;
    session.Receive(std::string_view(wire).substr(at, n), o.data);
    o.sent += session.TakeOutgoing();
    at += n;
  }
  o.sent += session.TakeOutgoing();
  o.cts = session.Cts();
  o.suspended = session.SendingSuspended();
  o.agreement = session.ComPort();
  o.answered = session.SettingsAnswered();
  return o;
}

// What we send must read back as negotiations and subnegotiations only.
void RequireWellFormed(const std::string& sent) {
  port::telnet::Reader reader;
  for (char c : sent) {
    const auto kind = reader.Feed(static_cast<std::uint8_t>(c)).kind;
    Require(kind == port::telnet::Event::Kind::None ||
                kind == port::telnet::Event::Kind::Negotiation ||
                kind == port::telnet::Event::Kind::Subnegotiation,
            "the session sent data or a bare command");
  }
  Require(!reader.InSubnegotiation(), "the session left a subnegotiation open");
}

// Without any IAC the stream is all data: only the NUL of CR NUL goes,
// and only while the server has not agreed to send binary (it cannot have).
std::string PlainData(const std::string& wire) {
  std::string out;
  bool after_cr = false;
  for (char c : wire) {
    if (!(after_cr && c == '\0')) out.push_back(c);
    after_cr = c == '\r';
  }
  return out;
}

}  // namespace
}  // namespace tavirel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace tavirel::fuzz;
  FuzzedDataProvider provider(bytes, size);
  const std::string wire = provider.ConsumeRandomLengthString(4096);
  const Outcome whole = Run(wire, nullptr);
  const Outcome cut = Run(wire, &provider);
  Require(whole.data == cut.data, "the data depends on where the stream was cut");
  Require(whole.sent == cut.sent, "the answers depend on where the stream was cut");
  Require(whole.cts == cut.cts && whole.suspended == cut.suspended &&
              whole.agreement == cut.agreement && whole.answered == cut.answered,
          "the state depends on where the stream was cut");
  RequireWellFormed(whole.sent);
  // Start and settings (9 + 4 requests of at most 10 bytes each), then at
  // most one answer of 3 bytes for a 3-byte negotiation, or a signature
  // of 13 bytes for a 6-byte request.
  Require(whole.sent.size() <= 9 + 40 + 3 * wire.size(), "the answers outgrow what came");
  Require(whole.data.size() <= wire.size(), "more data came out than went in");
  if (wire.find('\xff') == std::string::npos)
    Require(whole.data == PlainData(wire), "bytes outside the Telnet layer were changed");
  return 0;
}
