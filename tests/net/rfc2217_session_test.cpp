// The RFC 2217 session on scripted byte streams: the greeting and answers a
// real device server sent (recorded from ser2net 4.3 on a pseudo-terminal),
// the line settings on the wire, the server's reports, Clear To Send, flow
// control, and streams cut at every point.
#include "port/rfc2217_session.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavirel::port {
namespace {

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

// What ser2net 4.3 sent at connect, then after the COM-PORT agreement, then
// in answer to 9600,n,8,1 (recorded on this machine).
const std::string kServerGreeting =
    B({255, 251, 3, 255, 253, 3, 255, 251, 1, 255, 254, 1, 255, 253, 0, 255, 251, 0, 255, 253, 44});
const std::string kModemStateZero = B({255, 250, 44, 107, 0, 255, 240});
const std::string kSettingsAnswers =
    B({255, 250, 44,  101, 0,   0, 37,  128, 255, 240, 255, 250, 44, 102, 8,  255,
       240, 255, 250, 44,  103, 1, 255, 240, 255, 250, 44,  104, 1,  255, 240});

std::string ComPort(std::initializer_list<int> command) {
  return B({255, 250, 44}) + B(command) + B({255, 240});
}

struct Fed {
  Rfc2217Session session;
  std::string data;
  std::string sent;
  void Feed(const std::string& wire) {
    session.Receive(wire, data);
    sent += session.TakeOutgoing();
  }
};

Fed Agreed() {
  Fed f;
  f.session.Start();
  f.session.TakeOutgoing();
  f.Feed(kServerGreeting);
  f.sent.clear();
  return f;
}

TEST(Rfc2217Session, AnswersTheRecordedGreetingAndAgreesOnComPort) {
  Fed f;
  f.session.Start();
  EXPECT_EQ(f.session.TakeOutgoing(), B({255, 251, 0, 255, 253, 0, 255, 251, 44}));
  EXPECT_EQ(f.session.ComPort(), Rfc2217Session::Agreement::Pending);
  f.Feed(kServerGreeting);
  // Go-ahead suppression taken both ways, echo refused, binary and COM-PORT
  // were our own requests: no answer for them.
  EXPECT_EQ(f.sent, B({255, 253, 3, 255, 251, 3, 255, 254, 1}));
  EXPECT_EQ(f.session.ComPort(), Rfc2217Session::Agreement::Agreed);
  EXPECT_EQ(f.data, "");
}

TEST(Rfc2217Session, ComPortRefusedByDont) {
  Fed f;
  f.session.Start();
  f.Feed(B({255, 254, 44}));
  EXPECT_EQ(f.session.ComPort(), Rfc2217Session::Agreement::Refused);
}

struct SettingsCase {
  const char* text;
  std::string wire;
};

TEST(Rfc2217Session, LineSettingsOnTheWire) {
  const std::vector<SettingsCase> cases = {
      {"9600,n,8,1",
       ComPort({1, 0, 0, 0x25, 0x80}) + ComPort({2, 8}) + ComPort({3, 1}) + ComPort({4, 1})},
      {"19200,e,7,2",
       ComPort({1, 0, 0, 0x4b, 0x00}) + ComPort({2, 7}) + ComPort({3, 3}) + ComPort({4, 2})},
      {"115200,o,5,1.5",
       ComPort({1, 0, 1, 0xc2, 0x00}) + ComPort({2, 5}) + ComPort({3, 2}) + ComPort({4, 3})},
      {"4000000,m,6,1",
       ComPort({1, 0, 0x3d, 0x09, 0x00}) + ComPort({2, 6}) + ComPort({3, 4}) + ComPort({4, 1})},
      {"300,s,8,1",
       ComPort({1, 0, 0, 0x01, 0x2c}) + ComPort({2, 8}) + ComPort({3, 5}) + ComPort({4, 1})},
  };
  for (const auto& c : cases) {
    Rfc2217Session session;
    session.RequestLineSettings(LineSettings::Parse(c.text));
    EXPECT_EQ(session.TakeOutgoing(), c.wire) << c.text;
  }
  Rfc2217Session session;
  session.RequestModemStateMask();
  EXPECT_EQ(session.TakeOutgoing(), ComPort({11, 0x11}));  // CTS and its change only
}

struct ReportCase {
  const char* what;
  std::string answers;
  bool answered;
  std::string difference;
};

TEST(Rfc2217Session, ServerReportsAreComparedWithWhatWasAsked) {
  const std::string baud = ComPort({101, 0, 0, 0x25, 0x80});
  const std::string data = ComPort({102, 8});
  const std::string parity = ComPort({103, 1});
  const std::string stop = ComPort({104, 1});
  const std::vector<ReportCase> cases = {
      {"recorded answers", kSettingsAnswers, true, ""},
      {"one answer missing", baud + data + parity, false, ""},
      {"other baud", ComPort({101, 0, 0, 0x4b, 0x00}) + data + parity + stop, true,
       "baud rate 19200 instead of 9600"},
      {"two differ", baud + ComPort({102, 7}) + parity + ComPort({104, 3}), true,
       "data bits 7 instead of 8, stop bits 1.5 instead of 1"},
      {"unknown parity code", baud + data + ComPort({103, 9}) + stop, true,
       "parity code 9 instead of none"},
      {"short baud answer ignored", ComPort({101, 0x25, 0x80}) + data + parity + stop, false, ""},
  };
  for (const auto& c : cases) {
    Fed f = Agreed();
    f.session.RequestLineSettings(LineSettings::Parse("9600,n,8,1"));
    f.Feed(c.answers);
    EXPECT_EQ(f.session.SettingsAnswered(), c.answered) << c.what;
    EXPECT_EQ(f.session.SettingsDifference(LineSettings::Parse("9600,n,8,1")), c.difference)
        << c.what;
  }
}

TEST(Rfc2217Session, ClearToSendFollowsModemStateNotifications) {
  Fed f;
  f.session.Start();
  f.Feed(ComPort({107, 0x10}));  // before COM-PORT is agreed: not ours to take
  EXPECT_FALSE(f.session.Cts().has_value());
  f.Feed(kServerGreeting);
  EXPECT_FALSE(f.session.Cts().has_value());
  f.sent.clear();
  const std::vector<std::pair<int, bool>> states = {{0x10, true},  {0x01, false}, {0x11, true},
                                                    {0xef, false}, {0xb0, true},  {0x00, false}};
  for (const auto& [bits, cts] : states) {
    f.Feed(ComPort({107, bits}));
    ASSERT_TRUE(f.session.Cts().has_value());
    EXPECT_EQ(*f.session.Cts(), cts) << bits;
  }
  f.Feed(ComPort({107}));  // no value: ignored
  EXPECT_EQ(f.session.Cts(), false);
  EXPECT_EQ(f.sent, "");
}

TEST(Rfc2217Session, FlowControlSignatureAndUnusedCommands) {
  Fed f = Agreed();
  f.Feed(ComPort({108}));
  EXPECT_TRUE(f.session.SendingSuspended());
  f.Feed(ComPort({106, 0x60}) + ComPort({105, 1}) + ComPort({100}) + "A");
  EXPECT_TRUE(f.session.SendingSuspended());
  EXPECT_EQ(f.sent, ComPort({0, 't', 'a', 'v', 'i', 'r', 'e', 'l'}));  // our signature, asked for
  f.Feed(ComPort({109}) + ComPort({100, 'x'}));
  EXPECT_FALSE(f.session.SendingSuspended());
  EXPECT_EQ(f.data, "A");
  EXPECT_EQ(f.sent, ComPort({0, 't', 'a', 'v', 'i', 'r', 'e', 'l'}));  // a given one needs none
}

TEST(Rfc2217Session, CarriageReturnStuffingOnlyOutsideBinary) {
  Fed plain;  // no binary agreed: the NVT rules hold both ways
  plain.session.Start();
  plain.Feed(B({'a', '\r', 0, 'b', 0, '\r', '\n'}));
  EXPECT_EQ(plain.data, B({'a', '\r', 'b', 0, '\r', '\n'}));
  EXPECT_EQ(plain.session.EncodeData(B({'\r', 255, 'x'})), B({'\r', 0, 255, 255, 'x'}));

  Fed binary = Agreed();
  binary.Feed(B({'a', '\r', 0, 255, 255}));
  EXPECT_EQ(binary.data, B({'a', '\r', 0, 255}));
  EXPECT_EQ(binary.session.EncodeData(B({'\r', 0, 255, 3})), B({'\r', 0, 255, 255, 3}));
}

TEST(Rfc2217Session, AStreamCutAnywhereGivesTheSameResult) {
  const std::string wire = kServerGreeting + kModemStateZero +
                           "\x06\x02"
                           "01R" +
                           B({255, 255}) + kSettingsAnswers + ComPort({107, 0x10}) + "42\x03" +
                           ComPort({100}) + B({255, 241});
  Fed whole;
  whole.session.Start();
  whole.Feed(wire);
  ASSERT_EQ(whole.data,
            "\x06\x02"
            "01R\xff"
            "42\x03");
  for (std::size_t cut = 1; cut < wire.size(); ++cut) {
    Fed pieces;
    pieces.session.Start();
    pieces.Feed(wire.substr(0, cut));
    pieces.Feed(wire.substr(cut));
    EXPECT_EQ(pieces.data, whole.data) << cut;
    EXPECT_EQ(pieces.sent, whole.sent) << cut;
    EXPECT_EQ(pieces.session.Cts(), whole.session.Cts()) << cut;
  }
}

}  // namespace
}  // namespace tavirel::port
