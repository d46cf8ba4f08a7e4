// Decisions:
// - An IAC inside a subnegotiation followed by anything but IAC or SE ends
//   the subnegotiation unfinished: it is dropped and the byte is taken as the
//   command it names, so a peer that forgets an SE cannot swallow the stream.
// - Commands other than negotiations and SB (NOP, GA, AYT, ...) are reported
//   as Command and carry no data; a stray SE is one of them.
#include "port/telnet_reader.hpp"

#include "port/telnet_codes.hpp"

namespace tavirel::port::telnet {
namespace {

Event DataEvent(std::uint8_t byte) {
  Event e;
  e.kind = Event::Kind::Data;
  e.byte = byte;
  return e;
}

bool IsNegotiationVerb(std::uint8_t byte) { return byte >= kWill && byte <= kDont; }

}  // namespace

bool Reader::InSubnegotiation() const {
  return state_ == State::SbOption || state_ == State::SbData || state_ == State::SbIac;
}

Event Reader::AfterIac(std::uint8_t byte) {
  state_ = State::Data;
  if (byte == kIac) return DataEvent(kIac);
  if (IsNegotiationVerb(byte)) {
    verb_ = byte;
    state_ = State::Option;
    return {};
  }
  if (byte == kSb) {
    sb_payload_.clear();
    sb_overlong_ = false;
    state_ = State::SbOption;
    return {};
  }
  Event e;
  e.kind = Event::Kind::Command;
  e.byte = byte;
  return e;
}

Event Reader::Feed(std::uint8_t byte) {
  switch (state_) {
    case State::Data:
      if (byte == kIac) {
        state_ = State::Iac;
        return {};
      }
      return DataEvent(byte);
    case State::Iac: return AfterIac(byte);
    case State::Option: {
      state_ = State::Data;
      Event e;
      e.kind = Event::Kind::Negotiation;
      e.verb = verb_;
      e.option = byte;
      return e;
    }
    case State::SbOption:
      sb_option_ = byte;
      state_ = State::SbData;
      return {};
    case State::SbData:
      if (byte == kIac) {
        state_ = State::SbIac;
      } else if (sb_payload_.size() < kMaxSubnegotiation) {
        sb_payload_.push_back(static_cast<char>(byte));
      } else {
        sb_overlong_ = true;
      }
      return {};
    case State::SbIac:
      if (byte == kIac) {
        if (sb_payload_.size() < kMaxSubnegotiation) {
          sb_payload_.push_back(static_cast<char>(kIac));
        } else {
          sb_overlong_ = true;
        }
        state_ = State::SbData;
        return {};
      }
      if (byte == kSe) {
        state_ = State::Data;
        if (sb_overlong_) return {};
        Event e;
        e.kind = Event::Kind::Subnegotiation;
        e.option = sb_option_;
        e.payload = std::move(sb_payload_);
        sb_payload_.clear();
        return e;
      }
      return AfterIac(byte);
  }
  return {};
}

std::string EscapeIac(std::string_view data) {
  std::string out;
  out.reserve(data.size());
  for (char c : data) {
    out.push_back(c);
    if (static_cast<std::uint8_t>(c) == kIac) out.push_back(c);
  }
  return out;
}

}  // namespace tavirel::port::telnet
