// Any payload into any reply decoder; the fixed-point field reader; the
// payload cut of ReplyData; and the operations that choose their decoder by
// the reply code, through the control.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "link/transaction.hpp"
#include "ops/catalogue.hpp"
#include "ops/decoders.hpp"
#include "ops/reply_fields.hpp"
#include "tavirel/cp1252.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/result_record.hpp"

namespace tavirel::fuzz {
namespace {

std::vector<Variant> Snapshot(ResultRecord& record) {
  std::vector<Variant> values;
  for (const PropInfo& info : ResultProperties()) values.push_back(record.Get(info.prop));
  return values;
}

// Every property reads back, of its declared type, and prints.
void ReadBack(ResultRecord& record) {
  for (const PropInfo& info : ResultProperties()) {
    const Variant value = record.Get(info.prop);
    Require(value.type() == info.type, std::string(info.name) + " changed its type");
    if (value.type() == VarType::VT_R4)
      Require(std::isfinite(value.get<float>()), std::string(info.name) + " not finite");
    (void)value.ToString();
  }
}

void DecodeAny(FuzzedDataProvider& in) {
  const auto layouts = ops::DecoderLayouts();
  const ops::DecoderLayout& layout =
      layouts[in.ConsumeIntegralInRange<std::size_t>(0, layouts.size() - 1)];
  const bool fit = in.ConsumeBool();
  std::string payload = in.ConsumeRemainingBytesAsString();
  if (fit) payload.resize(static_cast<std::size_t>(layout.length), '0');
  const std::string reply =
      "\x02"
      "01R" +
      payload + "00\x03";

  ResultRecord record;
  record.ResetLastValues();
  const auto before = Snapshot(record);
  try {
    ops::Decode(layout.decoder, reply, record);
  } catch (const ConversionError&) {
    ReadBack(record);
    return;
  }
  if (payload.size() != static_cast<std::size_t>(layout.length)) {
    Require(Snapshot(record) == before,
            std::string(layout.name) + " wrote a payload of the wrong length");
  }
  for (const ops::ReplyField& field : layout.fields) {
    if (field.conversion != ops::Conversion::Text ||
        payload.size() != static_cast<std::size_t>(layout.length))
      continue;
    const std::string expected = cp1252::ToUtf8(payload.substr(
        static_cast<std::size_t>(field.position - 1), static_cast<std::size_t>(field.width)));
    Require(record.Get(field.target).get<std::string>() == expected, "a text field was altered");
  }
  ReadBack(record);
}

void DecimalField(FuzzedDataProvider& in) {
  const auto decimals = in.ConsumeIntegral<std::int16_t>();
  const std::string text = in.ConsumeRemainingBytesAsString();
  try {
    const float value = ops::ParseDecimalField(text, decimals);
    Require(std::isfinite(value), "ParseDecimalField gave a value that is not finite");
    Require(ops::TryParseDecimalField(text, decimals) == value, "the two readers disagree");
  } catch (const ConversionError&) {
    Require(!ops::TryParseDecimalField(text, decimals),
            "ParseDecimalField threw on a readable field");
  }
}

void PayloadCut(FuzzedDataProvider& in) {
  const std::string reply = in.ConsumeRemainingBytesAsString();
  const std::string_view payload = ops::ReplyData(reply);
  if (reply.size() <= 7) {
    Require(payload.empty(), "a short reply has a payload");
  } else {
    Require(payload == std::string_view(reply).substr(4, reply.size() - 7), "wrong payload cut");
  }
  (void)ops::ReadInteger(payload);
}

struct Call {
  const char* name;
  std::vector<Variant> args;
};

// The four that choose by the reply code, and a few with a fixed decoder.
const std::vector<Call>& Calls() {
  static const std::vector<Call> calls = {
      {"opContante", {std::int16_t{1}, Currency::FromUnits(10)}},
      {"opAssegno", {std::int16_t{1}, Currency::FromUnits(10)}},
      {"opTicket", {std::int16_t{1}, std::int16_t{2}, Currency::FromUnits(5)}},
      {"opSubTot", {std::int16_t{1}}},
      {"opReparto",
       {std::int16_t{1}, std::string("PANE"), Currency::FromUnits(2), std::int16_t{1}}},
      {"opReadReparto", {std::int16_t{3}}},
      {"opReadOpr", {std::int16_t{1}}},
      {"opZTotFinGior", {std::int16_t{1}}},
      {"opReadDataOra", {}},
      {"opCredCC", {std::int16_t{1}, std::int16_t{1}}},
  };
  return calls;
}

void ThroughControl(FuzzedDataProvider& in) {
  const Call& call = Calls()[in.ConsumeIntegralInRange<std::size_t>(0, Calls().size() - 1)];
  const std::string payload = in.ConsumeRemainingBytesAsString();
  ScriptedPrinter printer;
  auto control = Connect(
      printer,
      [&](const std::string&) {
        return std::vector<Step>{{milliseconds(0), "\x06" + ReplyFrame(payload)}};
      },
      TVL_EUROSETTINGS_EURO);
  std::int16_t result = 0;
  try {
    result = control->RunOperation(call.name, call.args);
  } catch (const ConversionError&) {
    return;  // a reply field that does not read: an error of the call
  }
  Require(result == OP_OK || result == EERR || result == OP_ERR_CHKS,
          "unexpected result " + std::to_string(result));
  // Intact when no STX or ETX cuts it and it stays within the reply bound:
  // a longer run without ETX is dropped on purpose and then fails its checksum.
  const bool framed = payload.find_first_of("\x02\x03") == std::string::npos &&
                      payload.size() + 6 <= link::kMaxReplyLength;
  if (framed) Require(result != OP_ERR_CHKS, "a well-framed reply failed its checksum");
  for (const PropInfo& info : ResultProperties())
    (void)control->ResultProperty(info.name).ToString();
}

}  // namespace
}  // namespace tavirel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tavirel::fuzz;
  FuzzedDataProvider in(data, size);
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: DecodeAny(in); break;
    case 1: DecimalField(in); break;
    case 2: PayloadCut(in); break;
    default: ThroughControl(in); break;
  }
  return 0;
}
