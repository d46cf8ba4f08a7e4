// The POSIX port on a real pseudo-terminal: the test is the far end.
#include "tavirel/posix_serial_port.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "port/pty.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

using namespace std::chrono_literals;
using testing::Pty;

class PosixSerialPortOnPty : public ::testing::Test {
 protected:
  void SetUp() override {
    port = PosixSerialPort::ForDevice(pty.SlavePath());
    port->PortOpen(true);
  }
  // Waits (at most 2 s) until `count` bytes wait. The wait returns at once
  // while part of them sits in the port's buffer, hence the short sleep.
  void AwaitInput(int count) {
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (port->InBufferCount() < count && std::chrono::steady_clock::now() < deadline) {
      port->WaitForInput(20ms);
      std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(port->InBufferCount(), count);
  }
  Pty pty;
  std::unique_ptr<PosixSerialPort> port;
};

TEST_F(PosixSerialPortOnPty, BytesCrossBothWaysUnaltered) {
  // Raw mode: no CR/LF translation, no echo, all eight bits, NUL included.
  const std::string frame(
      "\x02"
      "01E4201\r\n\x00\xff\x11\x13\x03",
      16);
  pty.Write(frame);
  AwaitInput(static_cast<int>(frame.size()));
  std::string got;
  for (std::string one = port->Input(); !one.empty(); one = port->Input()) {
    ASSERT_EQ(one.size(), 1u);
    got += one;
  }
  EXPECT_EQ(got, frame);
  EXPECT_EQ(port->InBufferCount(), 0);

  port->Output(frame);
  EXPECT_EQ(pty.Read(frame.size()), frame);
  EXPECT_EQ(pty.Read(1, 50ms), "") << "nothing echoed back";
}

TEST_F(PosixSerialPortOnPty, CountGoesDownByOnePerInput) {
  pty.Write("ABCDE");
  AwaitInput(5);
  EXPECT_EQ(port->Input(), "A");
  EXPECT_EQ(port->InBufferCount(), 4);
  EXPECT_EQ(port->Input(), "B");
  EXPECT_EQ(port->InBufferCount(), 3);
}

TEST_F(PosixSerialPortOnPty, InputReadsInChunksSoBytesBeforeAHangUpAreKept) {
  // After the first Input the rest is in the port's own buffer: closing the
  // master throws away what the terminal holds, but not what we read.
  const std::string text(300, 'q');
  pty.Write(text);
  AwaitInput(300);
  std::string got = port->Input();
  pty.CloseMaster();
  EXPECT_EQ(port->InBufferCount(), 299);
  for (int i = 1; i < 300; ++i) got += port->Input();
  EXPECT_EQ(got, text);
  EXPECT_THROW((void)port->Input(), SerialError);
}

TEST_F(PosixSerialPortOnPty, LargeOutputArrivesWholeWhileTheFarEndReadsSlowly) {
  std::string big(200000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
  port->Settings("4000000,n,8,1");
  std::string received;
  std::thread reader([&] { received = pty.Read(big.size(), 10s); });
  port->Output(big);
  reader.join();
  EXPECT_EQ(received.size(), big.size());
  EXPECT_TRUE(received == big);
}

TEST_F(PosixSerialPortOnPty, WaitReturnsAtOnceWhenInputIsBuffered) {
  pty.Write("xy");
  AwaitInput(2);
  EXPECT_EQ(port->Input(), "x");  // "y" now sits in the port's buffer
  const auto start = std::chrono::steady_clock::now();
  port->WaitForInput(5s);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

TEST_F(PosixSerialPortOnPty, WaitEndsWhenInputArrives) {
  std::thread far([this] {
    std::this_thread::sleep_for(50ms);
    pty.Write("!");
  });
  const auto start = std::chrono::steady_clock::now();
  port->WaitForInput(5s);
  far.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  EXPECT_EQ(port->Input(), "!");
}

// TakeInput hands over what waits in order, the port's buffer first; after a
// wait that found nothing it need not ask the device, but the next wait that
// finds input lets it through.
TEST_F(PosixSerialPortOnPty, TakeInputHandsOverChunksInOrder) {
  char chunk[16];
  auto take = [&](std::size_t size) { return std::string(chunk, port->TakeInput(chunk, size)); };
  pty.Write("abcdef");
  AwaitInput(6);
  EXPECT_EQ(port->Input(), "a");
  EXPECT_EQ(take(3), "bcd");
  EXPECT_EQ(take(sizeof chunk), "ef");
  port->WaitForInput(30ms);
  EXPECT_EQ(take(sizeof chunk), "");
  pty.Write("xyz");
  std::string got;
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  while (got.size() < 3 && std::chrono::steady_clock::now() < deadline) {
    port->WaitForInput(100ms);
    got += take(sizeof chunk);
  }
  EXPECT_EQ(got, "xyz");
  EXPECT_EQ(port->InBufferCount(), 0);
}

TEST_F(PosixSerialPortOnPty, ClearToSendCountsAsAssertedWithoutModemLines) {
  EXPECT_TRUE(port->CTSHolding());
  port->PortOpen(false);
  EXPECT_FALSE(port->CTSHolding());
}

TEST_F(PosixSerialPortOnPty, OpeningAnOpenPortIsRefusedAndChangesNothing) {
  pty.Write("k");
  AwaitInput(1);
  try {
    port->PortOpen(true);
    ADD_FAILURE() << "opened twice";
  } catch (const SerialError& e) {
    EXPECT_NE(std::string(e.what()).find(pty.SlavePath() + " is already open"), std::string::npos)
        << e.what();
  }
  EXPECT_TRUE(port->PortOpen());
  EXPECT_EQ(port->Input(), "k");
}

TEST_F(PosixSerialPortOnPty, ClosedPortRefusesIo) {
  port->PortOpen(false);
  EXPECT_FALSE(port->PortOpen());
  port->PortOpen(false);  // closing a closed port does nothing
  EXPECT_THROW((void)port->Input(), SerialError);
  EXPECT_THROW((void)port->InBufferCount(), SerialError);
  EXPECT_THROW(port->Output("x"), SerialError);
  EXPECT_THROW(port->WaitForInput(1ms), SerialError);
  try {
    port->Output("x");
  } catch (const SerialError& e) {
    EXPECT_NE(std::string(e.what()).find("not open"), std::string::npos) << e.what();
  }
}

TEST_F(PosixSerialPortOnPty, ReopensAfterClose) {
  port->PortOpen(false);
  port->PortOpen(true);
  port->Output("again");
  EXPECT_EQ(pty.Read(5), "again");
}

TEST(PosixSerialPortMapping, PortNumbersMapToDevices) {
  PosixSerialPort by_default;
  EXPECT_EQ(by_default.CommPort(), 1);
  EXPECT_EQ(by_default.DevicePath(), "/dev/ttyS0");
  by_default.CommPort(4);
  EXPECT_EQ(by_default.DevicePath(), "/dev/ttyS3");

  PosixSerialPort usb([](std::int16_t n) { return "/dev/ttyUSB" + std::to_string(n - 1); });
  usb.CommPort(2);
  EXPECT_EQ(usb.DevicePath(), "/dev/ttyUSB1");

  auto fixed = PosixSerialPort::ForDevice("/dev/pts/7");
  fixed->CommPort(9);
  EXPECT_EQ(fixed->DevicePath(), "/dev/pts/7");
  EXPECT_EQ(fixed->CommPort(), 9);
}

TEST(PosixSerialPortMapping, PortNumbersBelowOneAreRefusedWhenSetNamingTheNumber) {
  for (std::int16_t number : {0, -3}) {
    PosixSerialPort port;
    try {
      port.CommPort(number);
      ADD_FAILURE() << "took port " << number;
    } catch (const SerialError& e) {
      EXPECT_NE(std::string(e.what()).find("number " + std::to_string(number) + " is not valid"),
                std::string::npos)
          << e.what();
    }
    EXPECT_EQ(port.CommPort(), 1);
    EXPECT_THROW(DefaultPortDevice(number), SerialError);
  }
}

TEST(PosixSerialPortMapping, PortNumberCannotChangeWhileOpen) {
  Pty pty;
  PosixSerialPort port([&](std::int16_t) { return pty.SlavePath(); });
  port.PortOpen(true);
  try {
    port.CommPort(2);
    ADD_FAILURE() << "changed while open";
  } catch (const SerialError& e) {
    EXPECT_NE(std::string(e.what()).find(pty.SlavePath()), std::string::npos) << e.what();
  }
  port.CommPort(1);  // the same number is no change
  EXPECT_EQ(port.CommPort(), 1);
  port.PortOpen(false);
  port.CommPort(2);
  EXPECT_EQ(port.CommPort(), 2);
}

}  // namespace
}  // namespace tavirel
