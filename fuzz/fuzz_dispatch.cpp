// The dispatch interface with text arguments of any content: every member by
// name (or a name that is no member), in any currency mode, against a printer
// that answers with a reply of the right layout, an error reply or nothing.
// Each text is also converted to every Variant type on its own. A call gives
// a value or an error of the call (TavirelError); anything else is a finding.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "ops/catalogue.hpp"
#include "tavirel/dispatch.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::fuzz {
namespace {

constexpr VarType kAllTypes[] = {VarType::VT_EMPTY, VarType::VT_I2,  VarType::VT_I4,
                                 VarType::VT_R4,    VarType::VT_CY,  VarType::VT_DATE,
                                 VarType::VT_BSTR,  VarType::VT_BOOL};

void ConvertToEveryType(const std::string& text) {
  const Variant source(text);
  for (VarType type : kAllTypes) {
    try {
      const Variant converted = source.ConvertTo(type);
      Require(converted.type() == type, "ConvertTo gave another type");
      // What converts must convert again from its own text form, or refuse cleanly.
      (void)Variant(converted.ToString()).ConvertTo(type);
    } catch (const ConversionError&) {
    }
  }
}

// A payload of the operation's reply layout, all digits "1"; for the
// operations that choose by code, behind the first code they know.
std::string ReplyPayload(std::string_view member) {
  const ops::Operation* op = ops::FindOperation(member);
  if (op == nullptr) return "0000";
  if (op->choice() == ops::ReplyChoice::ByCode) {
    const auto& choice = op->choices.front();
    const int length = ops::LayoutOf(choice.decoder).length;
    return std::to_string(choice.code) + std::string(static_cast<std::size_t>(length - 4), '1');
  }
  if (op->decoder == ops::Decoder::None) return "0000";
  return std::string(static_cast<std::size_t>(ops::LayoutOf(op->decoder).length), '1');
}

ScriptedPrinter::Responder Responder(int mode, const std::string& payload) {
  return [mode, payload](const std::string&) -> std::vector<Step> {
    switch (mode) {
      case 0: return {{milliseconds(0), "\x06" + ReplyFrame(payload)}};
      case 1: return {{milliseconds(0), "\x06" + ReplyFrame("EERR 13")}};
      default: return {};
    }
  };
}

}  // namespace
}  // namespace tavirel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tavirel;
  using namespace tavirel::fuzz;
  FuzzedDataProvider in(data, size);
  const auto members = Members();
  const MemberInfo& member = members[in.ConsumeIntegralInRange<std::size_t>(0, members.size() - 1)];
  const bool fuzzed_name = in.ConsumeIntegralInRange(0, 15) == 0;
  const std::int32_t euro = in.ConsumeIntegralInRange(0, 3) == 3
                                ? in.ConsumeIntegral<std::int32_t>()
                                : in.ConsumeIntegralInRange(0, 2);
  const int reply_mode = in.ConsumeIntegralInRange(0, 2);
  const bool open = in.ConsumeBool();
  const std::size_t count = in.ConsumeIntegralInRange<std::size_t>(0, member.params.size() + 1);

  std::vector<Variant> args;
  for (std::size_t i = 0; i < count; ++i) {
    std::string text = in.ConsumeRandomLengthString(80);
    ConvertToEveryType(text);
    args.emplace_back(std::move(text));
  }
  const std::string name =
      fuzzed_name ? in.ConsumeRemainingBytesAsString() : std::string(member.name);

  ScriptedPrinter printer;
  auto control = Connect(printer, Responder(reply_mode, ReplyPayload(member.name)), euro, open);
  try {
    const Variant result = Invoke(*control, name, member.kind, std::move(args));
    (void)result.ToString();
    if (member.result == VarType::VT_I2 && member.kind == MemberKind::Method && !fuzzed_name &&
        ops::FindOperation(member.name) != nullptr) {
      Require(result.type() == VarType::VT_I2, "an operation returned no result code");
      Require(!ResultName(result.get<std::int16_t>()).empty(),
              "an operation returned an unknown code");
    }
  } catch (const TavirelError&) {
    // an error of the call, with its message
  }
  Require(printer.Requests() <= 2, "more requests than the probe and one operation");
  return 0;
}
