// Negotiation with four states per side and option, no queue: we only ask
// once, at the start, so a change of mind while a request is pending never
// arises. A peer that answers a request with the opposite, or repeats what
// is already in effect, gets no answer.
#include "port/telnet_options.hpp"

#include <algorithm>

#include "port/telnet_codes.hpp"

namespace tavirel::port::telnet {
namespace {

const OptionPolicy* PolicyOf(std::uint8_t option) {
  const auto& all = Options::Policies();
  const auto it = std::find_if(all.begin(), all.end(),
                               [option](const OptionPolicy& p) { return p.option == option; });
  return it == all.end() ? nullptr : &*it;
}

std::string Say(std::uint8_t verb, std::uint8_t option) {
  return std::string{static_cast<char>(kIac), static_cast<char>(verb), static_cast<char>(option)};
}

using Q = Options::Q;

// The peer asks a side of ours to be on (WILL for its side, DO for ours):
// `yes`/`no` are the verbs we answer with.
std::string PeerEnables(Q& state, bool acceptable, std::uint8_t yes, std::uint8_t no,
                        std::uint8_t option) {
  switch (state) {
    case Q::No:
      if (!acceptable) return Say(no, option);
      state = Q::Yes;
      return Say(yes, option);
    case Q::Yes: return {};
    case Q::WantNo: state = Q::No; return {};  // it answered our "no" with "yes"
    case Q::WantYes: state = Q::Yes; return {};
  }
  return {};
}

// The peer says a side is off (WONT for its side, DONT for ours).
std::string PeerDisables(Q& state, std::uint8_t no, std::uint8_t option) {
  switch (state) {
    case Q::No: return {};
    case Q::Yes: state = Q::No; return Say(no, option);
    case Q::WantNo:
    case Q::WantYes: state = Q::No; return {};
  }
  return {};
}

}  // namespace

const std::array<OptionPolicy, 3>& Options::Policies() {
  static const std::array<OptionPolicy, 3> policies = {{
      {kBinary, true, true, true, true},
      {kSuppressGoAhead, false, false, true, true},
      {kComPort, true, false, true, false},
  }};
  return policies;
}

std::string Options::Start() {
  std::string out;
  for (const OptionPolicy& p : Policies()) {
    if (p.ask_local && local_[p.option] == Q::No) {
      local_[p.option] = Q::WantYes;
      out += Say(kWill, p.option);
    }
    if (p.ask_remote && remote_[p.option] == Q::No) {
      remote_[p.option] = Q::WantYes;
      out += Say(kDo, p.option);
    }
  }
  return out;
}

std::string Options::Receive(std::uint8_t verb, std::uint8_t option) {
  const OptionPolicy* policy = PolicyOf(option);
  switch (verb) {
    case kWill:
      return PeerEnables(remote_[option], policy && policy->accept_remote, kDo, kDont, option);
    case kWont: return PeerDisables(remote_[option], kDont, option);
    case kDo:
      return PeerEnables(local_[option], policy && policy->accept_local, kWill, kWont, option);
    case kDont: return PeerDisables(local_[option], kWont, option);
    default: return {};
  }
}

}  // namespace tavirel::port::telnet
