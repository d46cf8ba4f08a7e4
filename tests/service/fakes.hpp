#pragma once
// A register driver of the tests' own, for the worker in virtual time: its
// opening, running and calls are scripted per test, and what a run ends in
// is written to a real journal through the journal's own API, as the runner
// writes it.
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "register_driver.hpp"
#include "tavirel/documents/journal.hpp"

namespace tavirel::service::testing {

using documents::Document;
using documents::JournalEntry;
using documents::Outcome;
using documents::Status;

/// A register whose every step is a function of the test.
class FakeDriver final : public RegisterDriver {
 public:
  static constexpr std::int32_t kSerial = 4242;

  struct Script {
    /// Called for each Open: throw to refuse (the default opens kSerial).
    std::function<OpenedRegister()> open = [] { return OpenedRegister{kSerial, {}}; };
    /// Called for each Run (the default closes it).
    std::function<Outcome(const Document&)> run;
    std::function<std::string(std::string_view)> call;
  };

  FakeDriver(documents::Journal& journal, Script script)
      : journal_(journal), script_(std::move(script)) {}

  OpenedRegister Open() override {
    Note("open");
    return script_.open();
  }
  void Close() noexcept override { Note("close"); }
  Outcome Run(const Document& document) override {
    Note("run " + document.key);
    Outcome outcome;
    if (script_.run) {
      outcome = script_.run(document);
    } else {
      outcome.key = document.key;
      outcome.status = Status::Closed;
    }
    journal_.Start(document, kSerial);
    journal_.Finish(document.key, outcome);
    return outcome;
  }
  std::string Call(std::string_view op) override {
    Note("call " + std::string(op));
    return script_.call ? script_.call(op) : R"({"member": "x", "result": 0})";
  }
  void CancelWait() noexcept override { Note("cancel"); }

  /// Everything the worker asked of the register, in order.
  std::vector<std::string> Log() const {
    std::lock_guard lock(mutex_);
    return log_;
  }

 private:
  void Note(std::string what) {
    std::lock_guard lock(mutex_);
    log_.push_back(std::move(what));
  }

  documents::Journal& journal_;
  Script script_;
  mutable std::mutex mutex_;
  std::vector<std::string> log_;
};

inline Outcome Ended(const std::string& key, Status status, std::string reason = {},
                     bool holds_register = false) {
  Outcome outcome;
  outcome.key = key;
  outcome.status = status;
  outcome.holds_register = holds_register;
  if (!reason.empty()) {
    outcome.failed_step.emplace();
    outcome.failed_step->reason = std::move(reason);
  }
  return outcome;
}

inline FakeDriver::Script OnRun(std::function<Outcome(const Document&)> run) {
  FakeDriver::Script script;
  script.run = std::move(run);
  return script;
}
inline FakeDriver::Script OnOpen(std::function<OpenedRegister()> open) {
  FakeDriver::Script script;
  script.open = std::move(open);
  return script;
}
inline FakeDriver::Script OnCall(std::function<std::string(std::string_view)> call) {
  FakeDriver::Script script;
  script.call = std::move(call);
  return script;
}

inline Document Receipt(const std::string& key, const std::string& price = "1.50") {
  Document document;
  document.key = key;
  documents::ReceiptLine line;
  line.department = 1;
  line.description = "PANE";
  line.price = price;
  document.lines.push_back(line);
  document.payments.push_back(documents::Payment{});
  return document;
}

}  // namespace tavirel::service::testing
