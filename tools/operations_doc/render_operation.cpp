// One operation's section: everything but the words read from the catalogue.
#include "render_operation.hpp"

#include "ops/decoders.hpp"
#include "ops/field_kinds.hpp"
#include "tavirel/dispatch.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::opdoc {
namespace {

using ops::FieldKind;

std::string Code(std::string_view text) { return "`" + std::string(text) + "`"; }

const ops::CommandField* FieldOf(const ops::Operation& op, std::size_t param) {
  for (const auto& field : op.fields) {
    if (field.arg == static_cast<int>(param)) return &field;
  }
  return nullptr;
}

// How a parameter goes out on the line, with the range its field holds.
std::string SentAs(const ops::CommandField& field) {
  const std::string width = std::to_string(field.width);
  const std::string largest = ops::LargestValue(field, TVL_EUROSETTINGS_EURO);
  switch (field.kind) {
    case FieldKind::Digit:
      return width + (field.width == 1 ? " digit" : " digits") + ": 0 to " + largest;
    case FieldKind::TrailingDigits: return "its digits, last in the command: 0 or more";
    case FieldKind::Amount:
      return "9 digits: euro cents (0 to " + largest + " euro) or lire (0 to " +
             ops::LargestValue(field, TVL_EUROSETTINGS_LIRE) + " lire)";
    case FieldKind::Percent: return "4 digits of hundredths: 0 to " + largest;
    case FieldKind::DecimalQty: return "7 digits of thousandths: 0 to " + largest;
    case FieldKind::IntegerQty: return "4 digits and \"000\": 0 to " + largest;
    case FieldKind::Text: return width + " characters: blanks around it dropped, a longer text cut";
    case FieldKind::UnitOfMeasure: return "2 characters; a number as 2 digits, 0 to 99";
    case FieldKind::UnitQty: break;
  }
  return {};
}

std::string ParameterRows(const ops::Operation& op) {
  if (op.params.empty()) return "No parameters.\n\n";
  std::string rows = "| Parameter | Type | Meaning | Sent as |\n|---|---|---|---|\n";
  for (std::size_t i = 0; i < op.params.size(); ++i) {
    const ParamInfo& param = op.params[i];
    const ops::CommandField* field = FieldOf(op, i);
    std::string type(TypeName(param.type));
    if (param.optional) type += ", optional";
    rows += "| " + Code(param.name) + " | " + type + " | " +
            std::string(MeaningOf(op.name, param.name)->meaning) + " | " +
            (field ? SentAs(*field) : std::string("not sent")) + " |\n";
  }
  return rows + "\n";
}

// The result values a decoder fills; amounts marked, as they need their unit.
std::string Fills(ops::Decoder decoder) {
  const auto properties = ResultProperties();
  std::string names;
  for (const ops::ReplyField& field : ops::LayoutOf(decoder).fields) {
    std::vector<Prop> targets{field.target};
    if (field.conversion == ops::Conversion::Date) {
      targets = {Prop::LastGG, Prop::LastMM,  Prop::LastAA,
                 Prop::LastHH, Prop::LastMin, Prop::LastDate};
    }
    for (const Prop target : targets) {
      if (!names.empty()) names += ", ";
      names += Code(properties[static_cast<std::size_t>(target)].name);
      if (field.conversion == ops::Conversion::Money) names += "\u2020";
    }
  }
  return names;
}

std::string_view ReplyCodeName(std::int16_t code) {
  struct Named {
    std::int16_t code;
    std::string_view name;
  };
  static constexpr Named kNames[] = {
      {OP_CODE_SUBT, "OP_CODE_SUBT"},
      {OP_CODE_CONT_RIM, "OP_CODE_CONT_RIM"},
      {OP_CODE_CONT_REST, "OP_CODE_CONT_REST"},
      {OP_CODE_ASSEG_RIM, "OP_CODE_ASSEG_RIM"},
      {OP_CODE_ASSEG_REST, "OP_CODE_ASSEG_REST"},
      {OP_CODE_TICKET_RIM, "OP_CODE_TICKET_RIM"},
      {OP_CODE_TICKET_REST, "OP_CODE_TICKET_REST"},
      {OP_CODE_SUBT_RIM, "OP_CODE_SUBT_RIM"},
  };
  for (const Named& named : kNames) {
    if (named.code == code) return named.name;
  }
  return {};
}

std::string FillsSection(const ops::Operation& op) {
  if (op.choice() == ops::ReplyChoice::Fixed) {
    return "On `OP_OK` it fills " + Fills(op.decoder) + ".\n\n";
  }
  std::string text =
      "On `OP_OK` what it fills depends on the reply code, left in `LastOPCode`:\n\n";
  for (const ops::CodeChoice& choice : op.choices) {
    text += "- " + std::to_string(choice.code) + " " + Code(ReplyCodeName(choice.code)) + ": " +
            Fills(choice.decoder) + "\n";
  }
  return text + "- any other code: `LastOPCode` only.\n\n";
}

std::string RefusalsSection(const OperationText& text) {
  if (text.refusals.empty()) return "Seldom refused.\n\n";
  std::string section = "Commonly refused (`EERR`, the number in `LastEERR`) with:\n\n";
  for (const Refusal& refusal : text.refusals) {
    section += "- " + std::to_string(refusal.number) + " " + ErrorTexts(EERR, refusal.number) +
               ": " + std::string(refusal.when) + "\n";
  }
  return section + "\n";
}

}  // namespace

const ParameterText* MeaningOf(std::string_view operation, std::string_view parameter) {
  const ParameterText* general = nullptr;
  for (const ParameterText& text : ParameterTexts()) {
    if (text.parameter != parameter) continue;
    if (text.operation == operation) return &text;
    if (text.operation.empty()) general = &text;
  }
  return general;
}

std::string RenderOperation(const ops::Operation& op, const OperationText& text) {
  std::string section = "### " + std::string(op.name) + "\n\n" + std::string(text.what) + "\n\n";
  section += "```\n" + Signature(*FindMember(op.name, MemberKind::Method)) + "\n```\n\n";
  section += ParameterRows(op);
  section += "Command " + std::to_string(op.code) + ", " + std::to_string(op.NominalLength()) +
             " characters; reply limit " + std::to_string(op.reply_timeout) + " s.\n\n";
  section += FillsSection(op);
  return section + RefusalsSection(text);
}

}  // namespace tavirel::opdoc
