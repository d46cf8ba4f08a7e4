// The service's HTTP request path: heads, Content-Length and chunked bodies,
// content codings, pipelining and refusals, through the connection that
// reads them. The same bytes fed whole and in pieces must read the same; no
// body passes its limit; a connection that stopped reading requests takes
// no more.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "service/http_exchange.hpp"
#include "service/raw_client.hpp"

namespace {

using tavirel::fuzz::Require;
using tavirel::service::http::HttpLimits;
using tavirel::service::http::testing::ExchangeRig;
using tavirel::service::http::testing::SmallLimits;

// The final statuses, leaving out "100 Continue" (sent only when the body
// had not come with the head, so it depends on the pieces).
std::vector<int> Final(const std::string& out) {
  std::vector<int> statuses;
  for (const int status : tavirel::service::testing::Statuses(out)) {
    if (status != 100) statuses.push_back(status);
  }
  return statuses;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const HttpLimits limits = in.ConsumeBool() ? SmallLimits() : HttpLimits{};
  const auto piece = in.ConsumeIntegralInRange<std::size_t>(1, 64);
  const std::string bytes = in.ConsumeRemainingBytesAsString();

  ExchangeRig whole(limits);
  ExchangeRig pieces(limits);
  const std::string whole_out = whole.Exchange(bytes, bytes.size() + 1);
  const std::string pieces_out = pieces.Exchange(bytes, piece);
  Require(Final(whole_out) == Final(pieces_out), "the pieces read differently from the whole");
  Require(whole.bodies == pieces.bodies, "the pieces gave the handlers other bodies");
  Require(whole.Alive() == pieces.Alive(), "the pieces left the connection otherwise");
  for (const auto& body : whole.bodies) {
    Require(body.size() <= limits.body_bytes, "a body passed the limit");
  }
  Require(whole.bodies.size() <= Final(whole_out).size(), "a request went unanswered");
  if (!whole.Alive()) {
    // Closed or closing: whatever comes now is never a request.
    const std::size_t handled = whole.bodies.size();
    whole.Exchange("GET / HTTP/1.1\r\nHost: h\r\n\r\n", 64);
    Require(whole.bodies.size() == handled, "a request was read after the connection ended");
  }
  return 0;
}
