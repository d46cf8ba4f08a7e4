#include "tavirel/sim/paper_archive.hpp"

#include <algorithm>

namespace tavirel::sim {

std::string DocumentPaper::Text() const {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

void PaperArchive::Printed(const PrintedLine& line) {
  if (line.begins) {
    printing_.clear();
    printing_kind_ = line.kind;
    printing_begun_ = true;
    printing_cut_ = false;
  }
  // A receipt's whole text comes with its end; only the others are gathered.
  if (line.kind == DocumentKind::Receipt) return;
  printing_.push_back(line.text);
  // A document without end (a non-fiscal one of endless lines) keeps its
  // latest lines, losing half at once so each line costs the same.
  if (printing_.size() > kKeptLines) {
    printing_.erase(printing_.begin(),
                    printing_.begin() + static_cast<std::ptrdiff_t>(printing_.size() / 2));
    printing_cut_ = true;
  }
}

void PaperArchive::Finished(const PaperRecord& record, const std::vector<std::string>* lines) {
  DocumentPaper paper;
  paper.record = record;
  paper.copy = printing_begun_ && printing_kind_ == DocumentKind::Reprint;
  if (lines != nullptr) {
    paper.lines = *lines;
  } else {
    paper.lines = std::move(printing_);
    paper.cut = !printing_begun_ || printing_cut_;
  }
  printing_.clear();
  printing_begun_ = false;
  printing_cut_ = false;
  kept_lines_ += paper.lines.size();
  kept_.push_back(std::move(paper));
  KeepWithinWindow();
}

void PaperArchive::KeepWithinWindow() {
  while (kept_.size() > 1 && (kept_.size() > kKeptDocuments || kept_lines_ > kKeptLines)) {
    kept_lines_ -= kept_.front().lines.size();
    kept_.pop_front();
  }
}

std::optional<DocumentPaper> PaperArchive::Find(PaperKind kind, int number) const {
  const auto found = std::find_if(kept_.rbegin(), kept_.rend(), [&](const DocumentPaper& p) {
    return p.record.kind == kind && p.record.number == number;
  });
  if (found == kept_.rend()) return std::nullopt;
  return *found;
}

std::optional<DocumentPaper> PaperArchive::FindSeq(std::uint64_t seq) const {
  const auto found = std::find_if(kept_.rbegin(), kept_.rend(),
                                  [&](const DocumentPaper& p) { return p.record.seq == seq; });
  if (found == kept_.rend()) return std::nullopt;
  return *found;
}

std::vector<PaperRecord> PaperArchive::Records() const {
  std::vector<PaperRecord> records;
  records.reserve(kept_.size());
  for (const auto& paper : kept_) records.push_back(paper.record);
  return records;
}

}  // namespace tavirel::sim
