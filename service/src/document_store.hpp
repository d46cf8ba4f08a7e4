#pragma once
// What the workers and the API need of the journal: queue a document
// durably, look a key up, and find a register's unfinished documents after a
// restart. The journal itself is the store the program uses; tests may give
// another.
//
// Thread safety: implementations may be called from any thread.
#include <optional>
#include <string_view>
#include <vector>

#include "tavirel/documents/journal.hpp"

namespace tavirel::service {

class DocumentStore {
 public:
  virtual ~DocumentStore() = default;
  /// Journal::Enqueue.
  virtual documents::JournalEntry Enqueue(const documents::Document& document,
                                          std::string_view register_name) = 0;
  /// Journal::Lookup.
  virtual std::optional<documents::JournalEntry> Lookup(std::string_view key) = 0;
  /// Journal::Unfinished.
  virtual std::vector<documents::JournalEntry> Unfinished(std::string_view register_name) = 0;
};

/// The journal as the store. The journal must outlive it.
class JournalStore final : public DocumentStore {
 public:
  explicit JournalStore(documents::Journal& journal) : journal_(journal) {}
  documents::JournalEntry Enqueue(const documents::Document& document,
                                  std::string_view register_name) override {
    return journal_.Enqueue(document, register_name);
  }
  std::optional<documents::JournalEntry> Lookup(std::string_view key) override {
    return journal_.Lookup(key);
  }
  std::vector<documents::JournalEntry> Unfinished(std::string_view register_name) override {
    return journal_.Unfinished(register_name);
  }

 private:
  documents::Journal& journal_;
};

}  // namespace tavirel::service
