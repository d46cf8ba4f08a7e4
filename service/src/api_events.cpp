// GET /v1/events: server-sent events of document states and register status.
#include <charconv>

#include "api_context.hpp"
#include "service_errors.hpp"

namespace tavirel::service {
namespace {

using http::Request;
using http::Response;
using namespace std::chrono_literals;

// How often a quiet stream looks at its client and the service: a client
// that went frees its stream's place within this.
constexpr auto kPoll = 250ms;
constexpr auto kKeepAlive = 15s;  // a comment on a quiet stream, so proxies keep it

std::optional<std::uint64_t> LastEventId(const Request& req) {
  const std::string text = req.Header("Last-Event-ID");
  std::uint64_t id = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return id;
}

// The registers as they are now, first on a new stream (without ids, so a
// reconnect still resumes after the last numbered event).
std::string CurrentState(const ApiContext& api) {
  std::string text = "retry: 2000\n\n";
  for (const auto& worker : api.workers) {
    text += "event: register\ndata: " + StatusJson(worker->Status()).dump() + "\n\n";
  }
  return text;
}

// Writes the registers' state, then events as they come, until the client
// goes, falls behind or the service stops.
void Pump(ApiContext& api, EventHub::Subscription& subscription, std::string first,
          http::StreamSink& sink) {
  if (!sink.Write(first)) return;
  auto last_write = std::chrono::steady_clock::now();
  while (sink.Open()) {
    const auto events = subscription.Next(kPoll);
    if (subscription.Ended() || api.stopping) return;
    std::string text;
    for (const auto& event : events) text += FormatEvent(event);
    const auto now = std::chrono::steady_clock::now();
    if (text.empty() && now - last_write >= kKeepAlive) text = ": keep-alive\n\n";
    if (text.empty()) continue;
    if (!sink.Write(text)) return;
    last_write = now;
  }
}

// Holds one of the service's stream places while it lives.
class StreamPlace {
 public:
  explicit StreamPlace(ApiContext& api) : api_(api) {
    if (api.event_streams.fetch_add(1) >= api.config.limits.event_streams) {
      --api.event_streams;
      throw TooManyStreamsError("too many event streams are open (" +
                                std::to_string(api.config.limits.event_streams) + ")");
    }
  }
  ~StreamPlace() { --api_.event_streams; }
  StreamPlace(const StreamPlace&) = delete;
  StreamPlace& operator=(const StreamPlace&) = delete;

 private:
  ApiContext& api_;
};

void Events(ApiContext& api, const Request& req, Response& res) {
  auto place = std::make_shared<StreamPlace>(api);
  auto subscription = api.events.Subscribe(LastEventId(req));
  res.SetHeader("Cache-Control", "no-store");
  res.SetHeader("X-Accel-Buffering", "no");
  res.SetStream("text/event-stream",
                [&api, place, subscription, first = CurrentState(api)](http::StreamSink& sink) {
                  Pump(api, *subscription, first, sink);
                });
}

}  // namespace

void InstallEventRoutes(http::Router& router, ApiContext& api) {
  router.Get("/v1/events", [&api](const Request& req, Response& res) { Events(api, req, res); });
}

}  // namespace tavirel::service
