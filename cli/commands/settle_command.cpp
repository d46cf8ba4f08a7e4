// tavirel settle: an operator's decision for a document that needs attention,
// written to the journal; the next `tavirel receipt` of the document on its
// register carries it out (or, settled by hand, answers with it).
#include <CLI/CLI.hpp>
#include <ostream>

#include "cli_errors.hpp"
#include "commands/commands.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/errors.hpp"
#include "tavirel/documents/journal.hpp"
#include "terminal_text.hpp"

namespace tavirel::cli {
namespace {

namespace doc = tavirel::documents;

struct SettleOptions {
  std::string key;
  std::string journal;
  bool retry = false;
  std::string pay;  // a payment type: cash, cheque, card, ticket
  std::string amount;
  int card = 0;
  int ticket = 0;
  bool void_it = false;
  std::string mark;  // closed, voided, failed
  std::string note;
  std::string by = "cli";
};

constexpr const char* kExamples = R"(
Examples:
  tavirel settle pos2-000124 --retry --note "paper refilled"
  tavirel settle pos2-000124 --pay cash --note "the customer paid cash"
  tavirel settle pos2-000124 --void
  tavirel settle pos2-000124 --mark closed --note "closed at the keyboard, number 17"

Exactly one of --retry, --pay, --void and --mark. --retry, --pay and --void
are carried out by the next `tavirel receipt` of the same document on its
register; --mark settles it at once, the register untouched.)";

doc::Settlement Decision(const SettleOptions& o) {
  const int chosen =
      (o.retry ? 1 : 0) + (o.pay.empty() ? 0 : 1) + (o.void_it ? 1 : 0) + (o.mark.empty() ? 0 : 1);
  if (chosen != 1) throw UsageError("settle needs exactly one of --retry, --pay, --void, --mark");
  doc::Settlement s;
  s.note = o.note;
  s.by = o.by;
  if (o.retry) s.action = doc::Settlement::Action::Retry;
  if (o.void_it) s.action = doc::Settlement::Action::Void;
  if (!o.pay.empty()) {
    s.action = doc::Settlement::Action::PayRest;
    const auto type = doc::PaymentTypeNamed(o.pay);
    if (!type) throw UsageError("--pay takes cash, cheque, card or ticket, not \"" + o.pay + "\"");
    doc::Payment p;
    p.type = *type;
    if (!o.amount.empty()) p.amount = o.amount;
    p.card = o.card;
    p.ticket = o.ticket;
    s.payment = p;
  }
  if (!o.mark.empty()) {
    s.action = doc::Settlement::Action::MarkSettled;
    const auto status = doc::StatusNamed(o.mark);
    if (!status || (*status != doc::Status::Closed && *status != doc::Status::Voided &&
                    *status != doc::Status::Failed)) {
      throw UsageError("--mark takes closed, voided or failed, not \"" + o.mark + "\"");
    }
    s.settled_as = *status;
  }
  return s;
}

int RunSettle(const SettleOptions& options, Streams& streams) {
  const doc::Settlement decision = Decision(options);
  const std::string path = options.journal.empty() ? doc::DefaultJournalPath() : options.journal;
  try {
    doc::Journal journal(path);
    const doc::JournalEntry entry = journal.Settle(options.key, decision);
    streams.out << TerminalSafe(entry.key) << ": " << doc::StatusName(entry.status) << " ("
                << doc::SettlementActionName(decision.action) << ")" << std::endl;
    return kExitOk;
  } catch (const doc::DamagedRowError& e) {
    streams.err << "tavirel: damaged journal row: " << TerminalSafe(e.what()) << std::endl;
  } catch (const TavirelError& e) {
    streams.err << "tavirel: " << TerminalSafe(e.what()) << std::endl;
  }
  return kExitError;
}

}  // namespace

void AddSettleCommand(CLI::App& app, Runner& run) {
  auto options = std::make_shared<SettleOptions>();
  CLI::App* settle =
      app.add_subcommand("settle", "Decide for a document that needs attention (the journal)");
  settle->add_option("KEY", options->key, "The document's key")->required();
  settle
      ->add_option("--journal", options->journal,
                   "The journal (default $XDG_STATE_HOME/tavirel/journal.db)")
      ->type_name("FILE");
  settle->add_flag("--retry", options->retry, "Go on where it stopped (paper refilled, say)");
  settle->add_option("--pay", options->pay, "Pay what is left: cash, cheque, card or ticket")
      ->type_name("TYPE");
  settle
      ->add_option("--amount", options->amount,
                   "The payment's amount (cash and cheque: the rest when left out)")
      ->type_name("DECIMAL");
  settle->add_option("--card", options->card, "The card type's number (--pay card)")
      ->type_name("N");
  settle->add_option("--ticket", options->ticket, "The voucher type's number (--pay ticket)")
      ->type_name("N");
  settle->add_flag("--void", options->void_it, "Void the receipt, where the register allows it");
  settle->add_option("--mark", options->mark, "Settled by hand: closed, voided or failed")
      ->type_name("STATUS");
  settle->add_option("--note", options->note, "Why, in words: kept with the outcome")
      ->type_name("TEXT");
  settle->add_option("--by", options->by, "Who decided (default cli)")->type_name("NAME");
  settle->footer(kExamples);
  settle->callback([options, &run] {
    run = [options](Streams& streams) { return RunSettle(*options, streams); };
  });
}

}  // namespace tavirel::cli
