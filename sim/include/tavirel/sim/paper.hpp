#pragma once
// The paper record: one line of JSON for every document the register
// finished (a receipt closed or voided, a non-fiscal document, a report, a
// fiscal closure), so a host or a test can check what the register really
// printed. Plain values; every function here is thread-safe.
#include <cstdint>
#include <string>
#include <string_view>

namespace tavirel::sim {

/// Money in the register's unit: whole lire, or euro cents.
using Amount = std::int64_t;

enum class CurrencyUnit { Lire, Euro };

enum class PaperKind { Receipt, Voided, NonFiscal, Report, FiscalClosure };

/// One finished document as the register records it.
struct PaperRecord {
  PaperKind kind = PaperKind::Receipt;
  /// The register's running count of finished documents: 1 for its first.
  std::uint64_t seq = 0;
  /// The number the register gave the document (SF., SNF., Z.).
  int number = 0;
  /// A receipt's total; for a voided receipt what it came to before the void;
  /// for a closure the day's fiscal total; 0 for the others.
  Amount total = 0;
  CurrencyUnit currency = CurrencyUnit::Euro;
  /// Sale, return and void lines of a receipt (corrected ones left out), the
  /// text lines of a non-fiscal document, the printed lines of the others.
  int lines = 0;
  std::int32_t serial = 0;  // the fiscal serial number
  std::string report;       // a report's name ("x-financial-daily", ...), else empty
  friend bool operator==(const PaperRecord&, const PaperRecord&) = default;
};

/// "receipt", "voided", "non-fiscal", "report", "fiscal-closure".
std::string_view PaperKindName(PaperKind kind);
/// "12.34" in euro cents, "1500" in lire; a minus sign when negative.
std::string DecimalText(Amount amount, CurrencyUnit unit);
/// The record as one line of JSON, without its newline. Fields in this order:
/// kind, number, total, lines, serial (six digits, as text), report (reports
/// only), seq.
std::string PaperLine(const PaperRecord& record);
/// A line written by PaperLine, read back. Throws SimError naming what is
/// wrong when the text is not such a line.
PaperRecord ParsePaperLine(std::string_view line);

}  // namespace tavirel::sim
