#include "metrics.hpp"

#include <cstdio>

namespace tavirel::service {
namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

// A label value with Prometheus's escapes.
std::string Escaped(std::string_view value) {
  std::string out;
  for (char c : value) {
    if (c == '\\' || c == '"') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out;
}

void Header(std::string& out, std::string_view name, std::string_view type, std::string_view help) {
  out.append("# HELP ").append(name).append(" ").append(help).append("\n");
  out.append("# TYPE ").append(name).append(" ").append(type).append("\n");
}

std::string Labels(std::string_view labels, std::string_view extra) {
  if (labels.empty() && extra.empty()) return "";
  std::string all(labels);
  if (!labels.empty() && !extra.empty()) all += ",";
  all += extra;
  return "{" + all + "}";
}

}  // namespace

void Histogram::Observe(double seconds) {
  for (std::size_t i = 0; i < kBounds.size(); ++i) {
    if (seconds <= kBounds[i]) {
      ++buckets_[i];
      break;
    }
  }
  ++count_;
  sum_ += seconds;
}

void Histogram::Write(std::string& out, std::string_view name, std::string_view labels) const {
  std::uint64_t cumulative = 0;
  for (std::size_t i = 0; i < kBounds.size(); ++i) {
    cumulative += buckets_[i];
    out.append(name).append("_bucket").append(Labels(labels, "le=\"" + Number(kBounds[i]) + "\""));
    out.append(" ").append(std::to_string(cumulative)).append("\n");
  }
  out.append(name).append("_bucket").append(Labels(labels, "le=\"+Inf\""));
  out.append(" ").append(std::to_string(count_)).append("\n");
  out.append(name)
      .append("_sum")
      .append(Labels(labels, ""))
      .append(" ")
      .append(Number(sum_))
      .append("\n");
  out.append(name).append("_count").append(Labels(labels, "")).append(" ");
  out.append(std::to_string(count_)).append("\n");
}

void Metrics::DocumentFinished(std::string_view register_name, std::string_view status,
                               std::chrono::duration<double> took) {
  std::lock_guard lock(mutex_);
  ++documents_[{std::string(register_name), std::string(status)}];
  document_seconds_[std::string(register_name)].Observe(took.count());
}

void Metrics::CallFinished(std::string_view register_name, std::chrono::duration<double> took) {
  std::lock_guard lock(mutex_);
  call_seconds_[std::string(register_name)].Observe(took.count());
}

void Metrics::Result(std::string_view result_name) {
  std::lock_guard lock(mutex_);
  ++results_[std::string(result_name)];
}

void Metrics::Response(int status) {
  std::lock_guard lock(mutex_);
  ++responses_[status];
}

std::string Metrics::Text(const std::vector<QueueGauge>& queues) const {
  std::lock_guard lock(mutex_);
  std::string out;
  Header(out, "tavireld_documents_total", "counter", "Documents that reached an end, by status.");
  for (const auto& [key, count] : documents_) {
    out += "tavireld_documents_total{register=\"" + Escaped(key.first) + "\",status=\"" +
           Escaped(key.second) + "\"} " + std::to_string(count) + "\n";
  }
  Header(out, "tavireld_queue_length", "gauge", "Documents and calls waiting, by register.");
  for (const auto& q : queues) {
    out += "tavireld_queue_length{register=\"" + Escaped(q.register_name) + "\"} " +
           std::to_string(q.length) + "\n";
  }
  Header(out, "tavireld_register_open", "gauge", "1 while the register's port is open.");
  for (const auto& q : queues) {
    out += "tavireld_register_open{register=\"" + Escaped(q.register_name) + "\"} " +
           (q.open ? "1" : "0") + "\n";
  }
  Header(out, "tavireld_results_total", "counter", "Replies of the registers, by result.");
  for (const auto& [name, count] : results_) {
    out +=
        "tavireld_results_total{result=\"" + Escaped(name) + "\"} " + std::to_string(count) + "\n";
  }
  Header(out, "tavireld_operation_seconds", "histogram",
         "Time a document or a call took on its register.");
  for (const auto& [name, histogram] : document_seconds_) {
    histogram.Write(out, "tavireld_operation_seconds",
                    "kind=\"document\",register=\"" + Escaped(name) + "\"");
  }
  for (const auto& [name, histogram] : call_seconds_) {
    histogram.Write(out, "tavireld_operation_seconds",
                    "kind=\"call\",register=\"" + Escaped(name) + "\"");
  }
  Header(out, "tavireld_http_responses_total", "counter", "HTTP responses, by status.");
  for (const auto& [status, count] : responses_) {
    out += "tavireld_http_responses_total{status=\"" + std::to_string(status) + "\"} " +
           std::to_string(count) + "\n";
  }
  return out;
}

}  // namespace tavirel::service
