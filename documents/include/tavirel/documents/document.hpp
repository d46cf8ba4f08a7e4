#pragma once
// A document: one receipt, non-fiscal document, report, reprint or
// programming of the register's tables, as a plain value.
// Amounts, percentages and quantities are decimal text ("1.50", "10",
// "1.250"), in the currency of the control's mode; they are never held in
// binary floating point. The JSON form is document_json.hpp's.
//
// Values only: copy and share them freely between threads.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tavirel::documents {

enum class DocumentType { Receipt, NonFiscal, Report, Reprint, Programming };

/// A line of a receipt: a sale, a return, a void of an earlier line (the
/// ...Storno operations) or an additional description.
enum class LineType { Sale, Return, Void, Text };

struct ReceiptLine {
  LineType type = LineType::Sale;
  std::int64_t department = 0;  // sale, return, void
  std::string description;      // sale, return, void (at most 20 characters)
  std::string price;            // decimal text; "0" takes the department's price
  /// Absent: one piece (the plain operation). Without a decimal point: a
  /// whole quantity (...QInt). With one: a decimal quantity (...QDec).
  std::optional<std::string> quantity;
  std::optional<std::int64_t> price_type;  // 1 when absent
  std::optional<std::string> code;         // product code, at most 40 characters
  std::string text;                        // Text lines only (at most 20 characters)
  friend bool operator==(const ReceiptLine&, const ReceiptLine&) = default;
};

enum class AdjustmentType { DiscountPercent, SurchargePercent, Discount };

/// A discount or surcharge on the subtotal, after every line.
struct Adjustment {
  AdjustmentType type = AdjustmentType::Discount;
  std::string percent;  // the percentage kinds
  std::string amount;   // Discount
  friend bool operator==(const Adjustment&, const Adjustment&) = default;
};

enum class PaymentType { Cash, Cheque, Card, Ticket };

struct Payment {
  PaymentType type = PaymentType::Cash;
  /// Cash and cheque: absent pays the rest. Ticket: the voucher's value.
  std::optional<std::string> amount;
  std::int64_t card = 0;    // Card: the card type's number (pays the rest)
  std::int64_t ticket = 0;  // Ticket: the voucher type's number
  friend bool operator==(const Payment&, const Payment&) = default;
};

/// A line of a non-fiscal document.
struct TextLine {
  std::string text;  // at most 40 characters
  std::int64_t font = 1;
  friend bool operator==(const TextLine&, const TextLine&) = default;
};

/// One entry of a register table in a programming document.
struct TableEntry {
  std::int64_t number = 0;  // the entry's number in its table, from 1
  /// The fields given, by their names in ProgramTables() (programming.hpp):
  /// "description", "prices[1]", "rate". Texts as given, whole numbers and
  /// amounts as decimal text. A field left out keeps what the register holds.
  std::map<std::string, std::string> values;
  friend bool operator==(const TableEntry&, const TableEntry&) = default;
};

struct Document {
  /// The caller's name for this document; the same key never prints twice.
  std::string key;
  DocumentType type = DocumentType::Receipt;
  std::int64_t operator_code = 1;  // "operator" in JSON
  // Receipt
  std::vector<ReceiptLine> lines;
  std::vector<Adjustment> adjustments;
  std::vector<Payment> payments;
  // Non-fiscal document
  std::vector<TextLine> text_lines;
  // Report: the name of one of Reports() (reports.hpp)
  std::string report;
  /// The operator or department a per-operator or per-department report is
  /// about (0: all); absent for the others.
  std::optional<std::int64_t> report_number;
  // Programming
  /// The caller's number for this set of tables, given back in the outcome.
  std::optional<std::int64_t> version;
  /// The entries given for each table, by the table's name ("departments",
  /// "vat", "operators", "cards", "tickets", "flags", "config", "header").
  std::map<std::string, std::vector<TableEntry>> tables;
  /// Present: the register's clock is set from the host's when it is off by
  /// more than this many seconds.
  std::optional<std::int64_t> clock_max_drift_s;
  /// Any type but programming: "YYYY-MM-DDTHH:MM:SSZ" (or with an offset,
  /// "+01:00"); not started by then, it is not printed (Status::Expired).
  std::optional<std::string> expires_at;
  friend bool operator==(const Document&, const Document&) = default;
};

}  // namespace tavirel::documents
