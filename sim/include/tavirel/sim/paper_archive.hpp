#pragma once
// The paper of each finished document, kept so a host can show what the
// register printed for one of them: its record (kind, number, total) and its
// printed lines. Kept in memory for the latest documents only (not in the
// state file), so it costs the same after a million documents as after a
// thousand. Not thread-safe by itself: SimulatedRegister guards it.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "tavirel/sim/journal.hpp"
#include "tavirel/sim/paper.hpp"

namespace tavirel::sim {

/// One finished document as it came out of the printer.
struct DocumentPaper {
  PaperRecord record;              // as on the paper record: kind, number, total, seq
  bool copy = false;               // a reprint: a copy of the last receipt
  bool cut = false;                // its first lines were printed before this register started
  std::vector<std::string> lines;  // UTF-8, 40 columns, as printed
  /// The lines joined with newlines, each line ending in one.
  [[nodiscard]] std::string Text() const;
};

class PaperArchive {
 public:
  /// The window: the latest documents, and lines in all of them (no single
  /// document the register prints comes near it; a longer one keeps its end).
  static constexpr std::size_t kKeptDocuments = 1000;
  static constexpr std::size_t kKeptLines = 131'072;

  /// Lines printed by a command that succeeded, in order: they belong to the
  /// document being printed until it is finished.
  void Printed(const PrintedLine& line);
  /// The document finished by the command whose lines were just given.
  /// `lines`, when given, are its whole text (a receipt kept across a
  /// restart); otherwise the lines printed since it began are taken.
  void Finished(const PaperRecord& record, const std::vector<std::string>* lines = nullptr);

  /// The latest kept document of `kind` numbered `number` (numbers start
  /// again each day, so an older one of the same number is not found).
  [[nodiscard]] std::optional<DocumentPaper> Find(PaperKind kind, int number) const;
  /// The kept document the register counted as its `seq`-th.
  [[nodiscard]] std::optional<DocumentPaper> FindSeq(std::uint64_t seq) const;
  /// The records of the kept documents, oldest first.
  [[nodiscard]] std::vector<PaperRecord> Records() const;

 private:
  void KeepWithinWindow();

  std::deque<DocumentPaper> kept_;
  std::size_t kept_lines_ = 0;
  std::vector<std::string> printing_;  // the document being printed
  DocumentKind printing_kind_ = DocumentKind::Receipt;
  bool printing_begun_ = false;  // its first line was seen
  bool printing_cut_ = false;    // it lost lines to the bound
};

}  // namespace tavirel::sim
