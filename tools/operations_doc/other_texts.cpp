// What the other operations do: documents and devices, programming,
// readings, reports and closures.
#include "descriptions.hpp"

namespace tavirel::opdoc {
namespace {

using G = Group;

const Refusal kOperator{kMancaOperatore, "`CodOpr` is not a programmed operator"};
const Refusal kPaper{kCartaScontrino, "the receipt paper has run out"};
const Refusal kReceiptOpen{kChiudiScontrino, "a receipt is open: close or void it first"};
const Refusal kPaying{kChiudiPagamento, "a receipt is being paid: finish the payment first"};
const Refusal kEntry{kValoreErrato, "the record number is outside the table"};

// A document that prints is refused while a receipt is open and without paper.
std::vector<Refusal> Printing(std::vector<Refusal> more = {}) {
  more.insert(more.end(), {kReceiptOpen, kPaying, kOperator, kPaper});
  return more;
}

// Programming happens between receipts.
std::vector<Refusal> Programming(std::vector<Refusal> more = {}) {
  more.insert(more.begin(), kEntry);
  more.insert(more.end(), {kReceiptOpen, kPaying});
  return more;
}

std::vector<Refusal> Reading() { return {kEntry}; }

std::vector<Refusal> Report() {
  return Printing({{kValoreErrato,
                    "the operator or department number is outside the table "
                    "(0 selects them all)"}});
}

OperationText X(std::string_view name, std::string_view what) {
  return {name, G::Reports, what, Report()};
}
OperationText Z(std::string_view name, std::string_view what) {
  return {name, G::Reports, what, Printing()};
}

std::vector<OperationText> Documents() {
  return {
      {"opIniSNoFisc", G::Documents,
       "Begins a non-fiscal document (*scontrino non fiscale*): free text printed on the "
       "receipt paper, with no fiscal value. Its lines follow with `opDatiSNoFisc`; "
       "`opEndSNoFisc` ends it.",
       Printing()},
      {"opDatiSNoFisc",
       G::Documents,
       "Prints one line of the open non-fiscal document in the font `Font`.",
       {{kSequenzaErrata, "no non-fiscal document is open"},
        {kValoreErrato, "a font the register does not have"},
        kPaper}},
      {"opEndSNoFisc",
       G::Documents,
       "Ends the open non-fiscal document. Its result code comes back inside a `Variant` "
       "(holding an Integer), not as a plain Integer.",
       {{kSequenzaErrata, "no non-fiscal document is open"}, kPaper}},
      {"opDescAgg",
       G::Documents,
       "Adds a line of description (20 characters) to the open receipt, under the line "
       "registered last.",
       {{kSequenzaErrata, "no receipt is open"}, kPaying, kOperator}},
      {"opRigheAgg",
       G::Documents,
       "Sets the additional line `NRiga` (40 characters of text) that the register prints "
       "with its documents.",
       {{kValoreErrato, "the line number is outside the register's additional lines"},
        {kSequenzaErrata, "a non-fiscal document is open"}}},
      {"opMsgVisoreCortesia",
       G::Documents,
       "Shows a message of up to 40 characters on the customer display (*visore di "
       "cortesia*) `NumVisore`, with the cursor at `Cursore`.",
       {{kValoreErrato, "no such display, or the cursor beyond the message"}, kOperator}},
      {"opApriCassetto",
       G::Documents,
       "Opens the cash drawer. The reply carries the date and time and the number of the last "
       "non-fiscal document.",
       {kOperator}},
      {"opBloccoTastiera",
       G::Documents,
       "Locks the register's own keyboard, so that only the host works the register.",
       {kOperator}},
      {"opSBloccoTastiera", G::Documents, "Unlocks the register's keyboard.", {kOperator}},
      {"opRistampaScontr", G::Documents,
       "Prints again the last receipt, as a non-fiscal copy with a number of its own.",
       Printing({{kDatiInesistenti, "there is no receipt to print again"}})},
      {"opRiavvioStampaDaFineCarta",
       G::Documents,
       "Restarts printing after the paper ran out and a new roll was put in.",
       {{kCartaScontrino, "the paper is still out"}}},
      {"opAttivazioneEuro",
       G::Documents,
       "Switches the register itself from lire to euro, once and for good (its programmed "
       "prices are converted). It does not change the control's `EuroSettings`: set that to "
       "euro yourself afterwards.",
       {{kNonPossibile, "the register already works in euro"},
        {kImpossibileOra, "the day has sales not yet closed: make the fiscal closure first"},
        kReceiptOpen}},
  };
}

std::vector<OperationText> ProgrammingTexts() {
  return {
      {"opProgDataOra",
       G::Programming,
       "Sets the register's clock: date and time to the minute.",
       {{kDataErrata, "not a calendar date, or hours and minutes out of range"},
        {kDataInferiore, "a time before the last fiscal closure"},
        kReceiptOpen}},
      {"opProgReparto", G::Programming,
       "Programs a department (*reparto*): its description, three prices, its kind of item, "
       "its VAT rate, a limit on a line's amount, its print group and "
       "merchandise group, and the unit of measure on invoices.",
       Programming({{kNonProgrammato, "a fiscal department on a VAT rate not programmed"}})},
      {"opProgTassa", G::Programming, "Programs a VAT rate (*aliquota*) in percent.",
       Programming({{kImpossibileOra,
                     "the day has sales not yet closed: rates change only "
                     "after the fiscal closure"}})},
      {"opProgCredCC", G::Programming,
       "Programs a credit-card type: the name printed for payments by `opCredCC`.", Programming()},
      {"opProgTicket", G::Programming,
       "Programs a meal-voucher type: its name and face value, for payments by `opTicket`.",
       Programming()},
      {"opProgOpr", G::Programming,
       "Programs an operator (cashier): name, secret code and a percentage.", Programming()},
      {"opProgFlag", G::Programming,
       "Sets one of the register's numbered flags (its options) to a one-digit value.",
       Programming()},
      {"opProgConf", G::Programming,
       "Sets one of the register's numbered configuration values (three digits).", Programming()},
      {"opProgTipoRigaInt", G::Programming,
       "Sets how a heading line is printed (its print type: normal, double height, ...).",
       Programming({{kValoreErrato, "a print type the register does not have"}})},
      {"opProgRigaInt", G::Programming,
       "Sets a heading line (*riga di intestazione*) of 27 characters, printed at the top of "
       "every document: the shop's name, address, VAT number.",
       Programming()},
  };
}

std::vector<OperationText> Readings() {
  return {
      {"opReadDataOra", G::Readings, "Reads the register's clock.", {}},
      {"opReadReparto", G::Readings, "Reads a department as `opProgReparto` programs it.",
       Reading()},
      {"opReadTassa", G::Readings, "Reads a VAT rate.", Reading()},
      {"opReadCredCC", G::Readings, "Reads a credit-card type.", Reading()},
      {"opReadTicket", G::Readings, "Reads a meal-voucher type.", Reading()},
      {"opReadOpr", G::Readings, "Reads an operator.", Reading()},
      {"opReadFlag", G::Readings, "Reads a flag.", Reading()},
      {"opReadConf", G::Readings, "Reads a configuration value.", Reading()},
      {"opReadTipoRigaInt", G::Readings, "Reads the print type of a heading line.", Reading()},
      {"opReadMatrFisc",
       G::Readings,
       "Reads the register's fiscal serial number (*matricola fiscale*).",
       {kOperator}},
  };
}

std::vector<OperationText> Reports() {
  return {
      X("opXTotFinGior",
        "Prints the X report of the day's financial totals: a reading that "
        "resets nothing."),
      X("opXTotRepGior",
        "Prints the X report of the day's totals of one department, or of all "
        "with `NumeroReparto` 0."),
      X("opXTotOreGior", "Prints the X report of the day's totals by hour."),
      X("opXTotOprGior",
        "Prints the X report of the day's totals of one operator, or of all "
        "with `NumeroOperatore` 0."),
      X("opXTotFinPer", "Prints the X report of the period's financial totals."),
      X("opXTotRepPer", "Prints the X report of the period's totals of one department."),
      X("opXTotOrePer", "Prints the X report of the period's totals by hour."),
      X("opXTotOprPer", "Prints the X report of the period's totals of one operator."),
      {"opZChiusuraFisc", G::Reports,
       "Makes the daily fiscal closure: the day's totals go into the fiscal memory and are "
       "reset, and the closure prints as a fiscal document. Once a day, after the last "
       "receipt; it can take up to a minute.",
       Printing({{kDataInferiore, "the clock is before the last closure"},
                 {kNonPossibile, "the fiscal memory is full"}})},
      Z("opZTotFinGior",
        "Prints the Z report of the day's financial totals and resets them; the "
        "reply carries both document numbers."),
      Z("opZTotOreGior", "Prints the Z report of the day's totals by hour and resets them."),
      {"opZTotOprGior", G::Reports,
       "Prints the Z report of the day's totals of one operator and resets them.", Report()},
      Z("opZTotFinPer", "Prints the Z report of the period's financial totals and resets them."),
      Z("opZTotOrePer", "Prints the Z report of the period's totals by hour and resets them."),
      {"opZTotOprPer", G::Reports,
       "Prints the Z report of the period's totals of one operator and resets them.", Report()},
      {"opZFiscMem", G::Reports,
       "Prints the report of the fiscal memory: the closures it holds. It can take up to two "
       "minutes.",
       Printing()},
  };
}

}  // namespace

std::vector<OperationText> OtherTexts() {
  std::vector<OperationText> texts = Documents();
  for (auto* part : {ProgrammingTexts, Readings, Reports}) {
    for (OperationText& text : part()) texts.push_back(std::move(text));
  }
  return texts;
}

}  // namespace tavirel::opdoc
