#include "trace_file.hpp"

#include <iostream>
#include <sstream>

#include "service_errors.hpp"

namespace tavirel::service {

// One register's printer, writing into a buffer that Write empties.
struct TraceFile::Line {
  Line(std::chrono::steady_clock::time_point origin, std::string label_text)
      : label(std::move(label_text)), printer(buffer, origin) {}
  std::mutex mutex;  // one register's thread at a time, and the destructor
  std::string label;
  std::ostringstream buffer;
  support::TracePrinter printer;
};

TraceFile::TraceFile(const std::string& path, std::chrono::steady_clock::time_point origin)
    : out_(&std::cerr), origin_(origin) {
  if (path != "-") {
    file_.open(path, std::ios::binary | std::ios::app);
    if (!file_) throw ConfigError("cannot open the trace file " + path);
    out_ = &file_;
  }
}

TraceFile::~TraceFile() {
  for (auto& line : lines_) {
    std::lock_guard lock(line->mutex);
    line->printer.Flush();
    Write(*line);
  }
}

TraceHook TraceFile::HookFor(const std::string& label) {
  std::lock_guard lock(mutex_);
  lines_.push_back(std::make_unique<Line>(origin_, label.empty() ? "" : "[" + label + "] "));
  Line* line = lines_.back().get();
  return [this, line](TraceDirection direction, std::string_view bytes,
                      std::chrono::steady_clock::time_point at) {
    std::lock_guard lock(line->mutex);
    line->printer.OnBytes(direction, bytes, at);
    Write(*line);
  };
}

void TraceFile::Write(Line& line) {
  std::string text = line.buffer.str();
  if (text.empty()) return;
  line.buffer.str({});
  if (!line.label.empty()) {
    std::string labelled;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = text.find('\n', at);
      const std::size_t next = end == std::string::npos ? text.size() : end + 1;
      labelled += line.label;
      labelled.append(text, at, next - at);
      at = next;
    }
    text = std::move(labelled);
  }
  std::lock_guard lock(mutex_);
  out_->write(text.data(), static_cast<std::streamsize>(text.size()));
  out_->flush();
}

}  // namespace tavirel::service
