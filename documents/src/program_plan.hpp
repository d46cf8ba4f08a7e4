#pragma once
// A programming document as the entries it writes, in the order they are
// written, and every field's value in one form: the register's, as a reading
// shows it ("PANE", "1.50", "10.00", "05"), so that what the document gives
// and what the register holds compare as texts.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tavirel/documents/document.hpp"
#include "tavirel/documents/errors.hpp"
#include "tavirel/documents/outcome.hpp"
#include "tavirel/documents/programming.hpp"
#include "tavirel/ole_date.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::documents {

/// One entry to write: a table row and the document's entry for it.
struct ProgramStep {
  const ProgramTable* table = nullptr;
  const TableEntry* entry = nullptr;  // in the document, which outlives the step
  std::string where;                  // "departments[0]"
  [[nodiscard]] bool readable() const { return !table->read.empty(); }
};

/// An entry's fields in the register's form, in the table's field order.
using Record = std::vector<std::string>;

/// The steps of `document`, in ProgramTables() order and, within a table, in
/// the document's; an entry that gives none of a row's fields has no step
/// for that row (a header line's text and its print type are two rows).
std::vector<ProgramStep> ProgramSteps(const Document& document);

/// The record the document wants: `held` with the document's fields in
/// their place. A value that does not read goes to `problems`, named by its
/// field, and leaves the held one.
Record Wanted(const ProgramStep& step, const Record& held, std::int32_t euro_settings,
              std::vector<Problem>* problems = nullptr);
/// A record of neutral values ("", "0", "00"): what preflight checks the
/// given fields beside.
Record Blank(const ProgramTable& table, std::int32_t euro_settings);
/// The entry as the reading just made on `control` gave it.
Record Held(const ProgramTable& table, const TavirelControl& control, std::int32_t euro_settings);
/// True when the reading on `control` answered for this step's entry.
bool ReadingIsFor(const ProgramStep& step, const TavirelControl& control);

/// The arguments of the step's programming operation that write `record`,
/// and of its reading.
std::vector<Variant> WriteArgs(const ProgramStep& step, const Record& record);
std::vector<Variant> ReadArgs(const ProgramStep& step);

/// The fields where `held` and `wanted` differ (`from` absent when nothing
/// was read), secret values hidden.
std::vector<Change> Differences(const ProgramStep& step, const std::optional<Record>& held,
                                const Record& wanted);

/// A secret argument of a programming operation: its index among the
/// arguments and its digits' place in the composed command, which the
/// journal never records.
struct SecretSpan {
  std::size_t arg = 0;
  std::size_t at = 0;
  std::size_t width = 0;
};
/// The table's secret field, if it has one.
std::optional<SecretSpan> SecretIn(const ProgramTable& table);

// ---- The clock -------------------------------------------------------------

/// Seconds between `host` and the register's clock, which shows whole
/// minutes: 0 while `host` lies within the minute `shown`, otherwise the
/// distance to that minute's nearer end.
std::int64_t ClockDrift(const DateParts& host, const DateParts& shown);
/// The minute to set the register to: `host` rounded to the nearest minute.
DateParts NearestMinute(const DateParts& host);
/// The register's date reading on `control` (a two-digit year), placed in
/// the century nearest to `host`.
DateParts RegisterClock(const TavirelControl& control, const DateParts& host);
/// The arguments of opProgDataOra for `minute`.
std::vector<Variant> ClockArgs(const DateParts& minute);
/// "YYYY-MM-DDTHH:MM".
std::string MinuteText(const DateParts& t);

/// The host's local date and time (the platform's clock).
DateParts HostLocalTime();

}  // namespace tavirel::documents
