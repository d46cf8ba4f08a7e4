#include "command_table.hpp"

#include <array>

#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {
namespace {

// What each command may change besides the head (numbers, phase, flags).
constexpr unsigned kNone = 0;
constexpr unsigned kHead = kHeadPart;
constexpr unsigned kTables = kTablesPart;
constexpr unsigned kDisplays = kDisplaysPart;
constexpr unsigned kFooter = kFooterPart;
constexpr unsigned kTotals = kTotalsPart;
constexpr unsigned kTail = kReceiptTailPart;
constexpr unsigned kWhole = kReceiptWholePart;
constexpr unsigned kMemory = kMemoryPart;

constexpr std::array kCommands = {
    CommandEntry{1003, SaleLine, Where::SaleEntry, true, kTail | kDisplays},
    CommandEntry{1004, SaleLine, Where::SaleEntry, true, kTail | kDisplays},
    CommandEntry{1005, SaleLine, Where::SaleEntry, true, kTail | kDisplays},
    CommandEntry{1009, SaleLine, Where::SaleEntry, true, kTail | kDisplays},
    CommandEntry{1010, SaleLine, Where::SaleEntry, true, kTail | kDisplays},
    CommandEntry{1011, SaleLine, Where::SaleEntry, true, kTail | kDisplays},
    CommandEntry{1015, SaleLine, Where::SaleEntry, true, kTail | kDisplays},
    CommandEntry{1016, SaleLine, Where::SaleEntry, true, kTail | kDisplays},
    CommandEntry{1017, SaleLine, Where::SaleEntry, true, kTail | kDisplays},
    CommandEntry{1024, AmountDiscount, Where::SaleEntry, true, kTail},
    CommandEntry{1025, PercentAdjustment, Where::SaleEntry, true, kTail},
    CommandEntry{1026, PercentAdjustment, Where::SaleEntry, true, kTail},
    CommandEntry{1027, Correction, Where::SaleEntry, true, kTail},
    CommandEntry{1028, VoidReceipt, Where::SaleEntry, true, kWhole | kTotals | kFooter},
    CommandEntry{1036, CashOrCheque, Where::Payment, true, kWhole | kTotals | kFooter | kDisplays},
    CommandEntry{1044, CashOrCheque, Where::Payment, true, kWhole | kTotals | kFooter | kDisplays},
    CommandEntry{1045, CreditCard, Where::Payment, true, kWhole | kTotals | kFooter | kDisplays},
    CommandEntry{1046, Ticket, Where::Payment, true, kWhole | kTotals | kFooter | kDisplays},
    CommandEntry{1047, Reprint, Where::IdleOnly, true, kHead},
    CommandEntry{1050, OpenDrawer, Where::Anytime, false, kNone},
    CommandEntry{1051, Subtotal, Where::Payment, true, kTail | kDisplays},
    CommandEntry{1055, Keyboard, Where::Anytime, false, kHead},
    CommandEntry{1056, Keyboard, Where::Anytime, false, kHead},
    CommandEntry{1062, DisplayMessage, Where::Anytime, false, kDisplays},
    CommandEntry{1063, BeginNonFiscal, Where::IdleOnly, true, kHead},
    CommandEntry{1064, NonFiscalLine, Where::NonFiscalOnly, true, kHead},
    CommandEntry{1065, EndNonFiscal, Where::NonFiscalOnly, true, kHead},
    CommandEntry{1066, AdditionalDescription, Where::SaleEntry, true, kTail},
    CommandEntry{1067, FooterLine, Where::NotNonFiscal, false, kFooter},
    CommandEntry{1149, RestartAfterPaperEnd, Where::Anytime, false, kHead},
    CommandEntry{2001, XReport, Where::IdleOnly, true, kHead},
    CommandEntry{2003, XReport, Where::IdleOnly, true, kHead},
    CommandEntry{2005, XReport, Where::IdleOnly, true, kHead},
    CommandEntry{2006, XReport, Where::IdleOnly, true, kHead},
    CommandEntry{2007, XReport, Where::IdleOnly, true, kHead},
    CommandEntry{2009, XReport, Where::IdleOnly, true, kHead},
    CommandEntry{2011, XReport, Where::IdleOnly, true, kHead},
    CommandEntry{2012, XReport, Where::IdleOnly, true, kHead},
    CommandEntry{3001, FiscalClosure, Where::IdleOnly, true, kTotals | kMemory},
    CommandEntry{3002, ZReport, Where::IdleOnly, true, kTotals},
    CommandEntry{3005, ZReport, Where::IdleOnly, true, kTotals},
    CommandEntry{3006, ZReport, Where::IdleOnly, true, kTotals},
    CommandEntry{3007, ZReport, Where::IdleOnly, true, kTotals},
    CommandEntry{3010, ZReport, Where::IdleOnly, true, kTotals},
    CommandEntry{3011, ZReport, Where::IdleOnly, true, kTotals},
    CommandEntry{3015, FiscalMemoryReport, Where::IdleOnly, true, kHead},
    CommandEntry{3016, ProgramHeaderLine, Where::IdleOnly, false, kTables},
    CommandEntry{3018, SwitchToEuro, Where::IdleOnly, false, kTables},
    CommandEntry{3217, ReadSerial, Where::Anytime, false, kNone},
    CommandEntry{4001, ProgramDateTime, Where::IdleOnly, false, kHead},
    CommandEntry{4002, ProgramDepartment, Where::IdleOnly, false, kTables},
    CommandEntry{4005, ProgramVatRate, Where::IdleOnly, false, kTables},
    CommandEntry{4007, ProgramCard, Where::IdleOnly, false, kTables},
    CommandEntry{4010, ProgramTicket, Where::IdleOnly, false, kTables},
    CommandEntry{4013, ProgramOperator, Where::IdleOnly, false, kTables},
    CommandEntry{4014, ProgramFlag, Where::IdleOnly, false, kTables},
    CommandEntry{4015, ProgramConf, Where::IdleOnly, false, kTables},
    CommandEntry{4016, ProgramLineType, Where::IdleOnly, false, kTables},
    CommandEntry{4201, ReadDateTime, Where::Anytime, false, kNone},
    CommandEntry{4202, ReadTable, Where::Anytime, false, kNone},
    CommandEntry{4205, ReadTable, Where::Anytime, false, kNone},
    CommandEntry{4207, ReadTable, Where::Anytime, false, kNone},
    CommandEntry{4210, ReadTable, Where::Anytime, false, kNone},
    CommandEntry{4213, ReadTable, Where::Anytime, false, kNone},
    CommandEntry{4214, ReadTable, Where::Anytime, false, kNone},
    CommandEntry{4215, ReadTable, Where::Anytime, false, kNone},
    CommandEntry{4216, ReadTable, Where::Anytime, false, kNone},
};

}  // namespace

const CommandEntry* FindCommand(int code) {
  for (const auto& entry : kCommands) {
    if (entry.code == code) return &entry;
  }
  return nullptr;
}

int SequenceRefusal(Where where, Phase phase) {
  switch (where) {
    case Where::Anytime: return 0;
    case Where::SaleEntry:
      if (phase == Phase::Payment) return perr::kChiudiPagamento;
      return phase == Phase::NonFiscal ? perr::kSequenzaErrata : 0;
    case Where::Payment:
      return phase == Phase::Sale || phase == Phase::Payment ? 0 : perr::kSequenzaErrata;
    case Where::IdleOnly:
      if (phase == Phase::Sale) return perr::kChiudiScontrino;
      if (phase == Phase::Payment) return perr::kChiudiPagamento;
      return phase == Phase::NonFiscal ? perr::kSequenzaErrata : 0;
    case Where::NonFiscalOnly: return phase == Phase::NonFiscal ? 0 : perr::kSequenzaErrata;
    case Where::NotNonFiscal: return phase == Phase::NonFiscal ? perr::kSequenzaErrata : 0;
  }
  return 0;
}

}  // namespace tavirel::sim
