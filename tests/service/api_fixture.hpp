#pragma once
// The API tests' service: a built-in simulated register and one whose
// device does not exist, one allowed origin, small bounds; started once for
// each suite that uses it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "service_rig.hpp"

namespace tavirel::service::testing {

using namespace std::chrono_literals;

inline constexpr const char* kOrigin = "http://pos.example:8080";

inline ServiceConfig TwoRegisters() {
  ServiceConfig config;
  config.registers = {ParseRegisterOption("sim=sim"),
                      ParseRegisterOption("off=/nonexistent/ttyUSB9")};
  config.allow_origins = {kOrigin};
  config.limits.queue_length = 2;
  config.limits.event_streams = 2;
  config.limits.waiting_connections = 64;
  config.limits.io_timeout = std::chrono::seconds(1);
  config.limits.request_timeout = std::chrono::seconds(2);
  return config;
}

class ApiTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { rig_ = new ServiceRig(TwoRegisters()); }
  static void TearDownTestSuite() {
    delete rig_;
    rig_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(Eventually([] { return SimOpen(); }));
  }

  static bool SimOpen() {
    const auto res = rig_->Client()->Get("/v1/registers/sim");
    return res && Json::parse(res->body)["open"] == true;
  }
  template <typename Predicate>
  static bool Eventually(Predicate predicate) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!predicate()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(20ms);
    }
    return true;
  }
  static httplib::Result Post(const std::string& path, const std::string& body,
                              const httplib::Headers& headers = {}) {
    return rig_->Client()->Post(path.c_str(), headers, body, "application/json");
  }
  static Json Body(const httplib::Result& res) { return Json::parse(res->body); }

  inline static ServiceRig* rig_ = nullptr;
};

}  // namespace tavirel::service::testing
