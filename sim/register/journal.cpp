#include "tavirel/sim/journal.hpp"

#include <algorithm>

namespace tavirel::sim {

std::string JournalDocument::Text() const {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

void Journal::Print(const PrintedLine& line) {
  if (line.begins || documents_.empty() || documents_.back().complete) {
    if (!documents_.empty() && !documents_.back().complete) documents_.back().complete = true;
    documents_.push_back(JournalDocument{line.kind, {}, false, false});
  }
  documents_.back().lines.push_back(line.text);
  ++kept_lines_;
  if (line.ends) documents_.back().complete = true;
  KeepWithinWindow();
}

void Journal::KeepWithinWindow() {
  while (documents_.size() > 1 &&
         (documents_.size() > kKeptDocuments || kept_lines_ > kKeptLines)) {
    kept_lines_ -= documents_.front().lines.size();
    documents_.pop_front();
  }
  // One document longer than the window loses its first half at once, so
  // keeping it costs the same on each line.
  JournalDocument& last = documents_.back();
  if (kept_lines_ > kKeptLines) {
    const std::size_t drop = last.lines.size() / 2;
    last.lines.erase(last.lines.begin(), last.lines.begin() + static_cast<std::ptrdiff_t>(drop));
    kept_lines_ -= drop;
    last.cut = true;
  }
}

std::vector<JournalDocument> Journal::Documents() const {
  return std::vector<JournalDocument>(documents_.begin(), documents_.end());
}

std::size_t Journal::Subscribe(Listener listener) {
  listeners_.emplace_back(next_id_, std::move(listener));
  return next_id_++;
}

void Journal::Unsubscribe(std::size_t id) {
  std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

std::vector<JournalDocument> Journal::Completed(DocumentKind kind) const {
  std::vector<JournalDocument> found;
  for (const auto& doc : documents_) {
    if (doc.kind == kind && doc.complete) found.push_back(doc);
  }
  return found;
}

std::vector<Journal::Listener> Journal::Listeners() const {
  std::vector<Listener> copy;
  for (const auto& entry : listeners_) copy.push_back(entry.second);
  return copy;
}

std::string_view DocumentKindName(DocumentKind kind) {
  switch (kind) {
    case DocumentKind::Receipt: return "receipt";
    case DocumentKind::NonFiscal: return "non-fiscal";
    case DocumentKind::Report: return "report";
    case DocumentKind::Closure: return "closure";
    case DocumentKind::FiscalMemoryReport: return "fiscal-memory";
    case DocumentKind::Reprint: return "reprint";
  }
  return "";
}

}  // namespace tavirel::sim
