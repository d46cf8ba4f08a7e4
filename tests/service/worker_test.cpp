// The register's worker with a scripted register on a real journal in a
// temporary folder: queue order, keys, bounds, reopening in virtual time,
// registers out of reach (with a backoff that a successful open does not
// reset), documents that hold their register, stopping.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <nlohmann/json.hpp>
#include <thread>

#include "fakes.hpp"
#include "register_worker.hpp"
#include "tavirel/documents/errors.hpp"
#include "tavirel/errors.hpp"
#include "temp_dir.hpp"

namespace tavirel::service {
namespace {

using namespace std::chrono_literals;
using documents::Status;
using testing::Ended;
using testing::FakeDriver;
using testing::OnCall;
using testing::OnOpen;
using testing::OnRun;
using testing::Receipt;

// Real time, only to let the worker's thread reach a state; the clock the
// worker reads is the test's.
template <typename Predicate>
bool Eventually(Predicate predicate) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!predicate()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

class WorkerTest : public ::testing::Test {
 protected:
  RegisterWorker& Make(FakeDriver::Script script, std::size_t queue_length = 100,
                       std::string name = "banco") {
    auto driver = std::make_unique<FakeDriver>(journal_, std::move(script));
    driver_ = driver.get();
    worker_ = std::make_unique<RegisterWorker>(
        RegisterConfig{name, "/dev/fake"}, std::move(driver),
        WorkerContext{journal_, events_, metrics_, completions_, log_, clock_, {}, queue_length});
    return *worker_;
  }
  bool Finished(const std::string& key) { return StatusOf(key) && IsFinal(*StatusOf(key)); }
  std::optional<Status> StatusOf(const std::string& key) {
    const auto entry = journal_.Lookup(key);
    if (!entry) return std::nullopt;
    return entry->status;
  }
  std::vector<std::string> Runs() const {
    std::vector<std::string> runs;
    for (const auto& line : driver_->Log()) {
      if (line.starts_with("run ")) runs.push_back(line.substr(4));
    }
    return runs;
  }
  int Opens() const {
    const auto log = driver_->Log();
    return static_cast<int>(std::count(log.begin(), log.end(), "open"));
  }
  // Moves virtual time on and lets the worker look at it.
  void Advance(std::chrono::milliseconds by) {
    clock_->Advance(by);
    worker_->Wake();
  }

  testing::TempDir dir_;
  documents::Journal journal_{dir_.File("journal.db")};
  std::vector<std::string> log_lines_;
  std::mutex log_mutex_;
  Log log_{[this](std::string_view line) {
             std::lock_guard lock(log_mutex_);
             log_lines_.emplace_back(line);
           },
           LogLevel::Info};
  EventHub events_;
  Metrics metrics_;
  Completions completions_;
  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
  FakeDriver* driver_ = nullptr;
  std::unique_ptr<RegisterWorker> worker_;
};

TEST_F(WorkerTest, DocumentsRunOneAtATimeInTheOrderTheyCame) {
  std::atomic<int> running{0}, most{0};
  RegisterWorker& worker = Make(OnRun([&](const documents::Document& d) {
    most = std::max(most.load(), ++running);
    std::this_thread::sleep_for(2ms);
    --running;
    return Ended(d.key, Status::Closed);
  }));
  auto events = events_.Subscribe();
  worker.Start();
  std::vector<std::string> keys;
  for (int i = 0; i < 6; ++i) {
    keys.push_back("k" + std::to_string(i));
    EXPECT_TRUE(worker.Submit(Receipt(keys.back())).queued);
  }
  ASSERT_TRUE(Eventually([&] { return Finished("k5"); }));
  EXPECT_EQ(Runs(), keys);
  EXPECT_EQ(most, 1);
  // Each document was announced queued, running and closed, in that order.
  std::vector<std::string> states;
  for (const auto& e : events->Next(0ms)) {
    if (e.type == "document" && e.data.find("\"k3\"") != std::string::npos) {
      states.push_back(nlohmann::json::parse(e.data)["status"]);
    }
  }
  EXPECT_EQ(states, (std::vector<std::string>{"queued", "running", "closed"}));
  EXPECT_NE(metrics_.Text({}).find("status=\"closed\"} 6"), std::string::npos);
}

TEST_F(WorkerTest, AKeyIsQueuedOnceAndAFinishedOneNeverRunsAgain) {
  RegisterWorker& worker = Make({});
  worker.Start();
  const auto first = worker.Submit(Receipt("k"));
  worker.Submit(Receipt("k"));  // while queued or running: the same entry
  ASSERT_TRUE(Eventually([&] { return Finished("k"); }));
  const auto again = worker.Submit(Receipt("k"));
  EXPECT_TRUE(first.queued);
  EXPECT_FALSE(again.queued);
  EXPECT_EQ(again.admitted.admission, documents::Admission::Answered);
  EXPECT_EQ(again.admitted.entry.status, Status::Closed);
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(Runs(), std::vector<std::string>{"k"});
  EXPECT_THROW(worker.Submit(Receipt("k", "2.00")), documents::KeyConflictError);
}

TEST_F(WorkerTest, AFullQueueRefusesNewKeysButNotKnownOnes) {
  RegisterWorker& worker = Make(OnOpen([]() -> OpenedRegister { throw SerialError("no device"); }),
                                /*queue_length=*/2);
  worker.Start();
  worker.Submit(Receipt("a"));
  worker.Submit(Receipt("b"));
  EXPECT_THROW(worker.Submit(Receipt("c")), QueueFullError);
  EXPECT_NO_THROW(worker.Submit(Receipt("a")));
  EXPECT_THROW(worker.SubmitCall(R"({"member": "opReadDataOra"})"), QueueFullError);
  EXPECT_EQ(worker.Status().queue_length, 2U);
  EXPECT_FALSE(journal_.Lookup("c"));  // refused before it reached the journal
}

TEST_F(WorkerTest, AKeyOfAnotherRegisterIsRefused) {
  journal_.Admit(Receipt("k"), "cassa2");
  RegisterWorker& worker = Make({});
  EXPECT_THROW(worker.Submit(Receipt("k")), documents::RegisterMismatchError);
}

TEST_F(WorkerTest, ReopensWithBackoffInVirtualTimeAndSaysWhy) {
  std::atomic<int> refusals{3};
  RegisterWorker& worker = Make(OnOpen([&]() -> OpenedRegister {
    if (refusals-- > 0) throw SerialError("/dev/fake: No such file or directory");
    return {777, {}};
  }));
  worker.Start();
  worker.Submit(Receipt("k"));
  ASSERT_TRUE(Eventually([&] { return Opens() == 1; }));
  ASSERT_TRUE(Eventually([&] { return worker.Status().state == RegisterState::Unavailable; }));
  EXPECT_EQ(worker.Status().reason, "/dev/fake: No such file or directory");
  // Attempts after 0.5 s, 1 s and 2 s more: none earlier.
  for (const auto& [wait, opens] :
       {std::pair{499ms, 1}, {1ms, 2}, {999ms, 2}, {1ms, 3}, {1999ms, 3}, {1ms, 4}}) {
    Advance(wait);
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(Eventually([&] { return Opens() == opens; })) << Opens();
  }
  ASSERT_TRUE(Eventually([&] { return Finished("k"); }));
  const auto status = worker.Status();
  EXPECT_EQ(status.state, RegisterState::Open);
  EXPECT_EQ(status.serial, 777);
  EXPECT_EQ(status.reason, "");
  EXPECT_EQ(status.last_error, "/dev/fake: No such file or directory");
  EXPECT_EQ(status.failures, 0);
}

// What a run can end in when the register goes out of reach: the document
// waits first in line, the register is reopened, and it runs again (the
// runner resolves what was sent): exactly one closed outcome in the end.
TEST_F(WorkerTest, ADocumentCutOffFromItsRegisterWaitsAndRunsAgain) {
  struct Row {
    const char* name;
    std::function<documents::Outcome(const documents::Document&)> first;
  };
  const Row rows[] = {
      {"port error",
       [](const documents::Document&) -> documents::Outcome {
         throw SerialError("/dev/fake: hung up");
       }},
      {"nothing sent: register off",
       [](const documents::Document& d) {
         return Ended(d.key, Status::Queued, "nothing was sent: the register was out of reach");
       }},
      {"uncertain", [](const documents::Document& d) { return Ended(d.key, Status::Uncertain); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string k = std::string("k ") + row.name, after = std::string("after ") + row.name;
    std::atomic<int> runs{0};
    RegisterWorker& worker = Make(OnRun([&](const documents::Document& d) {
      if (runs++ == 0) return row.first(d);
      return Ended(d.key, Status::Closed);
    }));
    worker.Start();
    worker.Submit(Receipt(k));
    worker.Submit(Receipt(after));
    ASSERT_TRUE(Eventually([&] { return worker.Status().state == RegisterState::Unavailable; }));
    EXPECT_FALSE(Finished(k));
    EXPECT_EQ(worker.Status().queue_length, 2U);  // k first, then after
    Advance(500ms);
    ASSERT_TRUE(Eventually([&] { return Finished(after); }));
    EXPECT_EQ(Runs(), (std::vector<std::string>{k, k, after}));
    EXPECT_EQ(StatusOf(k), Status::Closed);
    worker_.reset();
  }
}

TEST_F(WorkerTest, ARefusedDocumentEndsFailedAndOneNeedingAttentionIsNotRetried) {
  RegisterWorker& worker = Make(OnRun([](const documents::Document& d) {
    if (d.key == "refused") return Ended(d.key, Status::Failed, "the register refused it");
    // A report whose reply was lost: never repeated, and the register is free.
    return Ended(d.key, Status::NeedsAttention, "its reply was lost");
  }));
  worker.Start();
  worker.Submit(Receipt("refused"));
  worker.Submit(Receipt("report"));
  ASSERT_TRUE(Eventually([&] { return StatusOf("report") == Status::NeedsAttention; }));
  EXPECT_EQ(Runs(), (std::vector<std::string>{"refused", "report"}));
  EXPECT_EQ(worker.Status().state, RegisterState::Open);
  // Sent again, a failed document runs again.
  EXPECT_TRUE(worker.Submit(Receipt("refused")).queued);
  ASSERT_TRUE(Eventually([&] { return Runs().size() == 3; }));
}

TEST_F(WorkerTest, StartQueuesTheUnfinishedDocumentsOfItsRegisterInOrder) {
  for (const char* key : {"x", "y", "z"}) journal_.Admit(Receipt(key), "banco");
  journal_.Admit(Receipt("elsewhere"), "cassa2");
  RegisterWorker& worker = Make({});
  worker.Start();
  ASSERT_TRUE(Eventually([&] { return Finished("z"); }));
  EXPECT_EQ(Runs(), (std::vector<std::string>{"x", "y", "z"}));
  EXPECT_FALSE(Finished("elsewhere"));
}

TEST_F(WorkerTest, StopLetsTheDocumentInProgressFinishAndLeavesTheQueueInTheStore) {
  std::promise<void> entered, release;
  auto gate = release.get_future().share();
  RegisterWorker& worker = Make(OnRun([&](const documents::Document& d) {
    if (d.key == "first") {
      entered.set_value();
      gate.wait();
    }
    return Ended(d.key, Status::Closed);
  }));
  worker.Start();
  worker.Submit(Receipt("first"));
  worker.Submit(Receipt("second"));
  auto call = worker.SubmitCall(R"({"member": "LastRest"})");
  entered.get_future().wait();
  worker.RequestStop();
  EXPECT_THROW(worker.Submit(Receipt("third")), StoppingError);
  release.set_value();
  worker.Join();
  EXPECT_TRUE(Finished("first"));
  EXPECT_EQ(StatusOf("second"), Status::Queued);
  EXPECT_EQ(Runs(), std::vector<std::string>{"first"});
  EXPECT_EQ(call->Wait(std::chrono::steady_clock::now() + 1s), CallTicket::Result::Failed);
  EXPECT_THROW(std::rethrow_exception(call->Error()), StoppingError);
  EXPECT_EQ(worker.Status().state, RegisterState::Stopped);
}

TEST_F(WorkerTest, CallsTakeTheirTurnAndAWithdrawnOneNeverRuns) {
  std::promise<void> release;
  auto gate = release.get_future().share();
  auto script = OnRun([&](const documents::Document& d) {
    gate.wait();
    return Ended(d.key, Status::Closed);
  });
  script.call = [](std::string_view op) { return "answer to " + std::string(op); };
  RegisterWorker& worker = Make(script);
  worker.Start();
  worker.Submit(Receipt("doc"));
  auto withdrawn = worker.SubmitCall("A");
  auto answered = worker.SubmitCall("B");
  EXPECT_EQ(withdrawn->Wait(std::chrono::steady_clock::now() + 10ms),
            CallTicket::Result::Withdrawn);
  release.set_value();
  EXPECT_EQ(answered->Wait(std::chrono::steady_clock::now() + 10s), CallTicket::Result::Answered);
  EXPECT_EQ(answered->Answer(), "answer to B");
  const auto log = driver_->Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), "call A"), 0);
  EXPECT_EQ(std::count(log.begin(), log.end(), "call B"), 1);
}

// A document left open on its register (a refused payment) stops the queue
// of documents until it is settled; calls still reach the register; a new
// worker on the same journal (a restart) finds the register held again.
TEST_F(WorkerTest, ADocumentThatHoldsItsRegisterStopsTheQueueButNotCalls) {
  const auto script = [] {
    auto s = OnRun([](const documents::Document& d) {
      if (d.key != "paid-part") return Ended(d.key, Status::Closed);
      return Ended(d.key, Status::NeedsAttention,
                   "the receipt stays open with 5.00 to pay (paid 3.00 of 8.00)", true);
    });
    s.call = [](std::string_view op) { return "answer to " + std::string(op); };
    return s;
  };
  RegisterWorker& worker = Make(script());
  worker.Start();
  worker.Submit(Receipt("paid-part"));
  worker.Submit(Receipt("next"));
  ASSERT_TRUE(Eventually([&] { return worker.Status().attention.has_value(); }));
  auto call = worker.SubmitCall("C");
  EXPECT_EQ(call->Wait(std::chrono::steady_clock::now() + 10s), CallTicket::Result::Answered);
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(Runs(), std::vector<std::string>{"paid-part"});
  const RegisterStatus status = worker.Status();
  EXPECT_EQ(status.state, RegisterState::Open);
  EXPECT_EQ(status.attention->key, "paid-part");
  EXPECT_NE(status.attention->reason.find("5.00 to pay"), std::string::npos);
  EXPECT_EQ(status.queue_length, 1u);
  EXPECT_EQ(StatusOf("next"), Status::Queued);
  {
    std::lock_guard lock(log_mutex_);
    EXPECT_TRUE(std::any_of(log_lines_.begin(), log_lines_.end(), [](const std::string& l) {
      return l.find("event=document-needs-attention key=paid-part") != std::string::npos;
    }));
  }
  worker_.reset();
  RegisterWorker& again = Make(script());
  again.Start();
  ASSERT_TRUE(Eventually([&] { return again.Status().attention.has_value(); }));
  std::this_thread::sleep_for(20ms);
  EXPECT_TRUE(Runs().empty());
  EXPECT_EQ(again.Status().queue_length, 1u);
}

// A document that stays out of reach is tried again no faster than the
// backoff allows, though the register opens every time: never a spin.
TEST_F(WorkerTest, TheBackoffGrowsWhileADocumentStaysOutOfReach) {
  RegisterWorker& worker = Make(OnRun([](const documents::Document& d) {
    return Ended(d.key, Status::Uncertain, "the register did not answer the readings");
  }));
  worker.Start();
  worker.Submit(Receipt("stuck"));
  ASSERT_TRUE(Eventually([&] { return Runs().size() == 1; }));
  for (const auto& [wait, runs] :
       {std::pair{499ms, 1u}, {1ms, 2u}, {999ms, 2u}, {1ms, 3u}, {1999ms, 3u}, {1ms, 4u}}) {
    // Each run ends with the register unavailable, its next attempt set.
    ASSERT_TRUE(Eventually([&] { return worker.Status().state == RegisterState::Unavailable; }));
    Advance(wait);
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(Eventually([&] { return Runs().size() == runs; })) << Runs().size();
  }
  EXPECT_EQ(Opens(), 4);
  EXPECT_EQ(worker.Status().failures, 4);
  EXPECT_EQ(StatusOf("stuck"), Status::Uncertain);
}

TEST_F(WorkerTest, APortFailureInACallMakesTheRegisterUnavailable) {
  RegisterWorker& worker = Make(
      OnCall([](std::string_view) -> std::string { throw SerialError("/dev/fake: hung up"); }));
  worker.Start();
  auto call = worker.SubmitCall("A");
  EXPECT_EQ(call->Wait(std::chrono::steady_clock::now() + 10s), CallTicket::Result::Failed);
  ASSERT_TRUE(Eventually([&] { return worker.Status().state == RegisterState::Unavailable; }));
  EXPECT_EQ(worker.Status().reason, "/dev/fake: hung up");
}

}  // namespace
}  // namespace tavirel::service
