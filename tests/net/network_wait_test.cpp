// WaitForBytes on a raw TCP port: the socket wakes the wait only once the
// bytes asked for have come (a read-size hint), a shorter reply is taken
// after its time on the line, and the next plain wait wakes on one byte.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "script_server.hpp"
#include "tavirel/port_factory.hpp"

namespace tavirel {
namespace {

using namespace std::chrono_literals;
using test::ScriptConnection;
using test::ScriptServer;
using Clock = std::chrono::steady_clock;

struct Opened {
  std::unique_ptr<SerialPort> port;
  ScriptConnection conn;
};

Opened OpenRaw(ScriptServer& server, const std::string& settings) {
  auto port = MakePort(server.Url("tcp"));
  port->Settings(settings);
  auto opening = std::async(std::launch::async, [&port] { port->PortOpen(true); });
  ScriptConnection conn = server.Accept();
  opening.get();
  return {std::move(port), std::move(conn)};
}

std::string TakeOnce(SerialPort& port) {
  char chunk[256];
  return std::string(chunk, port.TakeInput(chunk, sizeof chunk));
}

TEST(NetworkWait, FewerBytesThanAskedDoNotWakeTheWaitBeforeTheirTime) {
  ScriptServer server;
  Opened o = OpenRaw(server, "9600,n,8,1");  // 60 bytes: about 65 ms
  o.conn.Send("EERR 13");
  const auto start = Clock::now();
  o.port->WaitForBytes(10s, 60);
  const auto took = Clock::now() - start;
  EXPECT_GE(took, 50ms) << "woken by the first bytes";
  EXPECT_LT(took, 2s) << "held to the slice";
  EXPECT_EQ(TakeOnce(*o.port), "EERR 13");
}

TEST(NetworkWait, TheBytesAskedForWakeTheWaitAtOnce) {
  ScriptServer server;
  Opened o = OpenRaw(server, "300,n,8,1");  // their time on this line: over two seconds
  const std::string reply(60, 'r');
  std::thread sender([&] { o.conn.Send(reply); });
  const auto start = Clock::now();
  o.port->WaitForBytes(10s, reply.size());
  sender.join();
  EXPECT_LT(Clock::now() - start, 1s);
  std::string got;
  for (const auto end = Clock::now() + 2s; got.size() < reply.size() && Clock::now() < end;) {
    o.port->WaitForInput(50ms);
    got += TakeOnce(*o.port);
  }
  EXPECT_EQ(got, reply);
}

TEST(NetworkWait, APlainWaitAfterwardsWakesOnOneByte) {
  ScriptServer server;
  Opened o = OpenRaw(server, "9600,n,8,1");
  o.port->WaitForBytes(20ms, 60);  // nothing comes: the hint is left set
  o.conn.Send("Z");
  const auto start = Clock::now();
  o.port->WaitForInput(5s);
  EXPECT_LT(Clock::now() - start, 1s);
  EXPECT_EQ(TakeOnce(*o.port), "Z");
}

}  // namespace
}  // namespace tavirel
