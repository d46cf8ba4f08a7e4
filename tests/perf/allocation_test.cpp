// Once warm, an operation makes no allocation of the driver's own: its
// arguments are read where the caller keeps them, the command, the frame and
// the reply are built in buffers the control keeps, and the record's texts
// are overwritten in place. Every operation of the control, answered by an
// in-memory printer whose work (and the port's) is left out of the count.
#include <gtest/gtest.h>

#include "alloc_count.hpp"
#include "ops/reply_samples.hpp"
#include "support/operation_table.hpp"
#include "support/scripted_printer.hpp"
#include "tavirel/null_modem.hpp"

namespace tavirel {
namespace {

using namespace tavirel::testing;
using bench::AllocationCount;
using bench::AllocationPause;

// The host end of a null-modem pair, with its own allocations not counted.
class UncountedPort final : public SerialPort {
 public:
  explicit UncountedPort(std::unique_ptr<NullModemPort> inner) : inner_(std::move(inner)) {}
  void PortOpen(bool open) override {
    AllocationPause pause;
    inner_->PortOpen(open);
  }
  [[nodiscard]] bool PortOpen() const override { return inner_->PortOpen(); }
  [[nodiscard]] bool CTSHolding() override { return inner_->CTSHolding(); }
  [[nodiscard]] int InBufferCount() override { return inner_->InBufferCount(); }
  std::string Input() override {
    AllocationPause pause;
    return inner_->Input();
  }
  std::size_t TakeInput(char* data, std::size_t size) override {
    AllocationPause pause;
    return inner_->TakeInput(data, size);
  }
  void Output(std::string_view bytes) override {
    AllocationPause pause;
    inner_->Output(bytes);
  }
  void WaitForInput(std::chrono::milliseconds slice) override {
    AllocationPause pause;
    inner_->WaitForInput(slice);
  }
  [[nodiscard]] std::string Settings() const override { return inner_->Settings(); }
  void Settings(const std::string& text) override { inner_->Settings(text); }
  [[nodiscard]] std::int16_t CommPort() const override { return inner_->CommPort(); }
  void CommPort(std::int16_t port) override { inner_->CommPort(port); }

 private:
  std::unique_ptr<NullModemPort> inner_;
};

// A printer that answers each request at once with `reply` (ACK and frame).
struct InstantPrinter {
  std::unique_ptr<NullModemPort> far;
  std::unique_ptr<TavirelControl> control;
  std::string reply;

  InstantPrinter() {
    auto [host, far_end] = MakeNullModemPair();
    far = std::move(far_end);
    host->SetWaitHook([this](std::chrono::milliseconds) {
      far->TakeAll();
      far->Output(std::string(1, ACK) + reply);
    });
    control = std::make_unique<TavirelControl>(std::make_unique<UncountedPort>(std::move(host)));
    control->InitProperties();
    control->Port().PortOpen(true);
  }
};

TEST(HotPath, NoOperationAllocatesOnceWarm) {
  InstantPrinter printer;
  for (const OperationRow& row : OperationRows()) {
    SCOPED_TRACE(row.op);
    printer.reply = ReplyFrame(WithCode(SampleOf(row.decoder), row.reply_code).payload);
    printer.control->EuroSettings(row.mode);
    for (int warm = 0; warm < 2; ++warm) ASSERT_EQ(row.call(*printer.control), OP_OK);
    AllocationCount count;
    for (int i = 0; i < 3; ++i) ASSERT_EQ(row.call(*printer.control), OP_OK);
    EXPECT_EQ(count.Taken(), 0);
  }
}

TEST(HotPath, ARefusalAllocatesNothingEither) {
  InstantPrinter printer;
  printer.reply = ErrorFrame(13);
  printer.control->EuroSettings(TVL_EUROSETTINGS_EURO);
  auto sale = [&] {
    return printer.control->opReparto(1, "ARTICOLO DI PROVA", Currency::FromRaw(15000), 1);
  };
  for (int warm = 0; warm < 2; ++warm) ASSERT_EQ(sale(), EERR);
  AllocationCount count;
  for (int i = 0; i < 3; ++i) ASSERT_EQ(sale(), EERR);
  EXPECT_EQ(count.Taken(), 0);
  EXPECT_EQ(printer.control->LastEERR(), 13);
}

}  // namespace
}  // namespace tavirel
