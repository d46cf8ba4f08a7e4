// What each parameter means, with its unit where it has one.
#include "descriptions.hpp"

namespace tavirel::opdoc {
namespace {

constexpr ParameterText kParameters[] = {
    {"", "CodOpr",
     "The operator: the number of the cashier who makes the operation, as programmed with "
     "`opProgOpr`."},
    // Sale lines.
    {"", "DescProd", "The product's description, printed on the line."},
    {"", "Qta", "The quantity, in whole pieces."},
    {"", "QtaDec", "The quantity, with up to three decimals (kilograms, metres, ...)."},
    {"", "Prezzo",
     "The unit price, a currency value (`1.50` is one euro fifty in euro mode). A register may "
     "take 0 as the department's programmed price."},
    {"", "Rep", "The department (*reparto*) the line is booked to, 1 to 99."},
    {"", "TipoPrezzo",
     "The price type, 1 to 3: which of the department's three programmed prices (`Prezzo1` to "
     "`Prezzo3`) the line refers to."},
    {"", "CodProd", "The product code (a bar code, for instance); forty zeros for none."},
    // Adjustments and payments.
    {"opSubTotAbbuono", "Importo", "The discount, a currency value."},
    {"opContante", "Importo", "The cash handed over, a currency value; omitted, 0."},
    {"", "ImportoAssegno", "The cheque's amount, a currency value."},
    {"", "Perc", "The percentage, in percent with two decimals (`10` is ten percent)."},
    {"opCredCC", "NCartaCC", "The card type, as programmed with `opProgCredCC`."},
    {"opTicket", "NTipoTicket", "The voucher type, as programmed with `opProgTicket`."},
    {"opTicket", "ValoreTicket",
     "The voucher's value, a currency value; a register may take 0 as the value programmed "
     "for its type."},
    // Documents and devices.
    {"", "Font", "The font of the printed line, one digit (1 normal; larger ones above)."},
    {"", "DescRiga", "The text of the line."},
    {"opRigheAgg", "NRiga", "The number of the additional line, one digit."},
    {"opDescAgg", "Descr", "The description to add."},
    {"opMsgVisoreCortesia", "Descr", "The message to show, up to 40 characters."},
    {"", "NumVisore", "The customer display, one digit (0, the default, is the first)."},
    {"", "Cursore", "The cursor's position on the display, in characters (0, the default)."},
    // Programming and readings.
    {"", "Giorno", "The day of the month, 1 to 31."},
    {"", "Mese", "The month, 1 to 12."},
    {"", "Anno", "The year in two digits (`5` is 2005)."},
    {"", "Ore", "The hour, 0 to 23."},
    {"", "Minuti", "The minute, 0 to 59."},
    {"", "NReparto", "The department's number."},
    {"", "DescReparto", "The department's description, printed on its lines."},
    {"", "Prezzo1", "The department's first price (price type 1), a currency value."},
    {"", "Prezzo2", "The department's second price (price type 2), a currency value."},
    {"", "Prezzo3", "The department's third price (price type 3), a currency value."},
    {"", "Item",
     "The department's kind of item, one digit: commonly 0 for sales that count for VAT and "
     "1 for those that do not."},
    {"", "NTassaRep", "The VAT rate of the department, as programmed with `opProgTassa`."},
    {"", "Limite",
     "The largest amount one line of the department may have, a currency value; 0 for no "
     "limit."},
    {"", "GruppoStampa", "The print group the department's lines are gathered under."},
    {"", "SuperGruppoMerceologico", "The merchandise group the department belongs to."},
    {"", "UMFattura",
     "The unit of measure on invoices: two characters (`KG`), or a number written in two "
     "digits."},
    {"", "NTassa", "The VAT rate's number."},
    {"", "Aliquota", "The rate, in percent with two decimals (`22` is 22 %)."},
    {"", "NCartaCC", "The credit-card type's number."},
    {"", "DescCartaCC", "The card type's name, printed with the payment."},
    {"", "NTipoTicket", "The meal-voucher type's number."},
    {"", "DescTicket", "The voucher type's name, printed with the payment."},
    {"", "ValoreTicket", "The voucher type's face value, a currency value."},
    {"", "NumeroOperatore", "The operator's number."},
    {"opXTotOprGior", "NumeroOperatore", "The operator whose totals are printed; 0 for all."},
    {"opXTotOprPer", "NumeroOperatore", "The operator whose totals are printed; 0 for all."},
    {"opZTotOprGior", "NumeroOperatore", "The operator whose totals are printed and reset."},
    {"opZTotOprPer", "NumeroOperatore", "The operator whose totals are printed and reset."},
    {"", "NumeroReparto", "The department whose totals are printed; 0 for all."},
    {"", "DescOpr", "The operator's name."},
    {"", "CodOprSegr", "The operator's secret code, up to four digits."},
    {"", "PerOpr", "The operator's percentage, in percent with two decimals."},
    {"", "NumFlag", "The flag's number."},
    {"", "Flag", "The flag's value, one digit."},
    {"", "NumConf", "The configuration value's number."},
    {"", "Conf", "The configuration value, up to three digits."},
    {"", "NumRiga", "The heading line's number, one digit."},
    {"", "TipoStampa", "The heading line's print type, one digit."},
    {"", "NRigaInt", "The heading line's number."},
    {"", "DescInt", "The heading line's text, up to 27 characters."},
};

}  // namespace

std::span<const ParameterText> ParameterTexts() { return kParameters; }

std::span<const OperationText> OperationTexts() {
  static const std::vector<OperationText> all = [] {
    std::vector<OperationText> rows = ReceiptTexts();
    for (OperationText& text : OtherTexts()) rows.push_back(std::move(text));
    return rows;
  }();
  return all;
}

}  // namespace tavirel::opdoc
