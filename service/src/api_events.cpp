// GET /v1/events: server-sent events of document states and register status.
#include <charconv>

#include "api_context.hpp"
#include "service_errors.hpp"

namespace tavirel::service {
namespace {

using httplib::Request;
using httplib::Response;
using namespace std::chrono_literals;

constexpr auto kPoll = 1s;        // how often a quiet stream looks at the service's state
constexpr auto kKeepAlive = 15s;  // a comment on a quiet stream, so proxies keep it

std::optional<std::uint64_t> LastEventId(const Request& req) {
  const std::string text = req.get_header_value("Last-Event-ID");
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

struct Stream {
  std::shared_ptr<EventHub::Subscription> subscription;
  std::string first;
  std::chrono::steady_clock::time_point last_write = std::chrono::steady_clock::now();
};

bool Pump(ApiContext& api, Stream& stream, httplib::DataSink& sink) {
  if (!stream.first.empty()) {
    const bool ok = sink.write(stream.first.data(), stream.first.size());
    stream.first.clear();
    if (!ok) return false;
  }
  const auto events = stream.subscription->Next(kPoll);
  if (stream.subscription->Ended() || api.stopping) {
    sink.done();
    return true;
  }
  std::string text;
  for (const auto& event : events) text += FormatEvent(event);
  const auto now = std::chrono::steady_clock::now();
  if (text.empty() && now - stream.last_write >= kKeepAlive) text = ": keep-alive\n\n";
  if (text.empty()) return sink.is_writable();
  stream.last_write = now;
  return sink.write(text.data(), text.size());
}

void Events(ApiContext& api, const Request& req, Response& res) {
  if (api.event_streams.fetch_add(1) >= api.config.limits.event_streams) {
    --api.event_streams;
    throw ApiError(
        429,
        "too many event streams are open (" + std::to_string(api.config.limits.event_streams) + ")",
        "", 10s);
  }
  auto stream = std::make_shared<Stream>();
  stream->subscription = api.events.Subscribe(LastEventId(req));
  stream->first = CurrentState(api);
  res.set_header("Cache-Control", "no-store");
  res.set_header("X-Accel-Buffering", "no");
  res.set_chunked_content_provider(
      "text/event-stream",
      [&api, stream](std::size_t, httplib::DataSink& sink) { return Pump(api, *stream, sink); },
      [&api, stream](bool) { --api.event_streams; });
}

}  // namespace

void InstallEventRoutes(httplib::Server& server, ApiContext& api) {
  server.Get("/v1/events", [&api](const Request& req, Response& res) { Events(api, req, res); });
}

}  // namespace tavirel::service
