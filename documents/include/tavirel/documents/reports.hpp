#pragma once
// The reports a document of type "report" can name: one row per X and Z
// report, the fiscal closure and the fiscal memory report. Constant data:
// safe from any thread.
#include <span>
#include <string_view>

namespace tavirel::documents {

struct ReportKind {
  std::string_view name;     // "x-financial-daily", "fiscal-closure", ...
  std::string_view member;   // the control's operation: "opXTotFinGior", ...
  bool takes_number;         // per operator or per department: "number" is sent
  std::string_view meaning;  // a few words for help texts
};

/// Every report, in the order of their command codes.
std::span<const ReportKind> Reports();
/// The report of that name, or nullptr.
const ReportKind* FindReport(std::string_view name);

}  // namespace tavirel::documents
