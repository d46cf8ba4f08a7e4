// Cancelling a call: in virtual time against a scripted printer, and across
// threads on a null-modem pair with the real clock.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "link/frame.hpp"
#include "support/scripted_printer.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

using namespace tavirel::testing;
using std::chrono::milliseconds;

const std::string kAckPayload = "105501";  // what opBloccoTastiera expects

// Where the cancel comes: before the call, or from the yield handler once
// `at` has passed since the send, with the printer's ACK given or not.
struct CancelRow {
  const char* name;
  bool before_call;
  milliseconds at;
  bool printer_acks;
};

class Cancel : public ::testing::TestWithParam<CancelRow> {
 protected:
  void SetUp() override {
    control_ = printer_.MakeControl();
    HostHooks hooks;
    hooks.fp_error = [this](std::int16_t&, std::int32_t&) { ++events_; };
    hooks.yield = [this] {
      if (cancel_after_ && printer_.Elapsed() - sent_at_ >= *cancel_after_) {
        cancel_after_.reset();
        control_->CancelWait();
      }
    };
    control_->SetHooks(hooks);
    printer_.AnswerPayload("42010612011200");
    control_->PortOpen();
    printer_.TakeWritten();
  }

  ScriptedPrinter printer_;
  std::unique_ptr<TavirelControl> control_;
  int events_ = 0;
  std::optional<milliseconds> cancel_after_;
  milliseconds sent_at_{0};
};

TEST_P(Cancel, EndsTheCallWithCancelledErrorSayingWhetherTheRequestWentOut) {
  const CancelRow& row = GetParam();
  if (row.printer_acks) {
    printer_.Script({{milliseconds(0), std::string(1, ACK)}});
  } else if (!row.before_call) {
    printer_.Silent();
  }
  const std::int16_t counter = control_->FrameCounter();
  sent_at_ = printer_.Elapsed();
  if (row.before_call) {
    control_->CancelWait();
  } else {
    cancel_after_ = row.at;
  }

  try {
    control_->opBloccoTastiera(1);
    FAIL() << "the call was not cancelled";
  } catch (const CancelledError& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find("1055"), std::string::npos) << what;
    EXPECT_EQ(e.request_sent(), !row.before_call);
    if (row.before_call) {
      EXPECT_NE(what.find("nothing was sent"), std::string::npos) << what;
    } else {
      EXPECT_NE(what.find("may have carried it out"), std::string::npos) << what;
    }
  }
  const std::string written = printer_.TakeWritten();
  if (row.before_call) {
    EXPECT_EQ(written, "");
    EXPECT_EQ(control_->FrameCounter(), counter);
    EXPECT_EQ(printer_.Elapsed(), sent_at_);
  } else {
    EXPECT_EQ(written, link::BuildRequestFrame(counter, "105501"));  // no ACK after it
    EXPECT_NE(control_->FrameCounter(), counter);
    // Ended at the first pass after the cancel, not at the limit.
    EXPECT_LT(printer_.Elapsed() - sent_at_, row.at + milliseconds(100));
  }
  EXPECT_EQ(events_, 0) << "a cancelled call raises no FPError";
  EXPECT_TRUE(control_->PortIsOpen());
  EXPECT_FALSE(control_->Busy());

  // The cancel was taken once: the next call runs as usual.
  printer_.AnswerPayload(kAckPayload);
  EXPECT_EQ(control_->opBloccoTastiera(1), OP_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Moments, Cancel,
    ::testing::Values(CancelRow{"BeforeTheCall", true, milliseconds(0), false},
                      CancelRow{"AwaitingTheAck", false, milliseconds(1200), false},
                      CancelRow{"AfterTheAck", false, milliseconds(5000), true},
                      CancelRow{"AtTheFirstPass", false, milliseconds(0), true}),
    [](const ::testing::TestParamInfo<CancelRow>& info) { return std::string(info.param.name); });

TEST(CancelProbe, ThePortStaysOpenAndTheNextCallGoesOut) {
  ScriptedPrinter printer;
  auto control = printer.MakeControl();
  HostHooks hooks;
  hooks.yield = [&] {
    if (printer.Elapsed() >= milliseconds(500)) control->CancelWait();
  };
  control->SetHooks(hooks);
  printer.Silent();
  try {
    control->PortOpen();
    FAIL() << "the probe was not cancelled";
  } catch (const CancelledError& e) {
    EXPECT_TRUE(e.request_sent());
    EXPECT_NE(std::string(e.what()).find("4201"), std::string::npos) << e.what();
  }
  EXPECT_LT(printer.Elapsed(), milliseconds(600));
  EXPECT_TRUE(control->PortIsOpen());
  control->SetHooks({});
  printer.AnswerPayload(kAckPayload);
  EXPECT_EQ(control->opBloccoTastiera(1), OP_OK);
  EXPECT_EQ(control->FrameCounter(), 3);  // the probe had advanced it to 2
}

// The real clock and a second thread: the wait must be woken, not run out.
TEST(CancelAcrossThreads, AWaitingCallEndsSoonAfterTheCancel) {
  auto [host, far] = MakeNullModemPair();
  TavirelControl control(std::move(host));
  control.InitProperties();
  control.EuroSettings(TVL_EUROSETTINGS_EURO);
  control.Port().PortOpen(true);  // no probe: the far end never answers

  std::atomic<bool> waiting{false};
  std::thread canceller([&] {
    while (far->Received().empty()) std::this_thread::sleep_for(milliseconds(1));
    waiting = true;
    std::this_thread::sleep_for(milliseconds(50));
    control.CancelWait();
  });
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_THROW(control.opBloccoTastiera(1), CancelledError);
  const auto took = std::chrono::steady_clock::now() - t0;
  canceller.join();
  EXPECT_TRUE(waiting);
  EXPECT_LT(took, milliseconds(1500)) << "the 3 s wait for the ACK ran on";
}

}  // namespace
}  // namespace tavirel
