#pragma once
// The journal: the text of every document the register prints, line by line,
// as it is printed. Not thread-safe by itself: SimulatedRegister guards it.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace tavirel::sim {

enum class DocumentKind { Receipt, NonFiscal, Report, Closure, FiscalMemoryReport, Reprint };

/// One printed line as the register hands it over.
struct PrintedLine {
  DocumentKind kind = DocumentKind::Receipt;
  std::string text;     // UTF-8
  bool begins = false;  // first line of a document
  bool ends = false;    // last line of a document
};

struct JournalDocument {
  DocumentKind kind = DocumentKind::Receipt;
  std::vector<std::string> lines;
  bool complete = false;
  /// The lines joined with newlines, each line ending in one.
  [[nodiscard]] std::string Text() const;
};

class Journal {
 public:
  using Listener = std::function<void(const PrintedLine&)>;

  void Print(const PrintedLine& line);
  /// Calls `listener` for every line printed from now on; returns its id.
  std::size_t Subscribe(Listener listener);
  void Unsubscribe(std::size_t id);
  [[nodiscard]] const std::vector<JournalDocument>& Documents() const { return documents_; }
  /// The documents of `kind` that have been printed to their end.
  [[nodiscard]] std::vector<JournalDocument> Completed(DocumentKind kind) const;
  /// The listeners to call for a line (copied, so they can run unlocked).
  [[nodiscard]] std::vector<Listener> Listeners() const;

 private:
  std::vector<JournalDocument> documents_;
  std::vector<std::pair<std::size_t, Listener>> listeners_;
  std::size_t next_id_ = 1;
};

std::string_view DocumentKindName(DocumentKind kind);

}  // namespace tavirel::sim
