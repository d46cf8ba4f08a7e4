// The run's dealings with the line and the journal: every request recorded
// before it goes out, its reply classified and recorded after.
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

std::string Describe(const std::string& member, const std::vector<Variant>& args) {
  std::string text = member;
  for (const Variant& a : args) text += " " + (a.empty() ? std::string("-") : a.ToString());
  return text;
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
                         const Document& document, Ledger ledger)
    : control_(control),
      journal_(journal),
      options_(options),
      document_(document),
      mode_(control.EuroSettings()),
      ledger_(std::move(ledger)) {
  std::vector<Problem> problems;
  plan_ = Plan(document, mode_, problems);
  ledger_.outcome.key = document.key;
  ledger_.outcome.replayed = false;
}

Outcome DocumentRun::Go() {
  switch (document_.type) {
    case DocumentType::Receipt: return RunReceipt();
    case DocumentType::NonFiscal: return RunNonFiscal();
    case DocumentType::Report: return RunReport();
  }
  return Finish(Status::Failed, "unknown document type");
}

Variant DocumentRun::Operator() const { return plan_.front().args.front(); }

std::string DocumentRun::Money(std::int64_t units) const { return MoneyText(units, mode_); }

std::int64_t DocumentRun::Units(Currency face_value) const { return face_value.RoundedUnits(0); }

Reply DocumentRun::Send(const std::string& member, const std::vector<Variant>& args,
                        const ReplyCheck& check) {
  auto& steps = ledger_.outcome.steps;
  StepUpdate update;
  if (done_index_) {
    update.done_index = done_index_;
    update.done = steps[*done_index_];
  }
  steps.push_back({member, Describe(member, args), std::nullopt, "interrupted"});
  const std::size_t index = steps.size() - 1;
  update.sending = steps.back();
  update.progress = ToJson(ledger_);
  journal_.Record(document_.key, update);
  done_index_ = index;

  StepRecord& record = steps[index];
  Reply reply = Reply::Unknown;
  try {
    const std::int16_t code = control_.RunOperation(member, args);
    record.result = code;
    record.result_name = std::string(ResultName(code));
    if (code == OP_OK) {
      const bool ours = control_.LastOPCode() != 0 && control_.LastOP() == args.front().ToI2() &&
                        (!check || check(control_));
      if (!ours) record.result_name = "bad-reply";
      reply = ours ? Reply::Ok : Reply::Unknown;
    } else if (code == EERR) {
      reply = Reply::Refused;
    } else if (code == OP_ERR_TIMEOUT || code == OP_ERR_CHKS) {
      reply = Reply::Unknown;
    } else {
      reply = Reply::NotSent;
    }
  } catch (const CancelledError& e) {
    record.result_name = "cancelled";
    reply = e.request_sent() ? Reply::Unknown : Reply::NotSent;
  } catch (const SerialError&) {
    record.result_name = "hang-up";
  } catch (const ConversionError&) {
    record.result_name = "bad-reply";
  }
  record.command = control_.CurrentCommand();
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
    const Reply reply = Send("opSubTot", {Operator()}, check);
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
    if (!paper || restarted) return {Reading::Unclear, 0};
    restarted = true;
    if (Send("opRiavvioStampaDaFineCarta", {Operator()}) != Reply::Ok) return {Reading::Unclear, 0};
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
    f.result_name = step.result_name;
    if (step.result == EERR && at + 1 == steps.size()) {
      f.printer_error = control_.LastEERR();
      f.printer_text = control_.GetLastErrorDescription(EERR, f.printer_error);
    }
  }
  f.where = where;
  f.reason = std::move(reason);
  return f;
}

Outcome DocumentRun::Finish(Status status, std::string reason, bool final) {
  Outcome& o = ledger_.outcome;
  o.status = status;
  if (!reason.empty()) {
    if (!o.failed_step) o.failed_step = Failure("", "");
    o.failed_step->reason =
        o.failed_step->reason.empty() ? reason : o.failed_step->reason + "; " + reason;
  }
  if (document_.type == DocumentType::Receipt && status != Status::Failed) {
    o.total = Money(ledger_.total);
    o.paid = Money(ledger_.paid);
  }
  ledger_.stalled = status == Status::Uncertain && !final && ledger_.pending == Action::None;
  StepUpdate update;
  if (done_index_) {
    update.done_index = done_index_;
    update.done = o.steps[*done_index_];
  }
  update.progress = ToJson(ledger_);
  done_index_.reset();
  journal_.Finish(document_.key, o, final, update);
  return o;
}

Outcome DocumentRun::Stall(std::string reason) {
  return Finish(Status::Uncertain, std::move(reason), false);
}

}  // namespace tavirel::documents
