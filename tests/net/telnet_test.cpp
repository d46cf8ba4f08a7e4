// The Telnet layer on scripted byte streams: what the reader makes of each
// stream, IAC escaping both ways, and the answers of the option
// negotiation in every state.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "port/telnet_codes.hpp"
#include "port/telnet_options.hpp"
#include "port/telnet_reader.hpp"

namespace tavirel::port::telnet {
namespace {

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

// A reader's output as text: data bytes as they are, each other event as
// <N verb opt>, <SB opt payload-hex>, <C code>.
std::string Describe(const std::vector<Event>& events) {
  std::string out;
  for (const Event& e : events) {
    switch (e.kind) {
      case Event::Kind::Data: out.push_back(static_cast<char>(e.byte)); break;
      case Event::Kind::Negotiation:
        out += "<N" + std::to_string(e.verb) + " " + std::to_string(e.option) + ">";
        break;
      case Event::Kind::Subnegotiation: {
        out += "<SB" + std::to_string(e.option);
        for (unsigned char c : e.payload) out += " " + std::to_string(c);
        out += ">";
        break;
      }
      case Event::Kind::Command: out += "<C" + std::to_string(e.byte) + ">"; break;
      case Event::Kind::None: break;
    }
  }
  return out;
}

std::string Read(const std::string& wire) {
  Reader reader;
  std::vector<Event> events;
  for (char c : wire) events.push_back(reader.Feed(static_cast<std::uint8_t>(c)));
  return Describe(events);
}

struct ReaderCase {
  const char* what;
  std::string wire;
  std::string expected;
};

TEST(TelnetReader, StreamsDecodeToDataAndEvents) {
  const std::vector<ReaderCase> cases = {
      {"plain data",
       "\x02"
       "01R\x03",
       "\x02"
       "01R\x03"},
      {"doubled IAC is one data byte", B({'a', 255, 255, 'b'}), B({'a', 255, 'b'})},
      {"negotiation inside data", B({'x', 255, 251, 3, 'y'}), "x<N251 3>y"},
      {"subnegotiation with an escaped IAC",
       B({255, 250, 44, 101, 0, 255, 255, 0, 1, 255, 240, 'z'}), "<SB44 101 0 255 0 1>z"},
      {"SB option 255 is just the option", B({255, 250, 255, 7, 255, 240}), "<SB255 7>"},
      {"NOP and GA carry no data", B({'a', 255, 241, 255, 249, 'b'}), "a<C241><C249>b"},
      {"SB cut short by another command", B({255, 250, 44, 107, 255, 251, 1, 'q'}), "<N251 1>q"},
      {"stray SE is a command", B({255, 240, 'k'}), "<C240>k"},
  };
  for (const auto& c : cases) EXPECT_EQ(Read(c.wire), c.expected) << c.what;
}

TEST(TelnetReader, OverlongSubnegotiationIsDroppedAndDataAfterItSurvives) {
  std::string wire = B({255, 250, 44, 107});
  wire += std::string(Reader::kMaxSubnegotiation + 10, 'x');
  wire += B({255, 240}) + "ok";
  EXPECT_EQ(Read(wire), "ok");
  // Exactly at the bound it still arrives whole.
  std::string fits =
      B({255, 250, 44}) + std::string(Reader::kMaxSubnegotiation, 'y') + B({255, 240});
  Reader reader;
  Event last;
  for (char c : fits) last = reader.Feed(static_cast<std::uint8_t>(c));
  ASSERT_EQ(last.kind, Event::Kind::Subnegotiation);
  EXPECT_EQ(last.payload.size(), Reader::kMaxSubnegotiation);
}

TEST(TelnetReader, EscapedDataComesBackUnchangedForEveryByteValue) {
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  all += all;
  const std::string wire = EscapeIac(all);
  EXPECT_EQ(wire.size(), all.size() + 2);  // two 0xFF, each doubled
  EXPECT_EQ(Read(wire), all);
}

// One row: the state of a side before, what the peer says, the answer we
// send and the state after.
struct NegotiationCase {
  const char* what;
  std::string before;  // bytes we received first (to put the option in a state)
  std::uint8_t verb;
  std::uint8_t option;
  std::string answer;
  Options::Q local_after;
  Options::Q remote_after;
};

TEST(TelnetOptions, AnswersFollowTheStateOfEachSide) {
  using Q = Options::Q;
  const std::vector<NegotiationCase> cases = {
      // Options we never asked for.
      {"peer offers echo: refused", "", kWill, kEcho, B({255, 254, 1}), Q::No, Q::No},
      {"peer asks us to echo: refused", "", kDo, kEcho, B({255, 252, 1}), Q::No, Q::No},
      {"peer offers go-ahead suppression: taken", "", kWill, kSuppressGoAhead, B({255, 253, 3}),
       Q::No, Q::Yes},
      {"peer asks us for it: taken", "", kDo, kSuppressGoAhead, B({255, 251, 3}), Q::Yes, Q::No},
      {"peer offers COM-PORT: we are the client, refused", "", kWill, kComPort, B({255, 254, 44}),
       Q::WantYes, Q::No},
      {"unknown option 200 refused", "", kWill, 200, B({255, 254, 200}), Q::No, Q::No},
      {"WONT for an option that is off: silence", "", kWont, kEcho, "", Q::No, Q::No},
      {"DONT for an option that is off: silence", "", kDont, kEcho, "", Q::No, Q::No},
      // Our own requests (binary both ways, COM-PORT on our side).
      {"DO answers our WILL binary: silence", "", kDo, kBinary, "", Q::Yes, Q::WantYes},
      {"WILL answers our DO binary: silence", "", kWill, kBinary, "", Q::WantYes, Q::Yes},
      {"DONT refuses our WILL binary: silence", "", kDont, kBinary, "", Q::No, Q::WantYes},
      {"WONT refuses our DO binary: silence", "", kWont, kBinary, "", Q::WantYes, Q::No},
      {"DO answers our WILL COM-PORT: silence", "", kDo, kComPort, "", Q::Yes, Q::No},
      // A side already on.
      {"repeated WILL binary: no loop", B({251, 0}), kWill, kBinary, "", Q::WantYes, Q::Yes},
      {"WONT turns binary off: acknowledged", B({251, 0}), kWont, kBinary, B({255, 254, 0}),
       Q::WantYes, Q::No},
      {"DONT turns COM-PORT off: acknowledged", B({253, 44}), kDont, kComPort, B({255, 252, 44}),
       Q::No, Q::No},
  };
  for (const auto& c : cases) {
    Options options;
    options.Start();
    for (std::size_t i = 0; i + 1 < c.before.size(); i += 2)
      options.Receive(static_cast<std::uint8_t>(c.before[i]),
                      static_cast<std::uint8_t>(c.before[i + 1]));
    EXPECT_EQ(options.Receive(c.verb, c.option), c.answer) << c.what;
    EXPECT_EQ(options.Local(c.option), c.local_after) << c.what;
    EXPECT_EQ(options.Remote(c.option), c.remote_after) << c.what;
  }
}

TEST(TelnetOptions, StartAsksForBinaryBothWaysAndOffersComPortOnly) {
  Options options;
  EXPECT_EQ(options.Start(), B({255, 251, 0, 255, 253, 0, 255, 251, 44}));
  EXPECT_EQ(options.Start(), "");  // asked once
}

}  // namespace
}  // namespace tavirel::port::telnet
