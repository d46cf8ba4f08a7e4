// A line that talks without end: emptying the receive buffer before a send
// is bounded in bytes and in time, and that time counts within the limits.
#include <gtest/gtest.h>

#include <chrono>

#include "link/transaction.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/result_codes.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// A clock that moves on a fixed step each time it is read.
class SteppingClock final : public Clock {
 public:
  explicit SteppingClock(microseconds step) : step_(step) {}
  time_point Now() override { return now_ += step_; }
  time_point now_{std::chrono::hours(1)};

 private:
  microseconds step_;
};

// A device that sends 'x' without end (up to a cap, so a driver that drains
// it all still ends) and never an ACK.
class BabblingPort final : public SerialPort {
 public:
  static constexpr std::size_t kCap = 16 * 1024 * 1024;
  void PortOpen(bool open) override { open_ = open; }
  bool PortOpen() const override { return open_; }
  bool CTSHolding() override { return open_; }
  int InBufferCount() override { return sent_ < kCap ? 4096 : 0; }
  std::string Input() override {
    if (sent_ >= kCap) return {};
    ++sent_;
    return "x";
  }
  void Output(std::string_view bytes) override {
    if (written_.empty()) taken_before_write_ = sent_;
    written_ += bytes;
  }
  void WaitForInput(std::chrono::milliseconds) override {}
  std::string Settings() const override { return "9600,n,8,1"; }
  void Settings(const std::string&) override {}
  std::int16_t CommPort() const override { return 1; }
  void CommPort(std::int16_t) override {}

  bool open_ = false;
  std::size_t sent_ = 0;
  std::size_t taken_before_write_ = 0;
  std::string written_;
};

struct DrainRow {
  const char* name;
  microseconds clock_step;   // per reading of the clock
  std::size_t most_drained;  // bytes taken before the request went out
};

class Drain : public ::testing::TestWithParam<DrainRow> {};

TEST_P(Drain, StopsAtItsBoundAndTheCallStillEndsWithinItsLimit) {
  const DrainRow& row = GetParam();
  auto owned = std::make_unique<BabblingPort>();
  BabblingPort& port = *owned;
  auto clock = std::make_shared<SteppingClock>(row.clock_step);
  TavirelControl control(std::move(owned), clock);
  control.InitProperties();
  control.EuroSettings(TVL_EUROSETTINGS_EURO);
  control.Port().PortOpen(true);

  const auto start = clock->now_;
  EXPECT_EQ(control.opBloccoTastiera(1), OP_ERR_TIMEOUT);
  EXPECT_FALSE(port.written_.empty()) << "the request never went out";
  EXPECT_GT(port.taken_before_write_, 0u);
  EXPECT_LE(port.taken_before_write_, row.most_drained);
  // No ACK ever came: the 3 s limit counts from before the drain.
  EXPECT_LE(clock->now_ - start, std::chrono::seconds(3) + milliseconds(1));
}

INSTANTIATE_TEST_SUITE_P(Bounds, Drain,
                         ::testing::Values(
                             // A fast clock step: the byte bound is reached first.
                             DrainRow{"ByBytes", microseconds(5), link::kDrainMaxBytes},
                             // A slow one: the time bound first, checked per chunk taken.
                             DrainRow{"ByTime", microseconds(250000), link::kDrainMaxBytes / 2}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavirel
