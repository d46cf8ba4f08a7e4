#pragma once
// A tavireld in the test's process: its journal and token in a fresh folder,
// listening on an ephemeral loopback port, serving on a thread, its log
// kept for the test; and HTTP clients for it. Every answer its clients get
// is held to the API's description when the rig ends (a test failure lists
// those that do not match).
#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "openapi_check.hpp"
#include "service.hpp"
#include "temp_dir.hpp"

namespace tavirel::service::testing {

using Json = nlohmann::json;

class ServiceRig {
 public:
  explicit ServiceRig(ServiceConfig config, ServiceParts parts = {}) {
    config.listen_host = "127.0.0.1";
    config.listen_port = 0;
    config.journal = dir_ / "state/journal.db";
    config.token_file = dir_ / "config/token";
    if (!parts.log) {
      parts.log = [this](std::string_view line) {
        std::lock_guard lock(log_mutex_);
        log_lines_.emplace_back(line);
      };
    }
    service_ = std::make_unique<Service>(std::move(config), std::move(parts));
    service_->Start();
    serving_ = std::thread([this] { service_->Serve(); });
  }
  ~ServiceRig() {
    service_->Stop();
    serving_.join();
    CheckAgainstDescription();
  }
  ServiceRig(const ServiceRig&) = delete;
  ServiceRig& operator=(const ServiceRig&) = delete;

  [[nodiscard]] Service& service() { return *service_; }
  [[nodiscard]] int port() const { return service_->Port(); }
  [[nodiscard]] const std::string& token() const { return service_->Token(); }
  [[nodiscard]] const TempDir& dir() const { return dir_; }
  /// The service's log lines so far.
  [[nodiscard]] std::vector<std::string> LogLines() const {
    std::lock_guard lock(log_mutex_);
    return log_lines_;
  }

  /// A client that sends the token.
  [[nodiscard]] std::unique_ptr<httplib::Client> Client() const {
    auto client = Anonymous();
    client->set_bearer_token_auth(token().c_str());
    return client;
  }
  /// A client that sends no token.
  [[nodiscard]] std::unique_ptr<httplib::Client> Anonymous() const {
    auto client = std::make_unique<httplib::Client>("127.0.0.1", port());
    client->set_read_timeout(std::chrono::seconds(60));
    client->set_connection_timeout(std::chrono::seconds(5));
    client->set_logger(
        [exchanges = exchanges_](const httplib::Request& req, const httplib::Response& res) {
          exchanges->Add({req.method, req.path, req.body, res.status,
                          res.get_header_value("Content-Type"), res.body});
        });
    return client;
  }
  /// The exchanges of this rig's clients so far.
  [[nodiscard]] std::vector<Exchange> Exchanges() const { return exchanges_->All(); }

  /// Waits (in real time, bounded) until every register is open.
  bool AllOpen() const { return AllOpenBut(""); }
  /// Waits (in real time, bounded) until every register but `left_out` is open.
  bool AllOpenBut(const std::string& left_out) const {
    auto client = Client();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      const auto res = client->Get("/v1/registers");
      if (res && res->status == 200) {
        bool open = true;
        const Json list = Json::parse(res->body);  // kept: the loop walks a part of it
        for (const auto& r : list["registers"]) {
          open = open && (r["open"] == true || r["name"] == left_out);
        }
        if (open) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

 private:
  class ExchangeLog {
   public:
    void Add(Exchange exchange) {
      std::lock_guard lock(mutex_);
      list_.push_back(std::move(exchange));
    }
    std::vector<Exchange> All() const {
      std::lock_guard lock(mutex_);
      return list_;
    }

   private:
    mutable std::mutex mutex_;
    std::vector<Exchange> list_;
  };

  // Each problem once, with how many answers had it.
  void CheckAgainstDescription() const {
    const auto description = ApiDescription::BuiltIn();
    std::vector<std::pair<std::string, int>> problems;
    for (const auto& exchange : exchanges_->All()) {
      for (const auto& problem : description.Check(exchange)) {
        auto it = std::find_if(problems.begin(), problems.end(),
                               [&](const auto& p) { return p.first == problem; });
        if (it == problems.end())
          problems.emplace_back(problem, 1);
        else
          ++it->second;
      }
    }
    if (problems.empty()) return;
    std::string list;
    for (const auto& [problem, count] : problems) {
      list += "\n  " + problem + (count > 1 ? " (" + std::to_string(count) + " times)" : "");
    }
    ADD_FAILURE() << problems.size() << " answers differ from service/openapi.json:" << list;
  }

  std::shared_ptr<ExchangeLog> exchanges_ = std::make_shared<ExchangeLog>();
  TempDir dir_;
  mutable std::mutex log_mutex_;
  std::vector<std::string> log_lines_;
  std::unique_ptr<Service> service_;
  std::thread serving_;
};

/// A receipt of the simulated register's departments, as JSON text.
inline std::string ReceiptJson(const std::string& key, const std::string& price = "1.50") {
  Json doc{
      {"type", "receipt"},
      {"lines", Json::array({Json{{"department", 1}, {"description", "PANE"}, {"price", price}}})},
      {"payments", Json::array({Json{{"type", "cash"}}})}};
  if (!key.empty()) doc["key"] = key;
  return doc.dump();
}

}  // namespace tavirel::service::testing
