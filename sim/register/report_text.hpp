#pragma once
// The sections of the X and Z reports as printed.
#include "context.hpp"

namespace tavirel::sim {

void PrintFinancial(Context& c, DocumentKind k, const FinancialTotals& t);
/// One department (1..) or all that have totals (0).
void PrintDepartments(Context& c, DocumentKind k, const ReportTotals& t, int number);
void PrintHours(Context& c, DocumentKind k, const ReportTotals& t);
/// One operator or all that have totals (0).
void PrintOperators(Context& c, DocumentKind k, const ReportTotals& t, int number);

}  // namespace tavirel::sim
