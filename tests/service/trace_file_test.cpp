// tavireld --trace: one register's file reads as the command line's trace;
// several registers' blocks stay whole and say whose they are.
#include "trace_file.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "service_errors.hpp"
#include "temp_dir.hpp"

namespace tavirel::service {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const std::string kRequest = std::string("\x02") + "02E105000" + "61" + "\x03";
const std::string kReply = std::string("\x02") + "02R4201" + "00" + "\x03";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// What the exchange gives: a request, its ACK, a reply read in two pieces.
void Exchange(const TraceHook& hook, Clock::time_point at) {
  hook(TraceDirection::Written, kRequest, at);
  hook(TraceDirection::Read, "\x06", at + milliseconds(5));
  hook(TraceDirection::Read, kReply.substr(0, 4), at + milliseconds(9));
  hook(TraceDirection::Read, kReply.substr(4), at + milliseconds(12));
}

TEST(TraceFile, OneRegisterReadsAsTheCommandLinesTrace) {
  testing::TempDir dir;
  const std::string path = dir / "trace.txt";
  const Clock::time_point origin{};
  std::ostringstream expected;
  {
    support::TracePrinter printer(expected, origin);
    printer.OnBytes(TraceDirection::Written, kRequest, origin + milliseconds(1500));
    printer.OnBytes(TraceDirection::Read, "\x06", origin + milliseconds(1505));
    printer.OnBytes(TraceDirection::Read, kReply.substr(0, 4), origin + milliseconds(1509));
    printer.OnBytes(TraceDirection::Read, kReply.substr(4), origin + milliseconds(1512));
  }
  {
    TraceFile trace(path, origin);
    Exchange(trace.HookFor(""), origin + milliseconds(1500));
    // Whole items are in the file before the trace ends.
    EXPECT_EQ(ReadAll(path), expected.str());
  }
  EXPECT_NE(expected.str().find("     1.500 TX request counter 02, command 1050"),
            std::string::npos)
      << expected.str();
  EXPECT_EQ(ReadAll(path), expected.str());
}

TEST(TraceFile, SeveralRegistersKeepTheirBlocksWholeAndNamed) {
  testing::TempDir dir;
  const std::string path = dir / "trace.txt";
  constexpr int kExchanges = 200;
  {
    TraceFile trace(path, Clock::time_point{});
    const TraceHook a = trace.HookFor("banco");
    const TraceHook b = trace.HookFor("cassa2");
    auto run = [](const TraceHook& hook) {
      for (int i = 0; i < kExchanges; ++i) Exchange(hook, Clock::time_point{} + milliseconds(i));
    };
    std::thread first(run, a);
    std::thread second(run, b);
    first.join();
    second.join();
  }
  std::istringstream lines(ReadAll(path));
  std::string line;
  std::string owner;  // whose block the line belongs to
  int blocks[2] = {0, 0};
  while (std::getline(lines, line)) {
    const bool banco = line.starts_with("[banco] ");
    ASSERT_TRUE(banco || line.starts_with("[cassa2] ")) << line;
    const std::string rest = line.substr(line.find("] ") + 2);
    if (rest.find(" TX ") != std::string::npos || rest.find(" RX ") != std::string::npos) {
      owner = banco ? "banco" : "cassa2";
      ++blocks[banco ? 0 : 1];
    } else {
      // A hex row belongs to the block above it: never another register's.
      EXPECT_EQ(owner, banco ? "banco" : "cassa2") << line;
    }
  }
  // Each exchange: the request, the ACK and the reply.
  EXPECT_EQ(blocks[0], 3 * kExchanges);
  EXPECT_EQ(blocks[1], 3 * kExchanges);
}

TEST(TraceFile, AFileThatCannotBeOpenedIsNamed) {
  testing::TempDir dir;
  const std::string path = dir / "missing/folder/trace.txt";
  try {
    TraceFile trace(path, Clock::time_point{});
    FAIL() << "opened " << path;
  } catch (const ConfigError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace tavirel::service
