// The service's small parts: the event fan-out, the waiters, the JSON depth
// bound, the reopen backoff, the connection pool, the server's stop and the
// metrics text.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "backoff.hpp"
#include "bounded_pool.hpp"
#include "completions.hpp"
#include "event_hub.hpp"
#include "http/server.hpp"
#include "json_depth.hpp"
#include "metrics.hpp"

namespace tavirel::service {
namespace {

using namespace std::chrono_literals;

std::vector<std::uint64_t> Ids(const std::vector<Event>& events) {
  std::vector<std::uint64_t> ids;
  for (const auto& e : events) ids.push_back(e.id);
  return ids;
}

TEST(EventHub, EverySubscriberGetsEveryEventInOrder) {
  EventHub hub;
  auto a = hub.Subscribe();
  auto b = hub.Subscribe();
  hub.Publish("document", R"({"key":"k1"})");
  hub.Publish("register", R"({"name":"sim"})");
  EXPECT_EQ(Ids(a->Next(0ms)), (std::vector<std::uint64_t>{1, 2}));
  const auto got = b->Next(0ms);
  ASSERT_EQ(got.size(), 2U);
  EXPECT_EQ(FormatEvent(got[1]), "id: 2\nevent: register\ndata: {\"name\":\"sim\"}\n\n");
  EXPECT_TRUE(a->Next(10ms).empty());
  EXPECT_EQ(hub.Subscribers(), 2U);
  b.reset();
  EXPECT_EQ(hub.Subscribers(), 1U);
}

TEST(EventHub, ASlowReaderIsEndedAndResumesFromTheHistory) {
  EventHub hub(/*history=*/5, /*queue=*/3);
  auto slow = hub.Subscribe();
  auto fast = hub.Subscribe();
  for (int i = 0; i < 4; ++i) {
    hub.Publish("document", std::to_string(i));
    EXPECT_EQ(fast->Next(0ms).size(), 1U);
  }
  EXPECT_TRUE(slow->Ended());  // the fourth did not fit its queue of three
  EXPECT_TRUE(slow->Next(1s).empty());
  EXPECT_FALSE(fast->Ended());
  hub.Publish("document", "4");
  hub.Publish("document", "5");
  // Reconnecting after id 2: the history holds 2..6, of which the newest three fit the queue.
  auto resumed = hub.Subscribe(2);
  EXPECT_EQ(Ids(resumed->Next(0ms)), (std::vector<std::uint64_t>{4, 5, 6}));
  auto from_start = hub.Subscribe(0);
  EXPECT_EQ(Ids(from_start->Next(0ms)), (std::vector<std::uint64_t>{4, 5, 6}));
}

TEST(EventHub, CloseEndsEveryWaitAtOnce) {
  EventHub hub;
  auto sub = hub.Subscribe();
  auto waiting = std::async(std::launch::async, [&] { return sub->Next(30s); });
  std::this_thread::sleep_for(20ms);
  const auto start = std::chrono::steady_clock::now();
  hub.Close();
  EXPECT_TRUE(waiting.get().empty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_TRUE(hub.Subscribe()->Ended());
}

TEST(Completions, ASignalBetweenTheWatchAndTheWaitIsNotMissed) {
  Completions completions;
  auto watch = completions.Begin("k1");
  completions.Signal("k2");
  EXPECT_EQ(watch->Wait(std::chrono::steady_clock::now() + 10ms), Completions::Wake::TimedOut);
  completions.Signal("k1");
  EXPECT_EQ(watch->Wait(std::chrono::steady_clock::now() + 10s), Completions::Wake::Ended);
  // A watch begun after a signal waits for the next one.
  auto later = completions.Begin("k1");
  EXPECT_EQ(later->Wait(std::chrono::steady_clock::now() + 10ms), Completions::Wake::TimedOut);
  EXPECT_EQ(completions.Watched(), 1U);
  watch.reset();
  later.reset();
  EXPECT_EQ(completions.Watched(), 0U);
}

TEST(Completions, StopWakesEveryWaiter) {
  Completions completions;
  auto watch = completions.Begin("k");
  auto waiting = std::async(std::launch::async,
                            [&] { return watch->Wait(std::chrono::steady_clock::now() + 30s); });
  std::this_thread::sleep_for(20ms);
  completions.Stop();
  EXPECT_EQ(waiting.get(), Completions::Wake::Stopping);
}

TEST(JsonDepth, CountsNestingOutsideStrings) {
  const std::pair<const char*, std::size_t> rows[] = {
      {"1", 0},
      {"{}", 1},
      {R"({"a": [1, {"b": []}]})", 4},
      {R"({"a": "[[[[{{{{"})", 1},
      {R"({"a": "\"[[[", "b": [[]]})", 3},
      {R"(["\\", [[]]])", 3},
      {"[[[[", 4},
  };
  for (const auto& [text, depth] : rows) EXPECT_EQ(JsonDepth(text), depth) << text;
  EXPECT_EQ(JsonDepth(std::string(100000, '[')), 100000U);
}

TEST(ReopenDelay, GrowsToHalfAMinuteAndStaysThere) {
  const std::pair<int, std::chrono::milliseconds> rows[] = {
      {0, 500ms}, {1, 500ms}, {2, 1s}, {3, 2s}, {4, 4s}, {5, 8s}, {6, 15s}, {7, 30s}, {100, 30s},
  };
  for (const auto& [failures, delay] : rows) EXPECT_EQ(ReopenDelay(failures), delay) << failures;
}

TEST(BoundedPool, RunsAtMostItsThreadsAndHoldsTheAcceptorWhenFull) {
  BoundedPool pool(/*threads=*/2, /*waiting=*/1);
  std::atomic<int> running{0}, most{0}, done{0};
  std::promise<void> release;
  std::shared_future<void> gate = release.get_future().share();
  auto job = [&] {
    const int now = ++running;
    for (int seen = most; seen < now && !most.compare_exchange_weak(seen, now);) {
    }
    gate.wait();
    --running;
    ++done;
  };
  pool.Enqueue(job);
  pool.Enqueue(job);
  pool.Enqueue(job);  // waits for a thread
  auto fourth = std::async(std::launch::async, [&] { pool.Enqueue(job); });
  EXPECT_EQ(fourth.wait_for(100ms), std::future_status::timeout);  // the acceptor is held
  release.set_value();
  fourth.get();
  pool.Shutdown();
  EXPECT_EQ(done, 4);
  EXPECT_EQ(most, 2);
}

// A stop right after the start, before or while the accepting loop begins,
// must still end it (the signal that stops the daemon can come at any time).
TEST(HttpServer, StopEndsTheLoopWhenEverItComes) {
  const http::Router router;
  for (int round = 0; round < 200; ++round) {
    http::Server server(http::HttpLimits{}, router, {});
    ASSERT_GT(server.Bind("127.0.0.1", 0), 0);
    std::promise<void> serving_started;
    auto serving = std::async(std::launch::async, [&] {
      serving_started.set_value();
      server.Serve();
    });
    if (round % 2 == 0) serving_started.get_future().wait();  // else it may not have begun
    server.Stop();
    ASSERT_EQ(serving.wait_for(5s), std::future_status::ready)
        << "the loop went on after Stop, round " << round;
  }
}

TEST(Metrics, PrometheusTextWithCumulativeBuckets) {
  Metrics metrics;
  metrics.DocumentFinished("sim", "closed", 0.02s);
  metrics.DocumentFinished("sim", "closed", 3s);
  metrics.DocumentFinished("sim", "voided", 0.2s);
  metrics.Result("OP_OK");
  metrics.Result("OP_OK");
  metrics.Result("EERR");
  metrics.Response(200);
  const std::string text = metrics.Text({{"sim", 4, true}, {"b\"x", 0, false}});
  for (const char* line : {
           "tavireld_documents_total{register=\"sim\",status=\"closed\"} 2\n",
           "tavireld_documents_total{register=\"sim\",status=\"voided\"} 1\n",
           "tavireld_queue_length{register=\"sim\"} 4\n",
           "tavireld_queue_length{register=\"b\\\"x\"} 0\n",
           "tavireld_register_open{register=\"sim\"} 1\n",
           "tavireld_results_total{result=\"OP_OK\"} 2\n",
           "tavireld_results_total{result=\"EERR\"} 1\n",
           "tavireld_operation_seconds_bucket{kind=\"document\",register=\"sim\",le=\"0.01\"} 0\n",
           "tavireld_operation_seconds_bucket{kind=\"document\",register=\"sim\",le=\"0.025\"} 1\n",
           "tavireld_operation_seconds_bucket{kind=\"document\",register=\"sim\",le=\"0.25\"} 2\n",
           "tavireld_operation_seconds_bucket{kind=\"document\",register=\"sim\",le=\"5\"} 3\n",
           "tavireld_operation_seconds_bucket{kind=\"document\",register=\"sim\",le=\"+Inf\"} 3\n",
           "tavireld_operation_seconds_count{kind=\"document\",register=\"sim\"} 3\n",
           "tavireld_http_responses_total{status=\"200\"} 1\n",
       }) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "\nin:\n" << text;
  }
}

}  // namespace
}  // namespace tavirel::service
