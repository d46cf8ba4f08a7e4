// The run's dealings with the line and the journal: every request recorded
// before it goes out (readings, which change nothing, with the next write),
// its reply classified and recorded after.
#include "document_run.hpp"

#include <algorithm>
#include <array>

#include "decimal.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::documents {
namespace {

constexpr std::int32_t kSequenceError = 11;  // the register's "SEQUENZA ERRATA"
constexpr std::array<std::int32_t, 2> kPaperErrors = {1, 2};

std::string Describe(const std::string& member, const std::vector<Variant>& args,
                     const std::optional<SecretSpan>& secret) {
  std::string text = member;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const Variant& a = args[i];
    text += " ";
    text += secret && secret->arg == i ? std::string(kHiddenValue)
            : a.empty()                ? std::string("-")
                                       : a.ToString();
  }
  return text;
}

std::string Hidden(std::string command, const std::optional<SecretSpan>& secret) {
  if (secret && secret->at < command.size())
    command.replace(secret->at, secret->width, secret->width, '*');
  return command;
}

// The reply codes a payment may answer with.
std::vector<std::int16_t> PaymentCodes(const std::string& member) {
  if (member == "opContante") return {OP_CODE_CONT_RIM, OP_CODE_CONT_REST};
  if (member == "opAssegno") return {OP_CODE_ASSEG_RIM, OP_CODE_ASSEG_REST};
  if (member == "opTicket") return {OP_CODE_TICKET_RIM, OP_CODE_TICKET_REST};
  return {};
}

}  // namespace

DocumentRun::DocumentRun(TavirelControl& control, Journal& journal, const RunnerOptions& options,
                         const Document& document, std::int32_t serial)
    : control_(control),
      journal_(journal),
      options_(options),
      document_(document),
      serial_(serial),
      mode_(control.EuroSettings()),
      started_(false),
      dirty_from_(0) {
  std::vector<Problem> problems;
  plan_ = Plan(document, mode_, problems);
  ledger_.outcome.key = document.key;
}

DocumentRun::DocumentRun(TavirelControl& control, Journal& journal, const RunnerOptions& options,
                         const Document& document, std::int32_t serial, const StartResult& start)
    : DocumentRun(control, journal, options, document, serial) {
  ledger_ = ParseLedger(start.progress);
  ledger_.outcome.key = document.key;
  ledger_.outcome.replayed = false;
  ledger_.outcome.steps = start.steps;
  started_ = true;
  dirty_from_ = start.steps.size();
  // Uncertain with nothing in flight (stopped, or let go on by an operator):
  // the register is read before anything else goes out.
  if (start.from == Status::Uncertain && ledger_.pending == Action::None) ledger_.stalled = true;
  instruction_ = start.instruction;
  if (instruction_) ledger_.outcome.settlement = instruction_;
}

Outcome DocumentRun::Go() {
  if (instruction_) {
    if (auto end = RestartPrinting()) return *end;
    if (document_.type == DocumentType::Receipt && ledger_.open &&
        instruction_->action != Settlement::Action::Retry) {
      return CarryOut(*instruction_);
    }
    if (instruction_->action == Settlement::Action::PayRest) {
      return Attention("there is nothing open to pay on the register for this document", false);
    }
    if (instruction_->action == Settlement::Action::Void &&
        (document_.type == DocumentType::Report || document_.type == DocumentType::Reprint)) {
      return Attention("a printed report cannot be voided: settle it by hand", false);
    }
  }
  switch (document_.type) {
    case DocumentType::Receipt: return RunReceipt();
    case DocumentType::NonFiscal: return RunNonFiscal();
    case DocumentType::Report:
    case DocumentType::Reprint: return RunReport();
    case DocumentType::Programming: return RunProgramming();
  }
  return Finish(Status::Failed, "unknown document type");
}

Variant DocumentRun::Operator() const {
  return Variant(static_cast<std::int32_t>(document_.operator_code));
}

std::string DocumentRun::Money(std::int64_t units) const { return MoneyText(units, mode_); }

std::int64_t DocumentRun::Units(Currency face_value) const { return face_value.RoundedUnits(0); }

StepUpdate DocumentRun::Changes(bool in_flight) const {
  const auto& steps = ledger_.outcome.steps;
  StepUpdate update;
  update.from = dirty_from_;
  update.steps.assign(steps.begin() + static_cast<std::ptrdiff_t>(dirty_from_), steps.end());
  update.in_flight = in_flight;
  update.progress = ToJson(ledger_);
  return update;
}

void DocumentRun::Write(bool in_flight) {
  const StepUpdate update = Changes(in_flight);
  if (!started_) {
    const StartResult start = journal_.Start(document_, serial_, update);
    if (start.kind != StartKind::Fresh) {
      throw JournalError("journal " + journal_.Path() + ": the document \"" + document_.key +
                         "\" was started by another process meanwhile");
    }
    started_ = true;
  } else {
    journal_.Record(document_.key, update);
  }
  // The step in flight is written again when its reply comes.
  const std::size_t size = ledger_.outcome.steps.size();
  dirty_from_ = in_flight && size > 0 ? size - 1 : size;
}

Reply DocumentRun::Send(const std::string& member, const std::vector<Variant>& args,
                        const ReplyCheck& check, bool durable) {
  return Exchange(
      member, args,
      [&](const TavirelControl& c) {
        return c.LastOPCode() != 0 && c.LastOP() == args.front().ToI2() && (!check || check(c));
      },
      durable);
}

Reply DocumentRun::Exchange(const std::string& member, const std::vector<Variant>& args,
                            const ReplyCheck& ours_check, bool durable,
                            const std::optional<SecretSpan>& secret) {
  auto& steps = ledger_.outcome.steps;
  steps.push_back({member, Describe(member, args, secret), std::nullopt, StepEnd::Interrupted});
  const std::size_t index = steps.size() - 1;
  if (durable) Write(true);

  Reply reply = Reply::Unknown;
  std::optional<std::int16_t> result;
  StepEnd end = StepEnd::Answered;
  try {
    const std::int16_t code = control_.RunOperation(member, args);
    result = code;
    if (code == OP_OK) {
      const bool ours = ours_check(control_);
      if (!ours) end = StepEnd::BadReply;
      reply = ours ? Reply::Ok : Reply::Unknown;
    } else if (code == EERR) {
      reply = Reply::Refused;
    } else if (code == OP_ERR_TIMEOUT || code == OP_ERR_CHKS) {
      reply = Reply::Unknown;
    } else {
      reply = Reply::NotSent;
    }
  } catch (const CancelledError& e) {
    end = StepEnd::Cancelled;
    reply = e.request_sent() ? Reply::Unknown : Reply::NotSent;
  } catch (const SerialError&) {
    end = StepEnd::HangUp;
  } catch (const ConversionError&) {
    end = StepEnd::BadReply;
  }
  StepRecord& record = steps[index];
  record.result = result;
  record.end = end;
  record.command = Hidden(control_.CurrentCommand(), secret);
  dirty_from_ = std::min(dirty_from_, index);
  if (options_.on_step) options_.on_step(record);
  return reply;
}

Reply DocumentRun::SendStep(const PlannedStep& step) {
  ReplyCheck check;
  if (step.kind == StepKind::Payment) {
    const auto codes = PaymentCodes(step.member);
    if (!codes.empty()) {
      check = [codes](const TavirelControl& c) {
        return std::find(codes.begin(), codes.end(), c.LastOPCode()) != codes.end();
      };
    }
  }
  ledger_.pending_record = ledger_.outcome.steps.size();
  return Send(step.member, step.args, check);
}

Reading DocumentRun::ReadSubtotal() {
  bool restarted = false;
  const ReplyCheck check = [](const TavirelControl& c) {
    return c.LastOPCode() == OP_CODE_SUBT || c.LastOPCode() == OP_CODE_SUBT_RIM;
  };
  for (int attempt = 0; attempt < std::max(1, options_.reading_attempts); ++attempt) {
    const Reply reply = Send("opSubTot", {Operator()}, check, false);
    if (reply == Reply::Ok) {
      if (control_.LastOPCode() == OP_CODE_SUBT_RIM) {
        return {Reading::Payment, Units(control_.LastRim())};
      }
      return {Reading::Open, Units(control_.LastSubTotFisc()) + Units(control_.LastSubTotNFisc())};
    }
    if (reply != Reply::Refused) continue;
    const std::int32_t error = control_.LastEERR();
    if (error == kSequenceError) return {Reading::None, 0};
    const bool paper =
        std::find(kPaperErrors.begin(), kPaperErrors.end(), error) != kPaperErrors.end();
    if (!paper) return {Reading::Unclear, 0};
    if (restarted) return {Reading::Unclear, 0, true};
    restarted = true;
    const Reply restart = Send("opRiavvioStampaDaFineCarta", {Operator()});
    if (restart != Reply::Ok)
      return {Reading::Unclear, 0, restart == Reply::Refused && RefusedForPaper()};
  }
  return {Reading::Unclear, 0};
}

FailedStep DocumentRun::Failure(const std::string& where, std::string reason) const {
  FailedStep f;
  const auto& steps = ledger_.outcome.steps;
  const std::size_t at = ledger_.pending_record;
  if (at < steps.size()) {
    const StepRecord& step = steps[at];
    f.index = at;
    f.member = step.member;
    f.result = step.result;
    f.result_name = StepResultName(step);
    if (step.result == EERR && step.end == StepEnd::Answered && at + 1 == steps.size()) {
      f.printer_error = control_.LastEERR();
      f.printer_text = control_.GetLastErrorDescription(EERR, f.printer_error);
      f.kind = std::string(ErrorKind(EERR, f.printer_error));
    } else if (step.end != StepEnd::Answered || (step.result && *step.result != EERR)) {
      f.kind = step.result && step.end == StepEnd::Answered
                   ? std::string(ErrorKind(*step.result, 0))
                   : "line";
    }
  }
  f.where = where;
  f.reason = std::move(reason);
  return f;
}

Outcome DocumentRun::Finish(Status status, std::string reason) {
  Outcome& o = ledger_.outcome;
  o.status = status;
  if (!reason.empty()) {
    if (!o.failed_step) o.failed_step = Failure("", "");
    o.failed_step->reason =
        o.failed_step->reason.empty() ? reason : o.failed_step->reason + "; " + reason;
  }
  const bool receipt_figures = document_.type == DocumentType::Receipt &&
                               status != Status::Failed && status != Status::Queued;
  if (receipt_figures) {
    o.total = Money(ledger_.total);
    o.paid = Money(ledger_.paid);
  }
  if (status != Status::NeedsAttention) {
    o.holds_register = false;
    o.due.reset();
  }
  ledger_.stalled = status == Status::Uncertain && ledger_.pending == Action::None;
  if (!started_ && status == Status::Queued) return o;  // nothing of it reached the journal
  if (!started_) Write(false);
  journal_.Finish(document_.key, o, Changes(false));
  dirty_from_ = o.steps.size();
  return o;
}

Outcome DocumentRun::Stall(std::string reason) {
  return Finish(Status::Uncertain, std::move(reason));
}

bool DocumentRun::RefusedForPaper() const {
  const auto& steps = ledger_.outcome.steps;
  return !steps.empty() && steps.back().end == StepEnd::Answered && steps.back().result == EERR &&
         ErrorKind(EERR, control_.LastEERR()) == "paper-out";
}

Outcome DocumentRun::PaperStop(const std::string& where) {
  FailedStep why = Failure(where, "the register is out of paper");
  ledger_.pending = Action::None;
  ledger_.paper_out = true;
  ledger_.outcome.failed_step = why;
  if (ledger_.payment_phase) ledger_.outcome.due = Money(ledger_.total - ledger_.paid);
  return Attention("refill the paper: the document goes on where it stopped once the paper is back",
                   true);
}

std::optional<Outcome> DocumentRun::RestartPrinting() {
  if (!ledger_.paper_out) return std::nullopt;
  ledger_.pending_record = ledger_.outcome.steps.size();
  const Reply reply = Send("opRiavvioStampaDaFineCarta", {Operator()});
  if (reply == Reply::Ok) {
    ledger_.paper_out = false;
    ledger_.stalled = false;
    resumed_after_paper_ = true;
    return std::nullopt;
  }
  if (reply == Reply::Refused && RefusedForPaper()) return PaperStop("");
  if (reply == Reply::Refused) {
    ledger_.outcome.failed_step = Failure("", "the register refused the restart after paper end");
    return Attention("", true);
  }
  return Stall("the restart after paper end got no usable reply");
}

Outcome DocumentRun::Attention(std::string reason, bool holds) {
  ledger_.outcome.holds_register = holds;
  if (!holds) ledger_.outcome.due.reset();
  return Finish(Status::NeedsAttention, std::move(reason));
}

}  // namespace tavirel::documents
