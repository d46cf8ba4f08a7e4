#pragma once
// Errors of the call raised by the document layer. Outcomes of a document
// (closed, voided, failed, uncertain) are values (see outcome.hpp); these
// exceptions mean the call itself could not be carried out.
#include <string>
#include <utility>
#include <vector>

#include "tavirel/errors.hpp"

namespace tavirel::documents {

/// One problem of a document, named by where it is ("lines[2].price",
/// "payments", "key") and what is wrong with it.
struct Problem {
  std::string where;
  std::string message;
  friend bool operator==(const Problem&, const Problem&) = default;
};

/// A text that is not a document: not JSON, or fields of the wrong kind.
/// Every problem found is listed, not only the first.
class DocumentError : public TavirelError {
 public:
  explicit DocumentError(std::vector<Problem> problems);
  /// One problem.
  DocumentError(std::string where, std::string message);
  [[nodiscard]] const std::vector<Problem>& problems() const noexcept { return problems_; }

 private:
  std::vector<Problem> problems_;
};

/// The journal's database could not be opened, read or written. The message
/// names the file and what SQLite said.
class JournalError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

/// A row of the journal that does not read (its document or outcome was
/// damaged): it is left as it is. The message names the journal and the key.
class DamagedRowError : public JournalError {
 public:
  using JournalError::JournalError;
};

/// A key the journal holds with other content. The message names the key.
class KeyConflictError : public JournalError {
 public:
  using JournalError::JournalError;
};

/// A key admitted for one register was sent to another, or a document in
/// flight on one register was asked to run on another: it can be resolved
/// only where it started. The message names both.
class RegisterMismatchError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

}  // namespace tavirel::documents
