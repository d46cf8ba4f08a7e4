#pragma once
// The paper record's file: one line per finished document, appended and
// flushed to disk before the reply that finished the document leaves. Not
// thread-safe by itself: SimulatedRegister guards it.
#include <optional>
#include <string>

#include "tavirel/sim/paper.hpp"

namespace tavirel::sim {

class PaperFile {
 public:
  /// Opens `path` for appending, creating it. Refuses anything but a regular
  /// file (a FIFO, a device, a directory) without opening it for long, so
  /// nothing hangs. A last line cut short (a kill in the middle of a write) is
  /// removed. Throws SimError naming the file and what failed.
  explicit PaperFile(std::string path);
  ~PaperFile();
  PaperFile(const PaperFile&) = delete;
  PaperFile& operator=(const PaperFile&) = delete;

  [[nodiscard]] const std::string& Path() const { return path_; }
  /// The last record on the paper, if any (read back from the file).
  [[nodiscard]] const std::optional<PaperRecord>& Last() const { return last_; }
  /// The record before the last, if any.
  [[nodiscard]] const std::optional<PaperRecord>& BeforeLast() const { return before_last_; }
  /// Appends one record and flushes it to disk. Throws SimError when it
  /// cannot; a partial line is then removed again.
  void Append(const PaperRecord& record);
  /// Removes the last record: a document the register did not keep after all.
  void DropLast();

 private:
  void ReadTail();
  void TruncateTo(long long size);

  std::string path_;
  int fd_ = -1;
  long long size_ = 0;
  long long last_start_ = 0;  // offset of the last record's line
  std::optional<PaperRecord> last_;
  std::optional<PaperRecord> before_last_;
};

/// Brings a paper into agreement with a register's kept state at start, the
/// state holding `documents` finished documents, the last being `last`:
/// - a paper one record ahead, whose record before holds `last`, carries a
///   document written just before a kill that kept it out of the state: that
///   record is removed;
/// - a paper behind the state (it was not given for a while, or a write was
///   lost) lacks at least the state's last document: that one is appended;
/// - a new (empty) paper starts where the state is.
/// Any other disagreement means the two are not of the same register: a
/// SimError naming both, and nothing is changed.
void ReconcilePaper(PaperFile& paper, std::uint64_t documents, const PaperRecord& last,
                    const std::string& state_path);

}  // namespace tavirel::sim
