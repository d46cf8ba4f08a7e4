// The reference: front matter, then each group's operations.
#include "operations_reference.hpp"

#include <stdexcept>

#include "ops/catalogue.hpp"
#include "render_operation.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::opdoc {
namespace {

struct GroupTitle {
  Group group;
  std::string_view title;
  std::string_view lead;
};

constexpr GroupTitle kGroups[] = {
    {Group::Sales, "Sales",
     "Lines of a fiscal receipt: sales, returns and voids of a line, each with a quantity of "
     "one, a whole quantity or a quantity with decimals."},
    {Group::Adjustments, "Subtotal and adjustments",
     "On the open receipt: the subtotal, discounts and surcharges, a correction of the last "
     "line, and the void of the whole receipt."},
    {Group::Payments, "Payments",
     "Each payment covers the open receipt or part of it; the one that covers it closes it."},
    {Group::Documents, "Non-fiscal documents and devices",
     "Documents without fiscal value, additional lines, the customer display, the drawer, the "
     "keyboard, printing, and the register's currency."},
    {Group::Programming, "Programming",
     "The register's tables and clock, one record per call, between receipts."},
    {Group::Readings, "Readings",
     "The same tables read back into the `Last...` values, the clock and the fiscal serial "
     "number."},
    {Group::Reports, "Reports and closures",
     "X reports read the totals and reset nothing; Z reports print them and reset them; the "
     "fiscal closure ends the fiscal day."},
};

constexpr std::string_view kFrontMatter = R"(# Operations reference

Every operation of `TavirelControl`, grouped as a register's user meets them. This page is
generated from the library's own table of operations and a table of descriptions
(`tools/operations_doc/`); to refresh it after changing either, run
`cmake --build build --target operations-doc`. A test fails while it is stale.

## Reading this page

- **Calling.** Each operation is a method of `TavirelControl` (`control.opReparto(1, "PANE",
  Currency::Parse("1.50"), 2)`) and a member of the dispatch interface (`tavirel call
  opReparto 1 PANE 1.50 2`). The box under each heading is its signature; optional parameters
  are in brackets with their defaults.
- **The operator.** `CodOpr` is the operator: the number of the cashier who makes the
  operation, as programmed with `opProgOpr`.
- **Amounts in.** Amounts go in as currency values (`Currency`, or decimal text such as
  `"1.50"` through the dispatch interface) in the register's currency: set `EuroSettings` to
  euro (2) or lire (1) first. In euro mode 1.50 goes out as 150 cents; in lire mode 1500 goes
  out as 1500 lire. Without a currency mode every operation, with amounts or not, returns
  `OP_ERR_EUROLOCK` and nothing is sent.
- **Amounts out.** The register answers amounts as whole numbers of its smallest unit: whole
  cents in euro mode, whole lire in lire mode, and the `Last...` values (marked † below) hold
  that number as it came: after a sale of 1.50 euro, `LastImp` is 150.
- **Sent as.** Each parameter becomes a fixed-width field of the command. The control sends
  what it is given: a number too wide or negative lengthens its field and shifts the rest, and
  a text too long is cut. `ValidateArguments` (`tavirel/validate.hpp`) finds such arguments
  before anything is sent.
- **Reply limit.** The seconds the control waits for the complete reply, counted from the
  request (after at most 3 seconds for its acknowledgement).
- **Fills.** Before every operation all `Last...` values go back to their defaults
  (`LastEERR` to -2). On `OP_OK` the values listed are filled from the reply; every other
  value keeps its default.
- **Refusals.** When the register refuses an operation it returns `EERR` and `LastEERR` holds
  the register's error number; `GetLastErrorDescription(-1, LastEERR)` gives its text. The
  refusals listed are the ones a register commonly answers with; the register decides.

## Result codes

| Code | Name | Meaning |
|---|---|---|
| 0 | `OP_OK` | The register carried the operation out and answered. |
| -1 | `EERR` | The register refused it; its error number is in `LastEERR`. |
| 1 | `OP_ERR_NOCOLL` | The register is not connected (no Clear To Send); nothing was sent. |
| 2 | `OP_ERR_PORTCLOSE` | The port is not open; nothing was sent. |
| 3 | `OP_ERR_TIMEOUT` | No acknowledgement or no complete reply in time, after the request went out: the register may have carried it out. |
| 4 | `OP_ERR_CHKS` | A reply came with a wrong checksum: the register may have carried it out. |
| 5 | `OP_ERR_EUROLOCK` | `EuroSettings` is neither lire nor euro; nothing was sent. |

## The register's error numbers

)";

std::string ErrorNumberTable() {
  std::string table = "| `LastEERR` | Text |\n|---|---|\n";
  for (int number = 1; !ErrorTexts(EERR, number).empty(); ++number) {
    table += "| " + std::to_string(number) + " | " + ErrorTexts(EERR, number) + " |\n";
  }
  return table + "\n";
}

const OperationText* TextOf(std::string_view name) {
  for (const OperationText& text : OperationTexts()) {
    if (text.name == name) return &text;
  }
  return nullptr;
}

// Everything that has no words, and words for nothing, in one message.
void CheckComplete() {
  std::string missing;
  for (const ops::Operation& op : ops::Catalogue()) {
    if (TextOf(op.name) == nullptr) missing += " operation " + std::string(op.name) + ";";
    for (const ParamInfo& param : op.params) {
      if (MeaningOf(op.name, param.name) == nullptr) {
        missing += " parameter " + std::string(op.name) + "." + std::string(param.name) + ";";
      }
    }
  }
  for (const OperationText& text : OperationTexts()) {
    if (ops::FindOperation(text.name) == nullptr) {
      missing += " description of unknown " + std::string(text.name) + ";";
    }
  }
  if (!missing.empty()) throw std::logic_error("operations reference incomplete:" + missing);
}

}  // namespace

std::string OperationsReference() {
  CheckComplete();
  std::string page(kFrontMatter);
  page += ErrorNumberTable();
  for (const GroupTitle& group : kGroups) {
    page += "## " + std::string(group.title) + "\n\n" + std::string(group.lead) + "\n\n";
    for (const OperationText& text : OperationTexts()) {
      if (text.group == group.group) {
        page += RenderOperation(*ops::FindOperation(text.name), text);
      }
    }
  }
  page.pop_back();  // one newline at the end
  return page;
}

}  // namespace tavirel::opdoc
