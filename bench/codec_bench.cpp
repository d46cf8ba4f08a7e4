// The driver's own work for one operation, without the line: compose the
// command from its arguments, frame it in Windows-1252, check the reply's
// checksum and decode its payload into the result record. Also the whole
// call through the control against an in-memory printer that answers at once.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "link/frame.hpp"
#include "ops/catalogue.hpp"
#include "ops/decoders.hpp"
#include "tavirel/cp1252.hpp"
#include "tavirel/null_modem.hpp"
#include "tavirel/result_record.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel {
namespace {

std::string Reply(const std::string& payload) {
  const std::string body = "02R" + payload;
  int sum = 0;
  for (unsigned char c : body) sum += c;
  return "\x02" + body + std::to_string(sum % 100 / 10) + std::to_string(sum % 10) + "\x03";
}

const std::string kSaleReply =
    Reply("100301" + std::string(40, '0') + "0001000" + "1" + "000000150" + "000000150" + "02");
const std::string kReportReply = Reply(
    "200101"
    "0712261815"
    "0042");

std::vector<Variant> SaleArgs() {
  return {std::int16_t{1},          std::string("PANE DI CASA"),
          Currency::FromRaw(15000), std::int16_t{2},
          std::int16_t{1},          std::string(kDefaultProductCode)};
}

// Compose + frame + checksum check + decode, as one operation does them.
void RunCodec(benchmark::State& state, const char* operation, std::vector<Variant> args,
              const std::string& reply) {
  const ops::Operation& op = *ops::FindOperation(operation);
  ResultRecord record;
  std::int16_t counter = 2;
  for (auto _ : state) {
    const std::string command = ops::ComposeCommand(op, args, TVL_EUROSETTINGS_EURO);
    std::string frame = link::BuildRequestFrame(counter, cp1252::FromUtf8(command));
    counter = link::NextFrameCounter(counter, false);
    record.ResetLastValues();
    const bool good = link::VerifyReplyChecksum(reply);
    if (good) ops::Decode(op.decoder, reply, record);
    benchmark::DoNotOptimize(frame);
    benchmark::DoNotOptimize(record);
  }
}

void BM_CodecSaleLine(benchmark::State& state) {
  RunCodec(state, "opReparto", SaleArgs(), kSaleReply);
}
void BM_CodecReport(benchmark::State& state) {
  RunCodec(state, "opXTotFinGior", {std::int16_t{1}}, kReportReply);
}

// The whole call through the control: arguments, record reset, the exchange
// over the in-memory pair (the printer answers when the driver first waits),
// decode. No operating system on the way: the driver's cost alone.
class InstantPrinter {
 public:
  explicit InstantPrinter(std::string reply) : reply_(std::move(reply)) {
    auto [host, far] = MakeNullModemPair();
    far_ = std::move(far);
    host->SetWaitHook([this](std::chrono::milliseconds) {
      far_->TakeAll();
      far_->Output("\x06" + reply_);
    });
    control_ = std::make_unique<TavirelControl>(std::move(host));
    control_->InitProperties();
    control_->EuroSettings(TVL_EUROSETTINGS_EURO);
    control_->Port().PortOpen(true);
  }
  TavirelControl& control() { return *control_; }

 private:
  std::string reply_;
  std::unique_ptr<NullModemPort> far_;
  std::unique_ptr<TavirelControl> control_;
};

void BM_CallSaleLine(benchmark::State& state) {
  InstantPrinter printer(kSaleReply);
  for (auto _ : state) {
    if (printer.control().opReparto(1, "PANE DI CASA", Currency::FromRaw(15000), 2) != OP_OK) {
      state.SkipWithError("not OP_OK");
      break;
    }
  }
}

void BM_CallReport(benchmark::State& state) {
  InstantPrinter printer(kReportReply);
  for (auto _ : state) {
    if (printer.control().opXTotFinGior(1) != OP_OK) {
      state.SkipWithError("not OP_OK");
      break;
    }
  }
}

BENCHMARK(BM_CodecSaleLine);
BENCHMARK(BM_CodecReport);
BENCHMARK(BM_CallSaleLine);
BENCHMARK(BM_CallReport);

}  // namespace
}  // namespace tavirel

BENCHMARK_MAIN();
