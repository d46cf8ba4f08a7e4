#pragma once
// One run of one document: its planned steps sent in order on the control,
// each recorded in the journal before its request goes out and after its
// reply, and the rules for refusals and for steps whose effect is unknown.
// Where the run ends is a Status: the journal makes it the document's state.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ledger.hpp"
#include "plan.hpp"
#include "program_plan.hpp"
#include "tavirel/documents/journal.hpp"
#include "tavirel/documents/runner.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::documents {

/// How a request ended, as far as the register's state is concerned.
enum class Reply {
  Ok,       // answered, and the reply is the step's
  Refused,  // EERR: the register did nothing
  NotSent,  // nothing went out (port closed, Clear To Send low, ...)
  Unknown,  // the request went out, no usable reply came
};

/// What the subtotal says about the receipt.
struct Reading {
  enum Kind { Open, Payment, None, Unclear } kind = Unclear;
  std::int64_t amount = 0;  // Open: the total; Payment: what is still due
  bool paper_out = false;   // Unclear because the register is out of paper
  friend bool operator==(const Reading&, const Reading&) = default;
};

class DocumentRun {
 public:
  /// A run of a document the journal holds queued: it is started (T3) with
  /// its first write.
  DocumentRun(TavirelControl& control, Journal& journal, const RunnerOptions& options,
              const Document& document, std::int32_t serial);
  /// A run resumed from what Start found (T4, T5).
  DocumentRun(TavirelControl& control, Journal& journal, const RunnerOptions& options,
              const Document& document, std::int32_t serial, const StartResult& start);

  /// Runs (or resolves and goes on with) the document to its outcome, which
  /// the journal holds when this returns.
  Outcome Go();

 private:
  using ReplyCheck = std::function<bool(const TavirelControl&)>;

  // ---- The line and the journal (document_run.cpp) ----------------------
  /// Sends one request. Its row is written, in flight, before it goes out,
  /// unless it is a reading (`durable` false: it has no effect to lose). An
  /// OP_OK reply is the request's when `ours` says so. A `secret` argument
  /// is recorded as "****", in the arguments and in the command.
  Reply Exchange(const std::string& member, const std::vector<Variant>& args,
                 const ReplyCheck& ours, bool durable,
                 const std::optional<SecretSpan>& secret = std::nullopt);
  /// Exchange for a request that carries the operator: its reply echoes the
  /// operator, and passes `check` when given.
  Reply Send(const std::string& member, const std::vector<Variant>& args,
             const ReplyCheck& check = {}, bool durable = true);
  Reply SendStep(const PlannedStep& step);
  /// The subtotal, tried up to the options' attempts; a paper end is
  /// followed by the restart command once.
  Reading ReadSubtotal();
  /// Writes the steps that changed and the ledger; the first write starts
  /// the document in the journal.
  void Write(bool in_flight);
  [[nodiscard]] StepUpdate Changes(bool in_flight) const;
  FailedStep Failure(const std::string& where, std::string reason) const;
  /// Ends the run where `status` says (T6, T7), with `reason` added to why.
  Outcome Finish(Status status, std::string reason = {});
  /// The register could not be read to tell what a step did: uncertain.
  Outcome Stall(std::string reason);
  /// It cannot go on by itself; `holds` when it is left open on the register.
  Outcome Attention(std::string reason, bool holds);
  /// A refusal for paper: the document waits, open as it is, for the paper.
  Outcome PaperStop(const std::string& where);
  [[nodiscard]] bool RefusedForPaper() const;
  /// Before an operator's decision is carried out: the restart command when
  /// the document stopped for paper. An outcome when it cannot go on.
  std::optional<Outcome> RestartPrinting();
  [[nodiscard]] std::string Money(std::int64_t units) const;
  [[nodiscard]] std::int64_t Units(Currency face_value) const;
  [[nodiscard]] Variant Operator() const;

  // ---- Receipts (receipt_run.cpp) ----------------------------------------
  Outcome RunReceipt();
  std::optional<Outcome> CheckNoReceiptOpen();
  Outcome Continue();
  std::optional<Outcome> Apply(const PlannedStep& step);
  std::optional<Outcome> AfterRefusal(const PlannedStep& step, Reply reply);
  std::optional<Outcome> Resolve(const PlannedStep& step);
  std::optional<Outcome> ApplyReading(const PlannedStep& step, const Reading& reading);
  Outcome Void(FailedStep why);
  Outcome ResolveVoid();
  Outcome Settle();
  Outcome ResumeAfterPaper();
  Outcome CarryOut(const Settlement& settlement);
  Outcome PayRest(const Settlement& settlement);
  Outcome LeftToPay(std::int64_t due, std::string reason);
  std::optional<Outcome> CheckPaymentsCover();
  [[nodiscard]] Reading Before() const;
  [[nodiscard]] std::optional<Reading> After(const PlannedStep& step) const;
  [[nodiscard]] bool Matches(const PlannedStep& step, const Reading& reading) const;

  // ---- Programming (programming_run.cpp) ----------------------------------
  Outcome RunProgramming();
  /// Reads one entry (tried up to the options' attempts) into `held`.
  Reply ReadEntry(const ProgramStep& step, Record& held);
  Reply ReadClock(DateParts& shown);
  /// A write left in flight by an earlier run: reported once the entry reads
  /// as the document wants.
  void SettlePending(const std::vector<ProgramStep>& steps,
                     const std::vector<std::optional<Record>>& held,
                     const std::optional<DateParts>& clock);
  /// Writes one entry where it differs and reads it back; an outcome when
  /// the document ends there.
  std::optional<Outcome> ProgramEntry(const ProgramStep& step, std::size_t index,
                                      const std::optional<Record>& held);
  std::optional<Outcome> SetClock(const DateParts& shown);
  /// The programming write whose reply just came (or was lost): its outcome
  /// when the document ends, else nothing (`done` says whether it took).
  std::optional<Outcome> AfterWrite(const std::string& where, Reply reply, bool& done);
  void Took(bool written);
  [[nodiscard]] bool AlreadyChanged(const std::string& table,
                                    std::optional<std::int64_t> number) const;
  /// The register went out of reach: queued when nothing went out, else uncertain.
  Outcome OutOfReach(const std::string& where, const std::string& what);
  [[nodiscard]] DateParts HostTime() const;

  // ---- Non-fiscal documents and reports (other_runs.cpp) ------------------
  Outcome RunNonFiscal();
  Outcome EndEarly(FailedStep why);
  Outcome ResolveEnd();
  Outcome RunReport();

  TavirelControl& control_;
  Journal& journal_;
  const RunnerOptions& options_;
  const Document& document_;
  std::int32_t serial_;
  std::int32_t mode_;
  std::vector<PlannedStep> plan_;
  Ledger ledger_;
  std::optional<Settlement> instruction_;  // an operator's decision to carry out
  bool resumed_after_paper_ = false;       // the restart command went out in this run
  bool started_;                           // the journal holds it running
  std::size_t dirty_from_;  // steps from here on are not yet as the journal holds them
};

}  // namespace tavirel::documents
