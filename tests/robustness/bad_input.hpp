#pragma once
// A control on a scripted printer that answers the next request with a reply
// of the operation's own layout, for feeding bad input through the dispatch
// interface and seeing what reaches the line.
#include <memory>
#include <string>
#include <vector>

#include "ops/catalogue.hpp"
#include "support/scripted_printer.hpp"
#include "tavirel/dispatch.hpp"

namespace tavirel::testing {

/// A payload of the operation's reply layout, all "1" behind its reply code.
inline std::string LayoutPayload(std::string_view operation) {
  const ops::Operation* op = ops::FindOperation(operation);
  if (op == nullptr) return "0000";
  if (op->choice() == ops::ReplyChoice::ByCode) {
    const auto& choice = op->choices.front();
    return std::to_string(choice.code) +
           std::string(static_cast<std::size_t>(ops::LayoutOf(choice.decoder).length - 4), '1');
  }
  if (op->decoder == ops::Decoder::None) return "0000";
  return std::string(static_cast<std::size_t>(ops::LayoutOf(op->decoder).length), '1');
}

class BadInputBench {
 public:
  explicit BadInputBench(std::int32_t euro = TVL_EUROSETTINGS_EURO)
      : control_(printer_.MakeControl(euro)) {
    control_->Port().PortOpen(true);  // no probe: the line holds only what the call sends
  }

  /// Invokes a member by name with text arguments; the printer answers an
  /// operation's request with a reply of its layout.
  Variant Call(std::string_view name, MemberKind kind, const std::vector<std::string>& texts) {
    if (kind == MemberKind::Method) printer_.AnswerPayload(LayoutPayload(name));
    std::vector<Variant> args(texts.begin(), texts.end());
    return Invoke(*control_, name, kind, std::move(args));
  }
  Variant CallMethod(std::string_view name, const std::vector<std::string>& texts) {
    return Call(name, MemberKind::Method, texts);
  }

  /// The request frame the call wrote (without the ACK that followed).
  std::string Request() {
    std::string written = printer_.Written();
    const auto etx = written.find('\x03');
    return etx == std::string::npos ? written : written.substr(0, etx + 1);
  }

  TavirelControl& control() { return *control_; }
  ScriptedPrinter& printer() { return printer_; }

 private:
  ScriptedPrinter printer_;
  std::unique_ptr<TavirelControl> control_;
};

}  // namespace tavirel::testing
