// What the receipt operations do: sale lines, adjustments and payments.
#include "descriptions.hpp"

namespace tavirel::opdoc {
namespace {

using G = Group;

// A line of any kind is refused for the same reasons.
std::vector<Refusal> LineRefusals() {
  return {
      {kNonProgrammato,
       "the department is not programmed, or `Prezzo` is 0 and the "
       "department has no price of that type"},
      {kSuperaLimite, "the line amount is over the department's limit (`Limite`)"},
      {kValoreErrato, "a quantity of 0, or a price type other than 1 to 3"},
      {kChiudiPagamento, "a payment has begun: finish it first"},
      {kMancaOperatore, "`CodOpr` is not a programmed operator"},
      {kCartaScontrino, "the receipt paper has run out"},
  };
}

std::vector<Refusal> VoidRefusals() {
  std::vector<Refusal> refusals = LineRefusals();
  refusals.insert(refusals.begin(), {kDatiInesistenti,
                                     "the open receipt has no such line (same department and "
                                     "price, at least that quantity) to void"});
  return refusals;
}

std::vector<Refusal> NeedsOpenReceipt(std::vector<Refusal> more = {}) {
  more.push_back({kSequenzaErrata, "no receipt is open, or the step comes out of order"});
  more.push_back({kMancaOperatore, "`CodOpr` is not a programmed operator"});
  return more;
}

}  // namespace

std::vector<OperationText> ReceiptTexts() {
  return {
      {"opReparto", G::Sales,
       "Sells one piece on a department: one line of a fiscal receipt. The first line opens the "
       "receipt; the receipt stays open until a payment closes it or `opVoidTot` voids it.",
       LineRefusals()},
      {"opRepartoQInt", G::Sales,
       "Sells a whole number of pieces on a department (`Qta`), at the unit price `Prezzo`; the "
       "register multiplies.",
       LineRefusals()},
      {"opRepartoQDec", G::Sales,
       "Sells a quantity with decimals on a department (`QtaDec`, up to three decimals: a weight, "
       "a length), at the unit price `Prezzo`.",
       LineRefusals()},
      {"opRepartoReso", G::Sales,
       "Takes back one piece (a return, *reso*): a line that subtracts its amount from the "
       "receipt.",
       LineRefusals()},
      {"opRepartoResoQInt", G::Sales, "Takes back a whole number of pieces (`Qta`).",
       LineRefusals()},
      {"opRepartoResoQDec", G::Sales, "Takes back a quantity with decimals (`QtaDec`).",
       LineRefusals()},
      {"opRepartoStorno", G::Sales,
       "Voids one piece of a line already on the open receipt (*storno*): same department and "
       "price as the line it takes back.",
       VoidRefusals()},
      {"opRepartoStornoQInt", G::Sales,
       "Voids a whole number of pieces (`Qta`) of a line already on the open receipt.",
       VoidRefusals()},
      {"opRepartoStornoQDec", G::Sales,
       "Voids a quantity with decimals (`QtaDec`) of a line already on the open receipt.",
       VoidRefusals()},

      {"opSubTot", G::Adjustments,
       "Asks for the running subtotal of the open receipt and prints it. Before any payment "
       "the register answers with reply code 1051 (`OP_CODE_SUBT`) and the fiscal and "
       "non-fiscal subtotals; once a payment has begun, with 1181 (`OP_CODE_SUBT_RIM`) and the "
       "amount still to pay. Read `LastOPCode` to know which values were filled.",
       NeedsOpenReceipt()},
      {"opSubTotAbbuono", G::Adjustments,
       "Takes a discount of a fixed amount (*abbuono*) off the subtotal of the open receipt.",
       NeedsOpenReceipt({{kValoreErrato, "an amount of 0"},
                         {kSuperaValore, "the discount is more than the subtotal"}})},
      {"opSubTotPercPlus", G::Adjustments,
       "Adds a surcharge of a percentage of the subtotal (`Perc`) to the open receipt.",
       NeedsOpenReceipt({{kValoreErrato, "a percentage of 0"}})},
      {"opSubTotPercMinus", G::Adjustments,
       "Takes a discount of a percentage of the subtotal (`Perc`) off the open receipt.",
       NeedsOpenReceipt({{kValoreErrato, "a percentage of 0, or one that leaves nothing"}})},
      {"opCorr", G::Adjustments,
       "Corrects (cancels) the last line registered on the open receipt, as the register's "
       "correction key does. Only the line just registered can be corrected, once.",
       NeedsOpenReceipt({{kDatiInesistenti, "the receipt has no line to correct"}})},
      {"opVoidTot", G::Adjustments,
       "Voids the whole open receipt: nothing of it is booked. The reply gives the totals that "
       "were voided and the number of the voided document.",
       NeedsOpenReceipt()},

      {"opContante", G::Payments,
       "Pays the open receipt, or part of it, in cash. `Importo` omitted goes out as 0, which "
       "registers commonly take as the exact amount due. Reply code 1171 (`OP_CODE_CONT_RIM`): the "
       "payment "
       "did not cover the total, `LastRim` is still to pay; 1172 (`OP_CODE_CONT_REST`): the "
       "receipt is closed, `LastRest` is the change and `LastNumSF` the receipt's number.",
       NeedsOpenReceipt({{kCartaScontrino, "the receipt paper has run out"}})},
      {"opAssegno", G::Payments,
       "Pays the open receipt, or part of it, by cheque. Reply code 1175 "
       "(`OP_CODE_ASSEG_RIM`): an amount is still to pay; 1176 (`OP_CODE_ASSEG_REST`): the "
       "receipt is closed.",
       NeedsOpenReceipt({{kCartaScontrino, "the receipt paper has run out"}})},
      {"opCredCC", G::Payments,
       "Pays what is still due on the open receipt by credit card, of a card type programmed "
       "with `opProgCredCC`; this closes the receipt.",
       NeedsOpenReceipt({{kNonProgrammato, "the card type is not programmed"}})},
      {"opTicket", G::Payments,
       "Pays with a meal voucher (*ticket*) of a type programmed with `opProgTicket`. Reply "
       "code 1179 (`OP_CODE_TICKET_RIM`): an amount is still to pay; 1180 "
       "(`OP_CODE_TICKET_REST`): the receipt is closed.",
       NeedsOpenReceipt({{kNonProgrammato, "the voucher type is not programmed"},
                         {kValoreErrato, "`ValoreTicket` is 0 and the type has no value"}})},
  };
}

}  // namespace tavirel::opdoc
