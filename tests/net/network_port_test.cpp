// The network ports against scripted servers: bytes both ways unchanged, a
// hang-up as an error of the call and a reconnect, waits that sleep and
// end early on Interrupt, and every way an RFC 2217 server can fail us at
// the start. Real sockets on loopback; limits shortened so nothing waits long.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "port/tcp_serial_port.hpp"
#include "script_server.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/port_factory.hpp"

namespace tavirel {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::ComPort;
using test::ScriptConnection;
using test::ScriptServer;
using Clock = std::chrono::steady_clock;

NetworkPortOptions ShortLimits() {
  NetworkPortOptions o;
  o.connect_timeout = 1000ms;
  o.negotiation_timeout = 300ms;
  o.write_timeout = 300ms;
  return o;
}

struct Opened {
  std::unique_ptr<SerialPort> port;
  ScriptConnection conn;
};

// Opens a port on `server` while playing the server's side of the start.
Opened Open(ScriptServer& server, const std::string& scheme) {
  auto port = MakePort(server.Url(scheme), ShortLimits());
  auto opening = std::async(std::launch::async, [&port] { port->PortOpen(true); });
  ScriptConnection conn = server.Accept();
  if (scheme == "rfc2217") test::AgreeAndTakeSettings(conn);
  opening.get();
  return {std::move(port), std::move(conn)};
}

std::string AllByteValues() {
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  return all;
}

std::string TakeInput(SerialPort& port, std::size_t count,
                      std::chrono::milliseconds limit = std::chrono::seconds(2)) {
  std::string got;
  const auto end = Clock::now() + limit;
  while (got.size() < count && Clock::now() < end) {
    if (port.InBufferCount() == 0) port.WaitForInput(100ms);
    got += port.Input();
  }
  return got;
}

TEST(NetworkPort, EveryByteValueCrossesBothWaysUnchanged) {
  for (const std::string scheme : {"tcp", "rfc2217"}) {
    ScriptServer server;
    Opened o = Open(server, scheme);
    const std::string all = AllByteValues();
    o.port->Output(all);
    const std::string wire = o.conn.Read(all.size() + (scheme == "tcp" ? 0 : 1));
    const std::string expected_wire = scheme == "tcp" ? all : all + "\xff";  // IAC doubled
    EXPECT_EQ(wire.size(), expected_wire.size()) << scheme;
    EXPECT_EQ(wire.substr(0, 255), all.substr(0, 255)) << scheme;
    o.conn.Send(scheme == "tcp" ? all : all + "\xff");
    EXPECT_EQ(TakeInput(*o.port, all.size()), all) << scheme;
    EXPECT_EQ(o.port->Input(), "") << scheme;
    EXPECT_TRUE(o.port->CTSHolding()) << scheme;  // no modem state yet
  }
}

TEST(NetworkPort, RawPortKeepsSettingsToItselfAndRefusesBadOnes) {
  ScriptServer server;
  Opened o = Open(server, "tcp");
  o.port->Settings("19200,e,7,2");
  EXPECT_EQ(o.port->Settings(), "19200,e,7,2");
  EXPECT_THROW(o.port->Settings("19200,x,7,2"), SettingsError);
  EXPECT_EQ(o.port->Settings(), "19200,e,7,2");
  EXPECT_EQ(o.conn.Drain(), "");  // nothing of it reaches the line
  EXPECT_THROW(o.port->CommPort(3), SerialError);
  o.port->PortOpen(false);
  o.port->CommPort(3);
  EXPECT_EQ(o.port->CommPort(), 3);
}

// The far end closes after sending "AB": both bytes are still handed out,
// then every way of touching the line reports the hang-up, naming the port,
// and leaves the port closed; the next PortOpen connects again.
TEST(NetworkPort, HangUpAfterTheLastBytesThenReconnect) {
  using Touch = void (*)(SerialPort&);
  const std::vector<std::pair<const char*, Touch>> touches = {
      {"Input", [](SerialPort& p) { (void)p.Input(); }},
      {"InBufferCount", [](SerialPort& p) { (void)p.InBufferCount(); }},
      {"WaitForInput", [](SerialPort& p) { p.WaitForInput(5000ms); }},
      {"CTSHolding", [](SerialPort& p) { (void)p.CTSHolding(); }},
      {"Output", [](SerialPort& p) { p.Output("x"); }},
  };
  for (const std::string scheme : {"tcp", "rfc2217"}) {
    ScriptServer server;
    Opened o = Open(server, scheme);
    for (const auto& [what, touch] : touches) {
      o.conn.Send("AB");
      EXPECT_EQ(TakeInput(*o.port, 1), "A") << scheme << " " << what;
      o.conn.Close();
      std::this_thread::sleep_for(20ms);  // the close reaches us
      EXPECT_EQ(o.port->Input(), "B") << scheme << " " << what;
      const auto start = Clock::now();
      try {
        touch(*o.port);
        ADD_FAILURE() << scheme << " " << what << ": no error";
      } catch (const SerialError& e) {
        EXPECT_NE(std::string(e.what()).find(server.Url(scheme)), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("hung up"), std::string::npos) << e.what();
      }
      EXPECT_LT(Clock::now() - start, 1s) << scheme << " " << what;
      EXPECT_FALSE(o.port->PortOpen()) << scheme << " " << what;
      EXPECT_FALSE(o.port->CTSHolding()) << scheme << " " << what;
      EXPECT_THROW(o.port->Input(), SerialError) << "closed, not hung up again";
      auto opening = std::async(std::launch::async, [&o] { o.port->PortOpen(true); });
      o.conn = server.Accept();
      if (scheme == "rfc2217") test::AgreeAndTakeSettings(o.conn);
      opening.get();
      EXPECT_TRUE(o.port->PortOpen()) << scheme << " " << what;
    }
  }
}

TEST(NetworkPort, WaitsSleepAndInterruptEndsThemEarly) {
  ScriptServer server;
  Opened o = Open(server, "tcp");
  auto start = Clock::now();
  o.port->WaitForInput(200ms);
  EXPECT_GE(Clock::now() - start, 190ms);  // slept the slice: nothing arrived

  start = Clock::now();
  std::thread waker([&o] {
    std::this_thread::sleep_for(50ms);
    o.port->Interrupt();
  });
  o.port->WaitForInput(5000ms);
  waker.join();
  EXPECT_LT(Clock::now() - start, 1s);

  o.port->Interrupt();  // none in progress: the next wait returns at once
  start = Clock::now();
  o.port->WaitForInput(5000ms);
  EXPECT_LT(Clock::now() - start, 100ms);
  start = Clock::now();
  o.port->WaitForInput(150ms);  // and only that one
  EXPECT_GE(Clock::now() - start, 140ms);

  o.conn.Send("Z");
  start = Clock::now();
  o.port->WaitForInput(5000ms);
  EXPECT_LT(Clock::now() - start, 1s);
  EXPECT_EQ(o.port->Input(), "Z");
}

TEST(NetworkPort, AServerThatStopsReadingDropsTheConnectionAfterTheWriteLimit) {
  ScriptServer server(4096);
  Opened o = Open(server, "tcp");
  const std::string flood(16 << 20, 'x');
  const auto start = Clock::now();
  try {
    o.port->Output(flood);
    ADD_FAILURE() << "a write into a full connection returned";
  } catch (const SerialError& e) {
    EXPECT_NE(std::string(e.what()).find("timed out"), std::string::npos) << e.what();
  }
  const auto took = Clock::now() - start;
  EXPECT_GE(took, 250ms);
  EXPECT_LT(took, 2s);
  EXPECT_FALSE(o.port->PortOpen());
}

// The server's side of a failed start, and what PortOpen then says.
struct StartFault {
  const char* what;
  std::string answer;           // sent after the port's offers
  std::string settings_answer;  // sent after its settings requests, when not empty
  std::string message;          // part of the error
  bool settings_error;
};

TEST(NetworkPort, Rfc2217StartFailuresAreErrorsOfPortOpenAndLeaveItClosed) {
  const std::string other_baud =
      ComPort({101, 0, 0, 0x4b, 0}) + ComPort({102, 8}) + ComPort({103, 1}) + ComPort({104, 1});
  const std::vector<StartFault> faults = {
      {"silent (a raw port)", "", "", "for a raw TCP port use tcp://", false},
      {"COM-PORT refused", Bytes({255, 254, 44}), "", "refuses the Telnet COM-port", false},
      {"settings never confirmed", test::kServerAgrees, "", "did not confirm the line settings",
       false},
      {"other baud rate", test::kServerAgrees, other_baud,
       "the server set baud rate 19200 instead of 9600", true},
  };
  for (const auto& f : faults) {
    ScriptServer server;
    auto port = MakePort(server.Url("rfc2217"), ShortLimits());
    auto opening = std::async(std::launch::async, [&port] { port->PortOpen(true); });
    ScriptConnection conn = server.Accept();
    EXPECT_EQ(conn.Read(test::kClientOffers.size()), test::kClientOffers) << f.what;
    conn.Send(f.answer);
    if (!f.settings_answer.empty()) {
      EXPECT_EQ(conn.Read(38).size(), 38u) << f.what;
      conn.Send(f.settings_answer);
    }
    const auto start = Clock::now();
    try {
      opening.get();
      ADD_FAILURE() << f.what << ": PortOpen succeeded";
    } catch (const SettingsError& e) {
      EXPECT_TRUE(f.settings_error) << f.what << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(f.message), std::string::npos) << e.what();
    } catch (const SerialError& e) {
      EXPECT_FALSE(f.settings_error) << f.what << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(f.message), std::string::npos) << e.what();
    }
    EXPECT_LT(Clock::now() - start, 1s) << f.what;
    EXPECT_FALSE(port->PortOpen()) << f.what;
  }
}

TEST(NetworkPort, Rfc2217SettingsChangeIsConfirmedOrPutBack) {
  ScriptServer server;
  Opened o = Open(server, "rfc2217");
  auto changing = std::async(std::launch::async, [&o] { o.port->Settings("19200,e,7,1"); });
  const std::string asked = o.conn.Read(31);
  EXPECT_EQ(asked,
            ComPort({1, 0, 0, 0x4b, 0}) + ComPort({2, 7}) + ComPort({3, 3}) + ComPort({4, 1}));
  o.conn.Send(test::EchoSettings(asked));
  changing.get();
  EXPECT_EQ(o.port->Settings(), "19200,e,7,1");

  // A server that keeps 19200 when asked for 38400: refused, and the line is
  // asked for 19200,e,7,1 again.
  auto refused = std::async(std::launch::async, [&o] { o.port->Settings("38400,e,7,1"); });
  const std::string asked_again = o.conn.Read(31);
  o.conn.Send(ComPort({101, 0, 0, 0x4b, 0}) + ComPort({102, 7}) + ComPort({103, 3}) +
              ComPort({104, 1}));
  const std::string restore = o.conn.Read(31);
  o.conn.Send(test::EchoSettings(restore));
  EXPECT_THROW(refused.get(), SettingsError);
  EXPECT_EQ(restore, asked);
  EXPECT_EQ(o.port->Settings(), "19200,e,7,1");
  EXPECT_TRUE(o.port->PortOpen());
}

TEST(NetworkPort, ModemStateNotificationsMoveClearToSendUnlessIgnored) {
  ScriptServer server;
  Opened o = Open(server, "rfc2217");
  o.conn.Send(ComPort({107, 0x01}));  // CTS fell
  const auto end = Clock::now() + 1s;
  while (o.port->CTSHolding() && Clock::now() < end) std::this_thread::sleep_for(5ms);
  EXPECT_FALSE(o.port->CTSHolding());
  o.conn.Send(ComPort({107, 0x11}) + "D");
  EXPECT_EQ(TakeInput(*o.port, 1), "D");
  EXPECT_TRUE(o.port->CTSHolding());

  // cts=ignore: no mask asked for, and a low CTS does not matter.
  auto port = MakePort(server.Url("rfc2217", "?cts=ignore"), ShortLimits());
  auto opening = std::async(std::launch::async, [&port] { port->PortOpen(true); });
  ScriptConnection conn = server.Accept();
  const std::string requests = test::AgreeAndTakeSettings(conn, false);
  opening.get();
  EXPECT_EQ(requests.find(Bytes({255, 250, 44, 11})), std::string::npos);
  conn.Send(ComPort({107, 0x00}));
  std::this_thread::sleep_for(30ms);
  EXPECT_TRUE(port->CTSHolding());
}

// Sends `bytes` again and again until `stop`, never blocking on a full
// connection, so it always sees `stop`.
void Flood(int fd, const std::string& bytes, const std::atomic<bool>& stop) {
  while (!bytes.empty() && !stop) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return;
    if (sent < 0) std::this_thread::sleep_for(1ms);
  }
}

// A device server that goes away at any point of the start, or that never
// stops sending Telnet commands, ends PortOpen with an error of the call
// within the negotiation limit (or at a cancel) and leaves the port closed.
TEST(NetworkPort, Rfc2217StartEndsWhateverTheServerDoes) {
  const std::string nops = [] {
    std::string s;
    for (int i = 0; i < 2048; ++i) s += Bytes({255, 241});  // IAC NOP
    return s;
  }();
  const std::string endless_sb = Bytes({255, 250, 44}) + std::string(4096, 'x');
  struct Case {
    const char* what;
    std::string agree;    // sent after the offers
    std::string flood;    // then sent again and again until the port gives up
    bool close;           // then the connection is closed
    bool cancel;          // the wait is cancelled instead of timing out
    const char* message;  // part of the error
  };
  const std::vector<Case> cases = {
      {"closed before agreeing", "", "", true, false, "hung up"},
      {"closed after agreeing", test::kServerAgrees, "", true, false, "hung up"},
      {"endless NOPs", "", nops, false, false, "no Telnet COM-port"},
      {"endless NOPs after agreeing", test::kServerAgrees, nops, false, false,
       "did not confirm the line settings"},
      {"a subnegotiation without end", test::kServerAgrees, endless_sb, false, false,
       "did not confirm the line settings"},
      {"endless NOPs, cancelled", test::kServerAgrees, nops, false, true, "cancelled"},
  };
  for (const auto& c : cases) {
    ScriptServer server;
    auto port = MakePort(server.Url("rfc2217"), ShortLimits());
    const auto start = Clock::now();
    auto opening = std::async(std::launch::async, [&port] { port->PortOpen(true); });
    ScriptConnection conn = server.Accept();
    EXPECT_EQ(conn.Read(test::kClientOffers.size()), test::kClientOffers) << c.what;
    conn.Send(c.agree);
    std::atomic<bool> stop{false};
    std::thread flooder([&] { Flood(conn.Fd(), c.flood, stop); });
    if (c.close) conn.Close();
    if (c.cancel) {
      std::this_thread::sleep_for(50ms);
      port->Interrupt();
    }
    try {
      opening.get();
      ADD_FAILURE() << c.what << ": PortOpen succeeded";
    } catch (const SerialError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
          << c.what << ": " << e.what();
    } catch (const CancelledError& e) {
      EXPECT_TRUE(c.cancel) << c.what << ": " << e.what();
    }
    EXPECT_LT(Clock::now() - start, c.cancel ? 250ms : 2s) << c.what;
    stop = true;
    ::shutdown(conn.Fd(), SHUT_RDWR);
    flooder.join();
    EXPECT_FALSE(port->PortOpen()) << c.what;
  }
}

// Once open, a flood of Telnet commands holds no wait past its slice, and
// the data sent among them still comes through.
TEST(NetworkPort, AFloodOfTelnetCommandsHoldsNoWait) {
  ScriptServer server;
  Opened o = Open(server, "rfc2217");
  std::string nops;
  for (int i = 0; i < 2048; ++i) nops += Bytes({255, 241});
  std::atomic<bool> stop{false};
  std::thread flooder([&] { Flood(o.conn.Fd(), nops, stop); });
  for (int i = 0; i < 3; ++i) {
    const auto start = Clock::now();
    o.port->WaitForInput(100ms);
    EXPECT_EQ(o.port->InBufferCount(), 0);
    EXPECT_EQ(o.port->Input(), "");
    EXPECT_LT(Clock::now() - start, 1s);
  }
  stop = true;
  flooder.join();
  // The flood may fill both ends' buffers: the port reads them away while
  // the data goes out behind them.
  std::thread sender([&] { o.conn.Send("Q"); });
  const std::string got = TakeInput(*o.port, 1, 20s);
  EXPECT_EQ(got, "Q");
  if (got != "Q") ::shutdown(o.conn.Fd(), SHUT_RDWR);  // a sender still blocked gives up
  sender.join();
}

TEST(NetworkPort, RefusedConnectionNamesThePort) {
  std::string url;
  {
    ScriptServer gone;
    url = gone.Url("tcp");
  }
  auto port = MakePort(url, ShortLimits());
  try {
    port->PortOpen(true);
    ADD_FAILURE() << "connected to a closed port";
  } catch (const SerialError& e) {
    EXPECT_NE(std::string(e.what()).find(url), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("refused"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(port->PortOpen());
}

}  // namespace
}  // namespace tavirel
