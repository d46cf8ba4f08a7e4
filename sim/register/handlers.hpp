#pragma once
// The register's command handlers. Each reads its command, checks the
// register's rules (throwing Refusal before it is done), changes the working
// copy of the state and returns the reply payload.
#include <string>

#include "command_reader.hpp"
#include "context.hpp"

namespace tavirel::sim {

using Handler = std::string (*)(Context&, const Command&);

// Receipt lines (receipt_lines.cpp)
std::string SaleLine(Context& c, const Command& cmd);
std::string AdditionalDescription(Context& c, const Command& cmd);
std::string Correction(Context& c, const Command& cmd);
std::string VoidReceipt(Context& c, const Command& cmd);

// Subtotal, adjustments, payments (payments.cpp)
std::string Subtotal(Context& c, const Command& cmd);
std::string AmountDiscount(Context& c, const Command& cmd);
std::string PercentAdjustment(Context& c, const Command& cmd);
std::string CashOrCheque(Context& c, const Command& cmd);
std::string CreditCard(Context& c, const Command& cmd);
std::string Ticket(Context& c, const Command& cmd);

// Documents and devices (documents.cpp)
std::string Reprint(Context& c, const Command& cmd);
std::string OpenDrawer(Context& c, const Command& cmd);
std::string Keyboard(Context& c, const Command& cmd);
std::string DisplayMessage(Context& c, const Command& cmd);
std::string BeginNonFiscal(Context& c, const Command& cmd);
std::string NonFiscalLine(Context& c, const Command& cmd);
std::string EndNonFiscal(Context& c, const Command& cmd);
std::string FooterLine(Context& c, const Command& cmd);
std::string RestartAfterPaperEnd(Context& c, const Command& cmd);
std::string SwitchToEuro(Context& c, const Command& cmd);

// Programming (programming.cpp)
std::string ProgramDateTime(Context& c, const Command& cmd);
std::string ProgramDepartment(Context& c, const Command& cmd);
std::string ProgramVatRate(Context& c, const Command& cmd);
std::string ProgramCard(Context& c, const Command& cmd);
std::string ProgramTicket(Context& c, const Command& cmd);
std::string ProgramOperator(Context& c, const Command& cmd);
std::string ProgramFlag(Context& c, const Command& cmd);
std::string ProgramConf(Context& c, const Command& cmd);
std::string ProgramLineType(Context& c, const Command& cmd);
std::string ProgramHeaderLine(Context& c, const Command& cmd);

// Readings (readings.cpp)
std::string ReadDateTime(Context& c, const Command& cmd);
std::string ReadTable(Context& c, const Command& cmd);
std::string ReadSerial(Context& c, const Command& cmd);

// Reports and closures (reports.cpp, closure.cpp)
std::string XReport(Context& c, const Command& cmd);
std::string ZReport(Context& c, const Command& cmd);
std::string FiscalClosure(Context& c, const Command& cmd);
std::string FiscalMemoryReport(Context& c, const Command& cmd);

// Shared checks
/// The table entry `number` must lie within 1..`size`, else error 13.
void CheckEntry(int number, int size);
/// A new fiscal or non-fiscal number must fit four digits, else error 18.
int NextNumber(int& counter);
/// Amount unit name printed on totals: "EURO" or "LIRE".
const char* UnitName(CurrencyUnit unit);

}  // namespace tavirel::sim
