#include "progress.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace tavirel::cli {
namespace {

using std::chrono::milliseconds;

const std::string kClear = "\r\x1b[K";

class ElapsedIndicatorTest : public ::testing::Test {
 protected:
  void Wait(ElapsedIndicator& indicator, int slices) {
    for (int i = 0; i < slices; ++i) {
      clock_.Advance(milliseconds(20));
      indicator.Tick();
    }
  }
  ManualClock clock_;
  std::ostringstream out_;
};

TEST_F(ElapsedIndicatorTest, SilentForTheFirstSecond) {
  ElapsedIndicator indicator(out_, clock_, true);
  indicator.Begin("opSubTot");
  Wait(indicator, 50);
  indicator.End();
  EXPECT_EQ(out_.str(), "");
}

TEST_F(ElapsedIndicatorTest, ShowsOncePerWholeSecondThenClears) {
  ElapsedIndicator indicator(out_, clock_, true);
  indicator.Begin("opZFiscMem");
  Wait(indicator, 160);  // 3.2 seconds
  EXPECT_EQ(out_.str(), kClear + "opZFiscMem: waiting for the register, 1 s" + kClear +
                            "opZFiscMem: waiting for the register, 2 s" + kClear +
                            "opZFiscMem: waiting for the register, 3 s");
  indicator.End();
  const std::string after_end = out_.str();
  EXPECT_EQ(after_end.substr(after_end.size() - kClear.size()), kClear);
  Wait(indicator, 100);  // no OP waits any more
  EXPECT_EQ(out_.str(), after_end);
}

TEST_F(ElapsedIndicatorTest, ClearLetsTheNextTickRedraw) {
  ElapsedIndicator indicator(out_, clock_, true);
  indicator.Begin("opXTotFinGior");
  clock_.Advance(milliseconds(1500));
  indicator.Tick();
  indicator.Clear();
  EXPECT_EQ(out_.str(), kClear + "opXTotFinGior: waiting for the register, 1 s" + kClear);
  out_.str("");
  indicator.Tick();
  EXPECT_EQ(out_.str(), kClear + "opXTotFinGior: waiting for the register, 1 s");
}

TEST_F(ElapsedIndicatorTest, ADisabledIndicatorNeverWrites) {
  ElapsedIndicator indicator(out_, clock_, false);
  indicator.Begin("opZFiscMem");
  clock_.Advance(milliseconds(90000));
  indicator.Tick();
  indicator.End();
  EXPECT_EQ(out_.str(), "");
}

}  // namespace
}  // namespace tavirel::cli
