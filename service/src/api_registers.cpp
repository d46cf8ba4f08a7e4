// The registers' status, the health check and the metrics.
#include "api_context.hpp"

namespace tavirel::service {

void InstallRegisterRoutes(http::Router& router, ApiContext& api) {
  router.Get("/v1/registers", [&api](const http::Request&, http::Response& res) {
    Json list = Json::array();
    for (const auto& worker : api.workers) list.push_back(StatusJson(worker->Status()));
    SendJson(res, 200, Json{{"registers", list}});
  });
  router.Get(R"(/v1/registers/([^/]+))", [&api](const http::Request& req, http::Response& res) {
    SendJson(res, 200, StatusJson(api.Worker(req.matches[1]).Status()));
  });
  router.Get("/healthz", [&api](const http::Request&, http::Response& res) {
    // Alive while serving; the registers' states are for /v1/registers.
    std::size_t open = 0;
    for (const auto& worker : api.workers) open += worker->Status().state == RegisterState::Open;
    SendJson(res, api.stopping ? 503 : 200,
             Json{{"status", api.stopping ? "stopping" : "ok"},
                  {"registers", api.workers.size()},
                  {"open", open}});
  });
  router.Get("/metrics", [&api](const http::Request&, http::Response& res) {
    std::vector<QueueGauge> queues;
    for (const auto& worker : api.workers) {
      const auto status = worker->Status();
      queues.push_back(
          {status.config.name, status.queue_length, status.state == RegisterState::Open});
    }
    res.SetContent(api.metrics.Text(queues), "text/plain; version=0.0.4");
  });
}

}  // namespace tavirel::service
