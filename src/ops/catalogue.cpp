// The 67 operations as data.
#include "ops/catalogue.hpp"

#include <algorithm>
#include <stdexcept>

#include "fields/field_encoders.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::ops {
namespace {

using K = FieldKind;
using D = Decoder;
constexpr VarType I2 = VarType::VT_I2;
constexpr VarType R4 = VarType::VT_R4;
constexpr VarType CY = VarType::VT_CY;
constexpr VarType STR = VarType::VT_BSTR;

OpParam P(std::string_view name, VarType type) { return {name, type, false, {}}; }
OpParam Opt(std::string_view name, VarType type, Variant value) {
  return {name, type, true, std::move(value)};
}
CommandField Digit(int arg, int width) { return {K::Digit, arg, width}; }
CommandField Text(int arg, int width) { return {K::Text, arg, width}; }
CommandField Amount(int arg) { return {K::Amount, arg, 9}; }
CommandField Percent(int arg) { return {K::Percent, arg, 4}; }

enum class Qty { Unit, Integer, Decimal };

// The nine sale lines share one layout; only the code and the quantity differ.
Operation SaleLine(std::string_view name, int code, Qty qty) {
  std::vector<OpParam> params{P("CodOpr", I2), P("DescProd", STR)};
  if (qty == Qty::Integer) params.push_back(P("Qta", I2));
  if (qty == Qty::Decimal) params.push_back(P("QtaDec", R4));
  const int shift = qty == Qty::Unit ? 0 : 1;
  params.push_back(P("Prezzo", CY));
  params.push_back(P("Rep", I2));
  params.push_back(Opt("TipoPrezzo", I2, std::int16_t{1}));
  params.push_back(Opt("CodProd", STR, std::string(kDefaultProductCode)));
  const CommandField quantity = qty == Qty::Unit      ? CommandField{K::UnitQty, -1, 7}
                                : qty == Qty::Integer ? CommandField{K::IntegerQty, 2, 7}
                                                      : CommandField{K::DecimalQty, 2, 7};
  return {name,
          code,
          std::move(params),
          {Digit(0, 2), Text(5 + shift, 40), Text(1, 20), quantity, Digit(4 + shift, 1),
           Amount(2 + shift), Digit(3 + shift, 2)},
          10,
          D::DecodeSaleLineReply,
          {}};
}

// An operation that sends the operator code and nothing else.
Operation OperatorOnly(std::string_view name, int code, Decoder decoder,
                       std::int16_t timeout = 10) {
  return {name, code, {P("CodOpr", I2)}, {Digit(0, 2)}, timeout, decoder, {}};
}

// A report per operator or department: the operator code and a number.
Operation OperatorAndNumber(std::string_view name, int code, std::string_view number,
                            std::int16_t timeout) {
  return {name,
          code,
          {P("CodOpr", I2), P(number, I2)},
          {Digit(0, 2), Digit(1, 2)},
          timeout,
          D::DecodeDocumentReply,
          {}};
}

// A table reading: the record number as a digit field.
Operation Reading(std::string_view name, int code, std::string_view param, Decoder decoder,
                  int width = 2) {
  return {name, code, {P(param, I2)}, {Digit(0, width)}, 10, decoder, {}};
}

Operation ByCode(std::string_view name, int code, std::vector<OpParam> params,
                 std::vector<CommandField> fields, std::vector<CodeChoice> choices) {
  return {name, code, std::move(params), std::move(fields), 10, D::None, std::move(choices)};
}

std::vector<Operation> MakeCatalogue() {
  std::vector<Operation> ops;
  ops.push_back(OperatorOnly("opApriCassetto", 1050, D::DecodeDocumentReply));
  ops.push_back(ByCode("opAssegno", 1044, {P("CodOpr", I2), P("ImportoAssegno", CY)},
                       {Digit(0, 2), Amount(1)},
                       {{OP_CODE_ASSEG_RIM, D::DecodePaymentRemainderReply},
                        {OP_CODE_ASSEG_REST, D::DecodePaymentClosingReply}}));
  ops.push_back(OperatorOnly("opAttivazioneEuro", 3018, D::DecodeAckReply));
  ops.push_back(OperatorOnly("opBloccoTastiera", 1055, D::DecodeAckReply));
  ops.push_back(ByCode("opContante", 1036, {P("CodOpr", I2), Opt("Importo", CY, Currency())},
                       {Digit(0, 2), Amount(1)},
                       {{OP_CODE_CONT_RIM, D::DecodePaymentRemainderReply},
                        {OP_CODE_CONT_REST, D::DecodePaymentClosingReply}}));
  ops.push_back(OperatorOnly("opCorr", 1027, D::DecodeAckReply));
  ops.push_back({"opCredCC",
                 1045,
                 {P("CodOpr", I2), P("NCartaCC", I2)},
                 {Digit(0, 2), Digit(1, 2)},
                 10,
                 D::DecodeCreditCardReply,
                 {}});
  ops.push_back({"opDatiSNoFisc",
                 1064,
                 {P("CodOpr", I2), P("Font", I2), P("DescRiga", STR)},
                 {Digit(0, 2), Digit(1, 1), Text(2, 40)},
                 10,
                 D::DecodeAckReply,
                 {}});
  ops.push_back({"opDescAgg",
                 1066,
                 {P("CodOpr", I2), P("Descr", STR)},
                 {Digit(0, 2), Text(1, 20)},
                 10,
                 D::DecodeAckReply,
                 {}});
  Operation end_document = OperatorOnly("opEndSNoFisc", 1065, D::DecodeAckReply);
  end_document.result = VarType::VT_VARIANT;  // the code, carried in a VARIANT
  ops.push_back(std::move(end_document));
  ops.push_back(OperatorOnly("opIniSNoFisc", 1063, D::DecodeAckReply));
  ops.push_back({"opMsgVisoreCortesia",
                 1062,
                 {P("CodOpr", I2), P("Descr", STR), Opt("NumVisore", I2, std::int16_t{0}),
                  Opt("Cursore", I2, std::int16_t{0})},
                 // The cursor has no fixed width: its digits, no leading zeros.
                 {Digit(0, 2), Digit(2, 1), Text(1, 40), {K::TrailingDigits, 3, 1}},
                 10,
                 D::DecodeAckReply,
                 {}});
  ops.push_back({"opProgConf",
                 4015,
                 {P("NumConf", I2), P("Conf", I2)},
                 {Digit(0, 2), Digit(1, 3)},
                 10,
                 D::DecodeAckReply,
                 {}});
  ops.push_back({"opProgCredCC",
                 4007,
                 {P("NCartaCC", I2), P("DescCartaCC", STR)},
                 {Digit(0, 2), Text(1, 20)},
                 10,
                 D::DecodeAckReply,
                 {}});
  ops.push_back({"opProgDataOra",
                 4001,
                 {P("Giorno", I2), P("Mese", I2), P("Anno", I2), P("Ore", I2), P("Minuti", I2)},
                 {Digit(0, 2), Digit(1, 2), Digit(2, 2), Digit(3, 2), Digit(4, 2)},
                 10,
                 D::DecodeAckReply,
                 {}});
  ops.push_back({"opProgFlag",
                 4014,
                 {P("NumFlag", I2), P("Flag", I2)},
                 {Digit(0, 2), Digit(1, 1)},
                 10,
                 D::DecodeAckReply,
                 {}});
  ops.push_back(
      {"opProgOpr",
       4013,
       {P("NumeroOperatore", I2), P("DescOpr", STR), P("CodOprSegr", I2), P("PerOpr", R4)},
       {Digit(0, 2), Text(1, 20), Digit(2, 4), Percent(3)},
       10,
       D::DecodeAckReply,
       {}});
  ops.push_back({"opProgReparto",
                 4002,
                 {P("NReparto", I2), P("DescReparto", STR), P("Prezzo1", CY), P("Prezzo2", CY),
                  P("Prezzo3", CY), P("Item", I2), P("NTassaRep", I2), P("Limite", CY),
                  P("GruppoStampa", I2), P("SuperGruppoMerceologico", I2), P("UMFattura", STR)},
                 {Digit(0, 2),
                  Text(1, 20),
                  Amount(2),
                  Amount(3),
                  Amount(4),
                  Digit(5, 1),
                  Digit(6, 2),
                  Amount(7),
                  Digit(8, 2),
                  Digit(9, 2),
                  {K::UnitOfMeasure, 10, 2}},
                 10,
                 D::DecodeAckReply,
                 {}});
  ops.push_back({"opProgRigaInt",
                 3016,
                 {P("NRigaInt", I2), P("DescInt", STR)},
                 {Digit(0, 2), Text(1, 27)},
                 10,
                 D::DecodeAckReply,
                 {}});
  ops.push_back({"opProgTassa",
                 4005,
                 {P("NTassa", I2), P("Aliquota", R4)},
                 {Digit(0, 2), Percent(1)},
                 10,
                 D::DecodeAckReply,
                 {}});
  ops.push_back({"opProgTicket",
                 4010,
                 {P("NTipoTicket", I2), P("DescTicket", STR), P("ValoreTicket", CY)},
                 {Digit(0, 2), Text(1, 20), Amount(2)},
                 10,
                 D::DecodeAckReply,
                 {}});
  ops.push_back({"opProgTipoRigaInt",
                 4016,
                 {P("NumRiga", I2), P("TipoStampa", I2)},
                 {Digit(0, 1), Digit(1, 1)},
                 10,
                 D::DecodeAckReply,
                 {}});
  ops.push_back(Reading("opReadConf", 4215, "NumConf", D::DecodeConfTableReply));
  ops.push_back(Reading("opReadCredCC", 4207, "NCartaCC", D::DecodeCardTableReply));
  ops.push_back({"opReadDataOra", 4201, {}, {}, 5, D::DecodeDateTimeReply, {}});
  ops.push_back(Reading("opReadFlag", 4214, "NumFlag", D::DecodeFlagTableReply));
  ops.push_back(Reading("opReadMatrFisc", 3217, "CodOpr", D::DecodeFiscalSerialReply));
  ops.push_back(Reading("opReadOpr", 4213, "NumeroOperatore", D::DecodeOperatorTableReply));
  ops.push_back(Reading("opReadReparto", 4202, "NReparto", D::DecodeRepartoTableReply));
  ops.push_back(Reading("opReadTassa", 4205, "NTassa", D::DecodeVatRateTableReply));
  ops.push_back(Reading("opReadTicket", 4210, "NTipoTicket", D::DecodeTicketTableReply));
  ops.push_back(Reading("opReadTipoRigaInt", 4216, "NumRiga", D::DecodeLineTypeTableReply, 1));
  ops.push_back(SaleLine("opReparto", 1003, Qty::Unit));
  ops.push_back(SaleLine("opRepartoQInt", 1004, Qty::Integer));
  ops.push_back(SaleLine("opRepartoQDec", 1005, Qty::Decimal));
  ops.push_back(SaleLine("opRepartoStorno", 1015, Qty::Unit));
  ops.push_back(SaleLine("opRepartoStornoQDec", 1017, Qty::Decimal));
  ops.push_back(SaleLine("opRepartoStornoQInt", 1016, Qty::Integer));
  ops.push_back(OperatorOnly("opRiavvioStampaDaFineCarta", 1149, D::DecodeAckReply));
  ops.push_back({"opRigheAgg",
                 1067,
                 {P("CodOpr", I2), P("NRiga", I2), P("DescRiga", STR)},
                 {Digit(0, 2), Digit(1, 1), Text(2, 40)},
                 10,
                 D::DecodeAckReply,
                 {}});
  ops.push_back(OperatorOnly("opRistampaScontr", 1047, D::DecodeDocumentReply));
  ops.push_back(OperatorOnly("opSBloccoTastiera", 1056, D::DecodeAckReply));
  ops.push_back(ByCode("opSubTot", 1051, {P("CodOpr", I2)}, {Digit(0, 2)},
                       {{OP_CODE_SUBT, D::DecodeSubtotalReply},
                        {OP_CODE_SUBT_RIM, D::DecodeSubtotalRemainderReply}}));
  ops.push_back({"opSubTotAbbuono",
                 1024,
                 {P("CodOpr", I2), P("Importo", CY)},
                 {Digit(0, 2), Amount(1)},
                 10,
                 D::DecodeAmountAdjustmentReply,
                 {}});
  ops.push_back({"opSubTotPercPlus",
                 1025,
                 {P("CodOpr", I2), P("Perc", R4)},
                 {Digit(0, 2), Percent(1)},
                 10,
                 D::DecodePercentAdjustmentReply,
                 {}});
  ops.push_back({"opSubTotPercMinus",
                 1026,
                 {P("CodOpr", I2), P("Perc", R4)},
                 {Digit(0, 2), Percent(1)},
                 10,
                 D::DecodePercentAdjustmentReply,
                 {}});
  ops.push_back(ByCode("opTicket", 1046,
                       {P("CodOpr", I2), P("NTipoTicket", I2), P("ValoreTicket", CY)},
                       {Digit(0, 2), Digit(1, 2), Amount(2)},
                       {{OP_CODE_TICKET_RIM, D::DecodeTicketRemainderReply},
                        {OP_CODE_TICKET_REST, D::DecodeTicketClosingReply}}));
  ops.push_back(OperatorOnly("opVoidTot", 1028, D::DecodeVoidTotalReply));
  ops.push_back(OperatorOnly("opXTotFinGior", 2001, D::DecodeDocumentReply, 20));
  ops.push_back(OperatorOnly("opXTotFinPer", 2007, D::DecodeDocumentReply, 20));
  ops.push_back(OperatorAndNumber("opXTotOprGior", 2006, "NumeroOperatore", 20));
  ops.push_back(OperatorAndNumber("opXTotOprPer", 2012, "NumeroOperatore", 20));
  ops.push_back(OperatorOnly("opXTotOreGior", 2005, D::DecodeDocumentReply, 20));
  ops.push_back(OperatorOnly("opXTotOrePer", 2011, D::DecodeDocumentReply, 20));
  ops.push_back(OperatorAndNumber("opXTotRepGior", 2003, "NumeroReparto", 20));
  ops.push_back(OperatorAndNumber("opXTotRepPer", 2009, "NumeroReparto", 20));
  ops.push_back(OperatorOnly("opZChiusuraFisc", 3001, D::DecodeFiscalDocumentReply, 60));
  ops.push_back(OperatorOnly("opZTotFinGior", 3002, D::DecodeZFinancialReply, 40));
  ops.push_back(OperatorOnly("opZTotOreGior", 3005, D::DecodeDocumentReply, 40));
  ops.push_back(OperatorAndNumber("opZTotOprGior", 3006, "NumeroOperatore", 40));
  ops.push_back(OperatorOnly("opZTotFinPer", 3007, D::DecodeDocumentReply, 40));
  ops.push_back(OperatorOnly("opZTotOrePer", 3010, D::DecodeDocumentReply, 40));
  ops.push_back(OperatorAndNumber("opZTotOprPer", 3011, "NumeroOperatore", 40));
  ops.push_back(OperatorOnly("opZFiscMem", 3015, D::DecodeFiscalDocumentReply, 120));
  ops.push_back(SaleLine("opRepartoReso", 1009, Qty::Unit));
  ops.push_back(SaleLine("opRepartoResoQInt", 1010, Qty::Integer));
  ops.push_back(SaleLine("opRepartoResoQDec", 1011, Qty::Decimal));
  return ops;
}

// What the decoders' layouts say of the reply's length, for the wait.
link::ReplyShape ShapeOf(const Operation& op) {
  link::ReplyShape shape;
  if (op.choice() == ReplyChoice::Fixed) {
    if (op.decoder != D::None)
      shape.entries[0].payload = static_cast<std::uint16_t>(LayoutOf(op.decoder).length);
    return shape;
  }
  for (std::size_t i = 0; i < op.choices.size() && i < shape.entries.size(); ++i) {
    shape.entries[i] = {op.choices[i].code,
                        static_cast<std::uint16_t>(LayoutOf(op.choices[i].decoder).length)};
  }
  return shape;
}

std::vector<Operation> MakeTable() {
  std::vector<Operation> ops = MakeCatalogue();
  for (Operation& op : ops) {
    op.reply_shape = ShapeOf(op);
    op.code_text = FormatDigitField(op.code, 4);
    op.amount_field = op.HasAmountField();
  }
  return ops;
}

const std::vector<Operation>& Table() {
  static const std::vector<Operation> table = MakeTable();
  return table;
}

}  // namespace

bool Operation::HasAmountField() const {
  return std::any_of(fields.begin(), fields.end(),
                     [](const CommandField& f) { return f.kind == FieldKind::Amount; });
}

std::size_t Operation::NominalLength() const {
  std::size_t length = 4;
  for (const auto& field : fields) length += static_cast<std::size_t>(field.width);
  return length;
}

std::span<const Operation> Catalogue() { return Table(); }

const Operation* FindOperation(std::string_view name) {
  const auto& table = Table();
  auto it = std::find_if(table.begin(), table.end(),
                         [&](const Operation& op) { return op.name == name; });
  return it == table.end() ? nullptr : &*it;
}

const Operation& OperationNamed(std::string_view name) {
  if (const Operation* op = FindOperation(name)) return *op;
  throw std::logic_error("no operation named " + std::string(name) + " in the catalogue");
}

}  // namespace tavirel::ops
