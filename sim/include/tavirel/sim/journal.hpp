#pragma once
// The journal: the text of the documents the register prints, line by line,
// as they are printed. It keeps a window of the latest documents (the paper
// goes to its file or output as it prints), so it costs the same after a
// million receipts as after one. Not thread-safe by itself:
// SimulatedRegister guards it.
#include <cstddef>
#include <deque>
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
  bool cut = false;  // so long that its first lines are no longer kept
  /// The lines joined with newlines, each line ending in one.
  [[nodiscard]] std::string Text() const;
};

class Journal {
 public:
  using Listener = std::function<void(const PrintedLine&)>;
  /// The window: the latest documents, and lines in all of them.
  static constexpr std::size_t kKeptDocuments = 64;
  static constexpr std::size_t kKeptLines = 8192;

  void Print(const PrintedLine& line);
  /// Calls `listener` for every line printed from now on; returns its id.
  std::size_t Subscribe(Listener listener);
  void Unsubscribe(std::size_t id);
  /// The documents in the window, oldest first.
  [[nodiscard]] std::vector<JournalDocument> Documents() const;
  /// The documents of `kind` in the window that have been printed to their end.
  [[nodiscard]] std::vector<JournalDocument> Completed(DocumentKind kind) const;
  /// The listeners to call for a line (copied, so they can run unlocked).
  [[nodiscard]] std::vector<Listener> Listeners() const;

 private:
  void KeepWithinWindow();

  std::deque<JournalDocument> documents_;
  std::size_t kept_lines_ = 0;
  std::vector<std::pair<std::size_t, Listener>> listeners_;
  std::size_t next_id_ = 1;
};

std::string_view DocumentKindName(DocumentKind kind);

}  // namespace tavirel::sim
