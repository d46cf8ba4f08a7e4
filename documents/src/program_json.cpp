// A programming document's tables as JSON, read and written by the rows of
// ProgramTables(): one reader for every table.
#include "program_json.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "decimal.hpp"
#include "tavirel/documents/programming.hpp"

namespace tavirel::documents {
namespace {

using ojson = nlohmann::ordered_json;

// "prices[1]" is item 1 of the list "prices"; other names stand alone.
std::string_view ListName(std::string_view field) { return field.substr(0, field.find('[')); }

std::size_t ListIndex(std::string_view field) {
  const auto open = field.find('[');
  return open == std::string_view::npos ? 0 : std::stoul(std::string(field.substr(open + 1)));
}

bool IsListItem(std::string_view field) { return field.find('[') != std::string_view::npos; }

// The table's fields over all its rows (the header has two), in row order.
std::vector<const ProgramField*> FieldsOf(std::string_view table) {
  std::vector<const ProgramField*> fields;
  for (const ProgramTable& t : ProgramTables()) {
    if (t.name != table) continue;
    for (const ProgramField& f : t.fields) fields.push_back(&f);
  }
  return fields;
}

// Each table's name once, in the order of the rows.
std::vector<std::string_view> TableNames() {
  std::vector<std::string_view> names;
  for (const ProgramTable& t : ProgramTables()) {
    if (std::find(names.begin(), names.end(), t.name) == names.end()) names.push_back(t.name);
  }
  return names;
}

void ReadValue(Fields& item, const ProgramField& field, TableEntry& entry) {
  const std::string name(field.name);
  std::optional<std::string> value;
  switch (field.kind) {
    case FieldKind::Whole:
    case FieldKind::Secret:
      if (const auto n = item.Integer(name, false)) value = std::to_string(*n);
      break;
    case FieldKind::Text:
    case FieldKind::Unit: value = item.Text(name, false); break;
    case FieldKind::Money:
    case FieldKind::Percent: value = item.Decimal(name, false); break;
  }
  if (value) entry.values[name] = *value;
}

TableEntry ReadEntry(Fields& item, const std::vector<const ProgramField*>& fields) {
  std::vector<std::string_view> known{"number"};
  for (const ProgramField* f : fields) known.push_back(ListName(f->name));
  item.Only(known);
  TableEntry entry;
  entry.number = item.Integer("number", true).value_or(0);
  for (const ProgramField* f : fields) {
    if (!IsListItem(f->name)) {
      ReadValue(item, *f, entry);
    } else if (ListIndex(f->name) == 0) {
      const std::string list(ListName(f->name));
      const auto count = static_cast<std::size_t>(
          std::count_if(fields.begin(), fields.end(),
                        [&](const ProgramField* g) { return ListName(g->name) == list; }));
      const auto items = item.DecimalList(list, count);
      for (std::size_t i = 0; items && i < items->size(); ++i) {
        if ((*items)[i]) entry.values[list + "[" + std::to_string(i) + "]"] = *(*items)[i];
      }
    }
  }
  return entry;
}

// The entry's object, fields in the rows' order.
ojson EntryJson(const TableEntry& entry, const std::vector<const ProgramField*>& fields,
                bool canonical) {
  ojson j = {{"number", entry.number}};
  for (const ProgramField* f : fields) {
    const auto it = entry.values.find(std::string(f->name));
    if (it == entry.values.end()) continue;
    ojson value;
    switch (f->kind) {
      case FieldKind::Whole:
      case FieldKind::Secret: {
        // Made by hand rather than read, it may not be a number: kept as
        // text, for preflight to name.
        const auto number = ReadDecimal(it->second);
        const auto whole = number ? decimal::ScaleExact(*number, 0) : std::nullopt;
        value = whole ? ojson(*whole) : ojson(it->second);
        break;
      }
      case FieldKind::Text:
      case FieldKind::Unit: value = it->second; break;
      case FieldKind::Money:
      case FieldKind::Percent:
        value = canonical ? CanonicalDecimal(it->second) : WrittenDecimal(it->second);
        break;
    }
    if (!IsListItem(f->name)) {
      j[std::string(f->name)] = value;
      continue;
    }
    ojson& list = j[std::string(ListName(f->name))];
    if (!list.is_array()) list = ojson::array();
    while (list.size() < ListIndex(f->name)) list.push_back(nullptr);
    list.push_back(value);
  }
  return j;
}

}  // namespace

void ReadProgramming(Fields& f, Document& d) {
  std::vector<std::string_view> only{"key", "type", "version", "clock"};
  const auto names = TableNames();
  only.insert(only.end(), names.begin(), names.end());
  f.Only(only);
  d.version = f.Integer("version", false);
  for (const std::string_view table : names) {
    const auto fields = FieldsOf(table);
    std::vector<TableEntry> entries;
    f.EachObject(table, false, [&](Fields& item) { entries.push_back(ReadEntry(item, fields)); });
    if (!entries.empty()) d.tables[std::string(table)] = std::move(entries);
  }
  if (auto clock = f.Object("clock", false)) {
    clock->Only({"max_drift_s"});
    d.clock_max_drift_s = clock->Integer("max_drift_s", true);
  }
}

void WriteProgramming(const Document& d, bool canonical, ojson& j) {
  if (d.version) j["version"] = *d.version;
  for (const std::string_view table : TableNames()) {
    const auto it = d.tables.find(std::string(table));
    if (it == d.tables.end()) continue;
    const auto fields = FieldsOf(table);
    ojson list = ojson::array();
    for (const TableEntry& entry : it->second) list.push_back(EntryJson(entry, fields, canonical));
    j[std::string(table)] = list;
  }
  if (d.clock_max_drift_s) j["clock"] = {{"max_drift_s", *d.clock_max_drift_s}};
}

}  // namespace tavirel::documents
