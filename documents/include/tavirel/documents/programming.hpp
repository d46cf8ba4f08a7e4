#pragma once
// The register's tables a programming document sets: one row per table with
// its programming operation, its reading (the reply lays the record out like
// the command) and its fields in the command's order. The runner, preflight
// and the JSON reader all work from these rows. Constant data: safe from any
// thread.
#include <span>
#include <string_view>

namespace tavirel::documents {

/// How a field's value is written in a document and compared with the register's.
enum class FieldKind {
  Whole,    // a whole number in a digit field
  Text,     // a text field; blanks around the text are not kept
  Money,    // an amount in the control's currency, decimal text
  Percent,  // a percentage with at most two decimals, decimal text
  Unit,     // the invoice unit of measure: two characters, or a number up to 99
  Secret,   // a whole number that outcomes never show (an operator's secret code)
};

struct ProgramField {
  /// The field's name in the document: "description", "rate"; the three
  /// department prices are "prices[0]" to "prices[2]", the list "prices".
  std::string_view name;
  FieldKind kind;
  int width;                  // its characters in the command (a unit's nominal 2)
  std::string_view param;     // the programming operation's parameter: "DescReparto"
  std::string_view property;  // the result property its reading fills ("" without a reading)
};

struct ProgramTable {
  std::string_view name;                 // the document's list: "departments", "vat", ...
  std::string_view program;              // the operation that writes one entry: "opProgReparto"
  std::string_view read;                 // the operation that reads one back; "" when there is none
  int number_width;                      // the number's digits in the command
  std::string_view number_param;         // the entry's number among the program's parameters
  std::string_view number_property;      // and among the reading's result properties
  std::span<const ProgramField> fields;  // after the number, in the command's order
  std::string_view meaning;              // a few words for help texts
};

/// Every table row, in the order a document's entries are written: VAT rates
/// first (departments name them, and a register with a day's activity
/// refuses them first), header lines last. The header's lines are two rows
/// of one list: their print type (read back) and their text (no reading).
std::span<const ProgramTable> ProgramTables();
/// True when `name` is a list a programming document may hold.
bool IsProgramTable(std::string_view name);

/// The field the clock's change is reported under ("date_time", table "clock").
inline constexpr std::string_view kClockTable = "clock";
inline constexpr std::string_view kClockField = "date_time";
/// What outcomes show for a Secret field's values.
inline constexpr std::string_view kHiddenValue = "****";

}  // namespace tavirel::documents
