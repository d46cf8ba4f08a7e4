#pragma once
// Everything the simulated register keeps: its tables, counters, the open
// document, the totals of its reports and of the fiscal day. Plain values, so
// a command can work on a copy and be committed whole or not at all.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tavirel/sim/civil_time.hpp"
#include "tavirel/sim/paper.hpp"

namespace tavirel::sim {

// Sizes of the tables; entries are numbered from 1.
inline constexpr int kDepartments = 40;
inline constexpr int kVatRates = 8;
inline constexpr int kCardTypes = 10;
inline constexpr int kTicketTypes = 10;
inline constexpr int kOperators = 12;
inline constexpr int kFlags = 30;
inline constexpr int kConfValues = 30;
inline constexpr int kHeaderLines = 9;
inline constexpr int kFooterLines = 9;
inline constexpr int kDisplays = 2;
inline constexpr int kFiscalMemoryCapacity = 2000;

struct Department {
  bool programmed = false;
  std::string description;         // 20 characters as programmed
  std::array<Amount, 3> prices{};  // by price type 1..3
  int item = 0;                    // 0 fiscal sale, 1 non-fiscal amount
  int vat = 0;                     // VAT rate number
  Amount limit = 0;                // largest line amount, 0 for none
  int print_group = 0;
  int super_group = 0;
  std::string unit = "00";  // two characters
  friend bool operator==(const Department&, const Department&) = default;
};

struct VatRate {
  bool programmed = false;
  int hundredths = 0;  // 2200 is 22%
  friend bool operator==(const VatRate&, const VatRate&) = default;
};

struct NamedEntry {  // card types
  bool programmed = false;
  std::string description;
  friend bool operator==(const NamedEntry&, const NamedEntry&) = default;
};

struct TicketType {
  bool programmed = false;
  std::string description;
  Amount value = 0;
  friend bool operator==(const TicketType&, const TicketType&) = default;
};

struct Operator {
  bool programmed = false;
  std::string name;
  int secret = 0;
  int percent = 0;  // hundredths
  friend bool operator==(const Operator&, const Operator&) = default;
};

struct HeaderLine {
  std::string text;  // 27 characters as programmed, blank when unused
  friend bool operator==(const HeaderLine&, const HeaderLine&) = default;
};

/// Tables indexed by their number; index 0 is unused.
struct Tables {
  std::vector<Department> departments;
  std::vector<VatRate> vat_rates;
  std::vector<NamedEntry> card_types;
  std::vector<TicketType> ticket_types;
  std::vector<Operator> operators;
  std::vector<int> flags;
  std::vector<int> conf;
  std::vector<HeaderLine> header;
  static Tables Defaults();
  friend bool operator==(const Tables&, const Tables&) = default;
};

enum class PayKind { Cash = 0, Cheque = 1, Card = 2, Ticket = 3 };
using PaymentTotals = std::array<Amount, 4>;

/// One accumulator of the financial reports.
struct FinancialTotals {
  Amount sales = 0;       // fiscal sale lines
  Amount returns = 0;     // returned goods
  Amount line_voids = 0;  // voided lines
  Amount discounts = 0;
  Amount surcharges = 0;
  Amount non_fiscal = 0;  // lines on non-fiscal departments, net
  Amount voided_receipts_amount = 0;
  int receipts = 0;
  int voided_receipts = 0;
  PaymentTotals payments{};
  Amount change = 0;
  /// What the closed receipts came to: sales less returns, voids, discounts,
  /// plus surcharges and non-fiscal amounts.
  [[nodiscard]] Amount Net() const;
  friend bool operator==(const FinancialTotals&, const FinancialTotals&) = default;
};

struct CountAmount {
  int count = 0;
  Amount amount = 0;
  std::int64_t quantity = 0;  // thousandths, departments only
  friend bool operator==(const CountAmount&, const CountAmount&) = default;
};

/// Totals of one report period (daily or periodic).
struct ReportTotals {
  FinancialTotals financial;
  std::vector<CountAmount> by_department;  // 0..kDepartments
  std::vector<CountAmount> by_operator;    // 0..kOperators
  std::vector<CountAmount> by_hour;        // 0..23
  static ReportTotals Empty();
  friend bool operator==(const ReportTotals&, const ReportTotals&) = default;
};

/// The fiscal day: what the next closure writes into the fiscal memory.
struct FiscalDay {
  std::vector<Amount> by_vat;  // 0..kVatRates: amounts including VAT
  FinancialTotals totals;
  int first_receipt = 0;
  int last_receipt = 0;
  static FiscalDay Empty();
  /// True when a receipt was closed or voided since the last closure.
  [[nodiscard]] bool HasActivity() const;
  friend bool operator==(const FiscalDay&, const FiscalDay&) = default;
};

struct VatLine {
  int number = 0;
  int hundredths = 0;
  Amount gross = 0;  // including VAT
  Amount tax = 0;
  friend bool operator==(const VatLine&, const VatLine&) = default;
};

/// One record of the fiscal memory, written by a fiscal closure.
struct FiscalRecord {
  int number = 0;
  CivilTime at;
  CurrencyUnit currency = CurrencyUnit::Euro;
  std::vector<VatLine> vat;
  Amount total = 0;  // fiscal amount of the day
  Amount non_fiscal = 0;
  Amount returns = 0;
  Amount voided = 0;
  int receipts = 0;
  int voided_receipts = 0;
  int first_receipt = 0;
  int last_receipt = 0;
  PaymentTotals payments{};
  Amount grand_total = 0;  // running fiscal total since the register was new
  friend bool operator==(const FiscalRecord&, const FiscalRecord&) = default;
};

enum class EntryKind {
  Sale,
  Return,
  LineVoid,
  AmountDiscount,
  PercentDiscount,
  PercentSurcharge,
  Description
};

/// One entry of the open receipt.
struct ReceiptEntry {
  EntryKind kind = EntryKind::Sale;
  int department = 0;
  std::string description;
  std::string product_code;
  std::int64_t quantity = 0;  // thousandths
  Amount unit_price = 0;
  Amount amount = 0;           // effect on the receipt, signed
  std::vector<Amount> by_vat;  // effect per VAT rate (fiscal entries), signed
  bool fiscal = true;
  int percent = 0;  // hundredths, percentage adjustments
  bool corrected = false;
  friend bool operator==(const ReceiptEntry&, const ReceiptEntry&) = default;
};

enum class Phase { Idle, Sale, Payment, NonFiscal };

struct OpenReceipt {
  std::vector<ReceiptEntry> entries;
  PaymentTotals paid{};
  int operator_code = 0;
  bool correctable = false;        // the last entry may be corrected
  std::vector<std::string> lines;  // as printed so far
  // Running sums of the entries that stand, kept as entries come and go so no
  // command adds up the whole receipt (derived from the entries, not saved).
  std::vector<Amount> fiscal_by_vat = std::vector<Amount>(kVatRates + 1, 0);
  Amount non_fiscal_sum = 0;
  friend bool operator==(const OpenReceipt&, const OpenReceipt&) = default;
};

struct DisplayState {
  std::string text;  // 40 characters
  int cursor = 0;
  friend bool operator==(const DisplayState&, const DisplayState&) = default;
};

/// The register's whole state except its fiscal memory.
struct RegisterState {
  std::int32_t serial = 123456;  // six-digit fiscal serial number
  CurrencyUnit currency = CurrencyUnit::Euro;
  std::int64_t clock_offset = 0;  // register clock minus wall clock, seconds
  Tables tables = Tables::Defaults();
  // Print type of each header line: 0 normal, 1 double width, 2 double height, 3 both.
  std::vector<int> line_types = std::vector<int>(kHeaderLines + 1, 0);
  int receipt_number = 0;     // last fiscal receipt of the day
  int non_fiscal_number = 0;  // last non-fiscal document of the day
  int closure_number = 0;     // last fiscal closure
  Amount grand_total = 0;
  CivilTime last_closure_at{};  // before any closure: 1 January 2000
  /// When the day's first receipt was opened; none while the day has none.
  /// A day begun more than 24 hours ago must be closed before a new receipt.
  std::optional<CivilTime> day_opened_at;
  Phase phase = Phase::Idle;
  OpenReceipt receipt;
  std::vector<std::string> footer = std::vector<std::string>(kFooterLines + 1);
  std::vector<DisplayState> displays = std::vector<DisplayState>(kDisplays);
  bool keyboard_locked = false;
  bool paper_out = false;                 // no paper in the printer
  bool printing_suspended = false;        // stopped at paper end until restarted
  std::vector<std::string> last_receipt;  // lines, for the reprint
  int non_fiscal_lines = 0;               // text lines of the open non-fiscal document
  std::uint64_t documents = 0;            // documents finished since the register was new
  PaperRecord last_document;              // the last of them, as on the paper
  ReportTotals daily = ReportTotals::Empty();
  ReportTotals periodic = ReportTotals::Empty();
  FiscalDay day = FiscalDay::Empty();
  friend bool operator==(const RegisterState&, const RegisterState&) = default;
};

}  // namespace tavirel::sim
