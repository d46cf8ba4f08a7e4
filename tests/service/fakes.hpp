#pragma once
// A store and a register driver of the tests' own, for the worker in virtual
// time: the store keeps entries in memory with the journal's rules for keys,
// the driver's opening and running are scripted per test.
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "document_store.hpp"
#include "register_driver.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/errors.hpp"

namespace tavirel::service::testing {

using documents::Document;
using documents::EntryState;
using documents::JournalEntry;
using documents::Outcome;
using documents::Status;

class FakeStore final : public DocumentStore {
 public:
  JournalEntry Enqueue(const Document& document, std::string_view register_name) override {
    std::lock_guard lock(mutex_);
    auto found = entries_.find(document.key);
    if (found != entries_.end()) {
      if (found->second.content_hash != documents::ContentHash(document)) {
        throw documents::KeyConflictError("key \"" + document.key + "\" holds other content");
      }
      const bool failed = found->second.state == EntryState::Finished && found->second.outcome &&
                          found->second.outcome->status == Status::Failed;
      if (failed) found->second.state = EntryState::Queued;
      return found->second;
    }
    JournalEntry entry{document.key,
                       document,
                       documents::ContentHash(document),
                       std::string(register_name),
                       std::nullopt,
                       EntryState::Queued,
                       std::nullopt,
                       ++sequence_};
    return entries_[document.key] = entry;
  }
  std::optional<JournalEntry> Lookup(std::string_view key) override {
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(std::string(key));
    if (found == entries_.end()) return std::nullopt;
    return found->second;
  }
  std::vector<JournalEntry> Unfinished(std::string_view register_name) override {
    std::lock_guard lock(mutex_);
    std::vector<JournalEntry> list;
    for (const auto& [key, entry] : entries_) {
      if (entry.register_name == register_name && entry.state != EntryState::Finished) {
        list.push_back(entry);
      }
    }
    std::sort(list.begin(), list.end(),
              [](const auto& a, const auto& b) { return a.sequence < b.sequence; });
    return list;
  }
  /// What a runner does with an outcome: final ones finish the key.
  void Record(const Outcome& outcome, bool final) {
    std::lock_guard lock(mutex_);
    auto& entry = entries_.at(outcome.key);
    entry.outcome = outcome;
    entry.state = final ? EntryState::Finished : EntryState::Running;
  }

 private:
  std::mutex mutex_;
  std::map<std::string, JournalEntry> entries_;
  std::int64_t sequence_ = 0;
};

/// A register whose every step is a function of the test.
class FakeDriver final : public RegisterDriver {
 public:
  struct Script {
    /// Called for each Open: throw to refuse (the default opens serial 4242).
    std::function<OpenedRegister()> open = [] { return OpenedRegister{4242, {}}; };
    /// Called for each Run (the default closes it).
    std::function<Outcome(const Document&)> run;
    std::function<std::string(std::string_view)> call;
  };

  FakeDriver(FakeStore& store, Script script) : store_(store), script_(std::move(script)) {}

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
    const bool final = outcome.status != Status::Uncertain || final_uncertain;
    store_.Record(outcome, final);
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
  bool final_uncertain = false;

 private:
  void Note(std::string what) {
    std::lock_guard lock(mutex_);
    log_.push_back(std::move(what));
  }

  FakeStore& store_;
  Script script_;
  mutable std::mutex mutex_;
  std::vector<std::string> log_;
};

inline Outcome Ended(const std::string& key, Status status,
                     std::optional<documents::FailedStep> step = std::nullopt) {
  Outcome outcome;
  outcome.key = key;
  outcome.status = status;
  outcome.failed_step = std::move(step);
  return outcome;
}

inline documents::FailedStep Step(std::optional<std::int16_t> result, std::string result_name) {
  documents::FailedStep step;
  step.member = "opReparto";
  step.result = result;
  step.result_name = std::move(result_name);
  return step;
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
