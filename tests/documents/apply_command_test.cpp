// tavirel apply end to end against its built-in register (a fresh one for
// each run): one row per run, in order on one journal, with the exit status
// and what it prints.
#include <gtest/gtest.h>

#include "command_rows.hpp"

namespace tavirel::documents::test {
namespace {

// The register's VAT rate 1 is 22 % and department 1 "REPARTO 01"; card 1 is VISA.
constexpr const char* kTables = R"({"key": "a1", "type": "programming", "version": 2,
    "vat": [{"number": 1, "rate": "10"}],
    "departments": [{"number": 1, "description": "PANE"}],
    "cards": [{"number": 1, "description": "VISA"}]})";

std::string Keyed(std::string key) {
  std::string text = OneLine(kTables);
  text.replace(text.find("a1"), 2, key);
  return text;
}

TEST(ApplyCommand, ExitStatusAndOutputOfEachKindOfRun) {
  const std::vector<CommandRow> rows = {
      {"applied", {"FILE"}, kTables, 0, "a1: closed, version 2: 2 changed, 1 unchanged\n", ""},
      {"what changed, field by field",
       {"-"},
       Keyed("a2"),
       0,
       "  departments 1 description: \"REPARTO 01\" -> \"PANE\"\n",
       ""},
      {"replayed", {"FILE"}, kTables, 0, "a1: closed (from the journal), version 2", ""},
      {"applied twice on one register: nothing changes the second time",
       {"-"},
       Keyed("a3") + Keyed("a4"),
       0,
       "a4: closed, version 2: 0 changed, 3 unchanged\n",
       ""},
      {"as JSON", {"--json", "-"}, Keyed("a5"), 0, R"("unchanged":1,"written":[])", ""},
      {"another kind of document",
       {"-"},
       "{\"key\": \"r1\", \"type\": \"reprint\"}\n",
       2,
       "",
       "r1: a reprint document: apply takes programming documents"},
      {"preflight",
       {"-"},
       R"({"key": "p1", "type": "programming", "header": [{"number": 1, "text": "BAR\u001b[2J"}]})",
       2,
       "header[0].text: holds a control character (0x1B)",
       ""},
      {"a reading refused: nothing changed",
       {"-"},
       R"({"key": "f1", "type": "programming", "departments": [{"number": 41, "vat": 1}]})",
       1,
       "departments[0]: opReadReparto EERR 13 VALORE ERRATO - the register refused the reading "
       "of the entry; nothing was changed",
       ""},
      {"usage", {"FILE"}, kTables, 2, "", "apply needs exactly one of", false},
  };
  RunCommandRows("apply", rows);
}

}  // namespace
}  // namespace tavirel::documents::test
