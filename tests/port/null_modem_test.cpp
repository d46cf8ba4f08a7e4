#include "tavirel/null_modem.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

using namespace std::chrono_literals;

class NullModem : public ::testing::Test {
 protected:
  void SetUp() override {
    auto [h, f] = MakeNullModemPair();
    host = std::move(h);
    far = std::move(f);
  }
  // Everything waiting at `port`, taken one Input at a time.
  static std::string InputAll(SerialPort& port) {
    std::string all;
    for (std::string one = port.Input(); !one.empty(); one = port.Input()) {
      EXPECT_EQ(one.size(), 1u);
      all += one;
    }
    return all;
  }
  std::unique_ptr<NullModemPort> host;
  std::unique_ptr<NullModemPort> far;
};

TEST_F(NullModem, BytesCrossBothWays) {
  const std::string frame = std::string(1, '\x02') + "01E4201\x03";
  host->Output(frame);
  far->Output("\x06");
  EXPECT_EQ(far->InBufferCount(), 9);
  EXPECT_EQ(host->InBufferCount(), 1);
  EXPECT_EQ(InputAll(*far), frame);
  EXPECT_EQ(InputAll(*host), "\x06");
}

TEST_F(NullModem, InputGivesOneCharacterAtATimeAndEmptyWhenNoneWaits) {
  EXPECT_EQ(host->Input(), "");
  far->Output(std::string("A\0B", 3));
  EXPECT_EQ(host->Input(), "A");
  EXPECT_EQ(host->InBufferCount(), 2);
  EXPECT_EQ(host->Input(), std::string(1, '\0'));
  EXPECT_EQ(host->Input(), "B");
  EXPECT_EQ(host->Input(), "");
  EXPECT_EQ(host->InBufferCount(), 0);
}

TEST_F(NullModem, TakeInputHandsOverWhatWaitsUpToTheSizeAsked) {
  char chunk[4];
  far->Output("abcdef");
  EXPECT_EQ(host->Input(), "a");
  ASSERT_EQ(host->TakeInput(chunk, 4), 4u);
  EXPECT_EQ(std::string(chunk, 4), "bcde");
  ASSERT_EQ(host->TakeInput(chunk, 4), 1u);
  EXPECT_EQ(chunk[0], 'f');
  EXPECT_EQ(host->TakeInput(chunk, 4), 0u);
  far->HangUpPeer();
  EXPECT_THROW(host->TakeInput(chunk, 4), SerialError);
}

TEST_F(NullModem, OutputWorksWithBothEndsClosed) {
  ASSERT_FALSE(host->PortOpen());
  host->Output("x");
  EXPECT_EQ(far->TakeAll(), "x");
}

TEST_F(NullModem, OpeningAnOpenEndIsRefusedAndKeepsItOpen) {
  host->PortOpen(true);
  EXPECT_THROW(host->PortOpen(true), SerialError);
  EXPECT_TRUE(host->PortOpen());
  EXPECT_FALSE(far->PortOpen()) << "each end opens on its own";
}

TEST_F(NullModem, ClearToSendIsSetByTheOtherEnd) {
  EXPECT_FALSE(host->CTSHolding()) << "a closed port holds no line";
  host->PortOpen(true);
  far->PortOpen(true);
  EXPECT_TRUE(host->CTSHolding()) << "asserted at first";
  far->SetPeerCTS(false);
  EXPECT_FALSE(host->CTSHolding());
  EXPECT_TRUE(far->CTSHolding()) << "each end sees only what the other set";
  far->SetPeerCTS(true);
  EXPECT_TRUE(host->CTSHolding());
}

TEST_F(NullModem, LogsKeepWhatWasWrittenAndReceivedUntilCleared) {
  host->Output("AB");
  host->Output("C");
  far->Output("z");
  EXPECT_EQ(far->TakeAll(), "ABC");
  EXPECT_EQ(far->TakeAll(), "");
  EXPECT_EQ(host->Written(), "ABC");
  EXPECT_EQ(far->Received(), "ABC") << "taken bytes stay in the log";
  EXPECT_EQ(host->Received(), "z") << "untaken bytes are in the log too";
  host->ClearLogs();
  EXPECT_EQ(host->Written(), "");
  EXPECT_EQ(host->Received(), "");
  EXPECT_EQ(host->Input(), "z") << "clearing the log keeps the waiting input";
  EXPECT_EQ(far->Received(), "ABC") << "the other end keeps its logs";
  EXPECT_EQ(far->Written(), "z");
}

TEST_F(NullModem, HangUpMakesEveryLaterCallOfTheOtherEndThrowAndClosesIt) {
  host->PortOpen(true);
  far->Output("late");
  far->HangUpPeer();
  EXPECT_TRUE(host->PortOpen()) << "closed before anyone noticed";
  EXPECT_THROW((void)host->Input(), SerialError);
  EXPECT_FALSE(host->PortOpen());
  EXPECT_THROW((void)host->InBufferCount(), SerialError);
  EXPECT_THROW(host->Output("x"), SerialError);
  EXPECT_THROW(host->WaitForInput(10ms), SerialError);
  host->SetWaitHook([](std::chrono::milliseconds) {});
  EXPECT_THROW(host->WaitForInput(10ms), SerialError) << "the hook does not hide a hang-up";
  far->Output("still");
  EXPECT_EQ(far->InBufferCount(), 0) << "the end that hung up is not hung up itself";
}

TEST_F(NullModem, WaitHookRunsInsteadOfWaitingWhenNoInputWaits) {
  std::vector<std::chrono::milliseconds> slices;
  host->SetWaitHook([&](std::chrono::milliseconds slice) {
    slices.push_back(slice);
    far->Output("\x06");  // the far end answers from within the hook
  });
  host->WaitForInput(20ms);
  ASSERT_EQ(slices.size(), 1u);
  EXPECT_EQ(slices[0], 20ms);
  host->WaitForInput(20ms);
  EXPECT_EQ(slices.size(), 1u) << "not called while input waits";
  EXPECT_EQ(host->Input(), "\x06");
}

TEST_F(NullModem, WaitReturnsAfterTheSliceWhenNothingComes) {
  const auto start = std::chrono::steady_clock::now();
  host->WaitForInput(30ms);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 25ms);
  EXPECT_EQ(host->InBufferCount(), 0);
}

TEST_F(NullModem, WaiterWakesWhenTheOtherThreadWrites) {
  const auto start = std::chrono::steady_clock::now();
  std::thread writer([this] {
    std::this_thread::sleep_for(30ms);
    far->Output("R");
  });
  host->WaitForInput(10s);
  const auto waited = std::chrono::steady_clock::now() - start;
  writer.join();
  EXPECT_LT(waited, 5s);
  EXPECT_EQ(host->Input(), "R");
}

TEST_F(NullModem, WaiterWakesWithAnErrorWhenTheOtherThreadHangsUp) {
  const auto start = std::chrono::steady_clock::now();
  std::thread peer([this] {
    std::this_thread::sleep_for(30ms);
    far->HangUpPeer();
  });
  EXPECT_THROW(host->WaitForInput(10s), SerialError);
  peer.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST_F(NullModem, SettingsAreValidatedAndKeptPerEnd) {
  EXPECT_EQ(host->Settings(), "9600,n,8,1");
  host->Settings("19200,E,7,2");
  EXPECT_EQ(host->Settings(), "19200,E,7,2") << "the text stays as written";
  EXPECT_EQ(far->Settings(), "9600,n,8,1");
  EXPECT_THROW(host->Settings("19200,E,7"), SettingsError);
  EXPECT_EQ(host->Settings(), "19200,E,7,2");
}

TEST_F(NullModem, PortNumberIsPerEndAndFixedWhileOpen) {
  EXPECT_EQ(host->CommPort(), 1);
  host->CommPort(3);
  EXPECT_EQ(far->CommPort(), 1);
  host->PortOpen(true);
  EXPECT_THROW(host->CommPort(4), SerialError);
  host->CommPort(3);  // the same number changes nothing
  EXPECT_EQ(host->CommPort(), 3);
  host->PortOpen(false);
  host->CommPort(4);
  EXPECT_EQ(host->CommPort(), 4);
}

}  // namespace
}  // namespace tavirel
