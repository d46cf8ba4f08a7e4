// A programming document's entries and the register's form of every value:
// read from the document, read from a reading, compared, and turned back
// into the programming operation's arguments, each by the field's kind.
#include "program_plan.hpp"

#include <cmath>
#include <cstdio>

#include "decimal.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::documents {
namespace {

std::string Trimmed(std::string text, bool left) {
  text.erase(text.find_last_not_of(' ') + 1);
  if (left) text.erase(0, text.find_first_not_of(' '));
  return text;
}

// A decimal text scaled to `decimals`, or a problem.
std::optional<std::int64_t> Scaled(const std::string& text, int decimals, const char* what,
                                   std::string& problem) {
  const auto number = ReadDecimal(text);
  if (!number) {
    problem = "\"" + text + "\" is not a decimal number";
    return std::nullopt;
  }
  const auto value = decimal::ScaleExact(*number, decimals);
  if (!value && decimals == 0) problem = "\"" + text + "\" is not a whole number";
  if (!value && decimals > 0) {
    problem = std::string(what) + " \"" + text + "\" has more than " + std::to_string(decimals) +
              " decimals";
  }
  return value;
}

// A unit of measure that reads as a number is written as two digits.
std::string UnitForm(const std::string& text) {
  const bool digits = !text.empty() && text.size() <= 3 &&
                      text.find_first_not_of("0123456789") == std::string::npos;
  if (!digits || std::stoi(text) > 99) return text;
  const int n = std::stoi(text);
  return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
}

// The register's form of a value the document gives, or a problem.
std::optional<std::string> GivenForm(const ProgramField& field, const std::string& given,
                                     std::int32_t mode, std::string& problem) {
  switch (field.kind) {
    case FieldKind::Whole:
    case FieldKind::Secret: {
      const auto n = Scaled(given, 0, "a whole number", problem);
      return n ? std::optional(std::to_string(*n)) : std::nullopt;
    }
    case FieldKind::Text: return Trimmed(given, true);
    case FieldKind::Money: {
      const auto units = Scaled(
          given, MoneyDecimals(mode),
          mode == TVL_EUROSETTINGS_LIRE ? "an amount in lire" : "an amount in euro", problem);
      return units ? std::optional(MoneyText(*units, mode)) : std::nullopt;
    }
    case FieldKind::Percent: {
      const auto hundredths = Scaled(given, 2, "a percentage", problem);
      return hundredths ? std::optional(MoneyText(*hundredths, TVL_EUROSETTINGS_EURO))
                        : std::nullopt;
    }
    case FieldKind::Unit: return UnitForm(given);
  }
  return std::nullopt;
}

std::string ReadForm(const ProgramField& field, const Variant& value, std::int32_t mode) {
  switch (field.kind) {
    case FieldKind::Whole:
    case FieldKind::Secret: return std::to_string(value.ToI4());
    case FieldKind::Text: return Trimmed(value.ToString(), false);
    case FieldKind::Money: return MoneyText(value.ToCurrency(), mode);
    case FieldKind::Percent:
      return MoneyText(std::llround(static_cast<double>(value.ToR4()) * 100.0),
                       TVL_EUROSETTINGS_EURO);
    case FieldKind::Unit: return value.ToString();
  }
  return {};
}

Variant Argument(const ProgramField& field, const std::string& form) {
  switch (field.kind) {
    case FieldKind::Whole:
    case FieldKind::Secret: {
      const long long n = std::stoll(form);
      // Too wide for a Long: the digits, so that the argument check names it.
      if (n < INT32_MIN || n > INT32_MAX) return Variant(form);
      return Variant(static_cast<std::int32_t>(n));
    }
    case FieldKind::Percent: {
      std::string problem;
      const auto hundredths = Scaled(form, 2, "", problem).value_or(0);
      return Variant(static_cast<float>(hundredths) / 100.0f);
    }
    // Amounts go as their decimal text: the binder reads them exactly.
    case FieldKind::Money:
    case FieldKind::Text:
    case FieldKind::Unit: return Variant(form);
  }
  return {};
}

std::string Shown(const ProgramField& field, const std::string& form) {
  return field.kind == FieldKind::Secret ? std::string(kHiddenValue) : form;
}

bool Gives(const ProgramTable& table, const TableEntry& entry) {
  for (const ProgramField& f : table.fields) {
    if (entry.values.contains(std::string(f.name))) return true;
  }
  return false;
}

std::int64_t Seconds(const DateParts& t) {
  return std::llround(
      OleDate::FromParts(t.year, t.month, t.day, t.hour, t.minute, t.second).value() * 86400.0);
}

}  // namespace

std::vector<ProgramStep> ProgramSteps(const Document& document) {
  std::vector<ProgramStep> steps;
  for (const ProgramTable& table : ProgramTables()) {
    const auto it = document.tables.find(std::string(table.name));
    if (it == document.tables.end()) continue;
    for (std::size_t i = 0; i < it->second.size(); ++i) {
      if (!Gives(table, it->second[i])) continue;
      steps.push_back(
          {&table, &it->second[i], std::string(table.name) + "[" + std::to_string(i) + "]"});
    }
  }
  return steps;
}

Record Wanted(const ProgramStep& step, const Record& held, std::int32_t euro_settings,
              std::vector<Problem>* problems) {
  Record wanted = held;
  for (std::size_t k = 0; k < step.table->fields.size(); ++k) {
    const ProgramField& field = step.table->fields[k];
    const auto it = step.entry->values.find(std::string(field.name));
    if (it == step.entry->values.end()) continue;
    std::string problem;
    if (const auto form = GivenForm(field, it->second, euro_settings, problem)) {
      wanted[k] = *form;
    } else if (problems != nullptr) {
      problems->push_back({step.where + "." + std::string(field.name), problem});
    }
  }
  return wanted;
}

Record Blank(const ProgramTable& table, std::int32_t euro_settings) {
  Record record;
  for (const ProgramField& f : table.fields) {
    switch (f.kind) {
      case FieldKind::Text: record.emplace_back(); break;
      case FieldKind::Unit: record.emplace_back("00"); break;
      case FieldKind::Money: record.push_back(MoneyText(0, euro_settings)); break;
      case FieldKind::Percent: record.push_back(MoneyText(0, TVL_EUROSETTINGS_EURO)); break;
      default: record.emplace_back("0"); break;
    }
  }
  return record;
}

Record Held(const ProgramTable& table, const TavirelControl& control, std::int32_t euro_settings) {
  Record record;
  for (const ProgramField& f : table.fields) {
    record.push_back(ReadForm(f, control.ResultProperty(f.property), euro_settings));
  }
  return record;
}

bool ReadingIsFor(const ProgramStep& step, const TavirelControl& control) {
  return control.LastOPCode() != 0 &&
         control.ResultProperty(step.table->number_property).ToI4() == step.entry->number;
}

std::vector<Variant> ReadArgs(const ProgramStep& step) {
  constexpr ProgramField kNumber{"number", FieldKind::Whole, 0, "", ""};
  return {Argument(kNumber, std::to_string(step.entry->number))};
}

std::vector<Variant> WriteArgs(const ProgramStep& step, const Record& record) {
  std::vector<Variant> args = ReadArgs(step);
  for (std::size_t k = 0; k < step.table->fields.size(); ++k) {
    args.push_back(Argument(step.table->fields[k], record[k]));
  }
  return args;
}

std::vector<Change> Differences(const ProgramStep& step, const std::optional<Record>& held,
                                const Record& wanted) {
  std::vector<Change> changes;
  for (std::size_t k = 0; k < step.table->fields.size(); ++k) {
    const ProgramField& field = step.table->fields[k];
    if (held ? (*held)[k] == wanted[k] : !step.entry->values.contains(std::string(field.name))) {
      continue;
    }
    Change c;
    c.table = std::string(step.table->name);
    c.number = step.entry->number;
    c.field = std::string(field.name);
    if (held) c.from = Shown(field, (*held)[k]);
    c.to = Shown(field, wanted[k]);
    changes.push_back(std::move(c));
  }
  return changes;
}

std::optional<SecretSpan> SecretIn(const ProgramTable& table) {
  std::size_t at = 4 + static_cast<std::size_t>(table.number_width);  // after the code and number
  for (std::size_t k = 0; k < table.fields.size(); ++k) {
    const ProgramField& f = table.fields[k];
    if (f.kind == FieldKind::Secret)
      return SecretSpan{k + 1, at, static_cast<std::size_t>(f.width)};
    at += static_cast<std::size_t>(f.width);
  }
  return std::nullopt;
}

std::int64_t ClockDrift(const DateParts& host, const DateParts& shown) {
  DateParts minute = shown;
  minute.second = 0;
  const std::int64_t start = Seconds(minute);
  const std::int64_t now = Seconds(host);
  if (now < start) return start - now;
  return now > start + 59 ? now - (start + 59) : 0;
}

DateParts NearestMinute(const DateParts& host) {
  return OleDate::FromParts(host.year, host.month, host.day, host.hour,
                            host.minute + (host.second >= 30 ? 1 : 0))
      .Parts();
}

DateParts RegisterClock(const TavirelControl& control, const DateParts& host) {
  int year = host.year - host.year % 100 + control.LastAA();
  if (year - host.year > 50) year -= 100;
  if (host.year - year > 50) year += 100;
  return {year, control.LastMM(), control.LastGG(), control.LastHH(), control.LastMin(), 0};
}

std::vector<Variant> ClockArgs(const DateParts& m) {
  const auto s = [](int v) { return Variant(static_cast<std::int16_t>(v)); };
  return {s(m.day), s(m.month), s(m.year % 100), s(m.hour), s(m.minute)};
}

std::string MinuteText(const DateParts& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute);
  return text;
}

}  // namespace tavirel::documents
