// Member calls: one JSON OP, run in its turn in the register's queue.
#include <algorithm>
#include <array>

#include "api_context.hpp"
#include "call_codec.hpp"
#include "service_errors.hpp"

namespace tavirel::service {
namespace {

using http::Request;
using http::Response;
using namespace std::chrono_literals;

// Members that would take the port or its settings from under the worker.
struct Reserved {
  std::string_view member;
  bool only_when_setting;  // reading it is fine
};
constexpr std::array<Reserved, 8> kReserved = {{
    {"PortOpen", false},
    {"PortClose", false},
    {"InitProperties", false},
    {"ReadProperties", false},
    {"Initialize", false},
    {"Settings", true},
    {"COMPort", true},
    {"EuroSettings", true},
}};

void CheckMember(const Json& op) {
  if (!op.is_object()) throw ApiError(400, "a call is a JSON object {\"member\", \"args\"}", "");
  const auto member = op.find("member");
  if (member == op.end() || !member->is_string()) {
    throw ApiError(400, "member must name a member of the control", "member");
  }
  const auto args = op.find("args");
  const bool setting = args != op.end() && args->is_array() && !args->empty();
  const std::string name = member->get<std::string>();
  for (const auto& reserved : kReserved) {
    if (name == reserved.member && (!reserved.only_when_setting || setting)) {
      throw ApiError(400, name + " is the service's to manage; it is not called through the API",
                     "member");
    }
  }
}

void Call(ApiContext& api, const Request& req, Response& res) {
  RegisterWorker& worker = api.Worker(req.matches[1]);
  const auto wait = WaitParameter(req, 30s, api.config.limits.max_wait);
  CheckMember(ParseBody(req, api.config.limits));
  const std::shared_ptr<CallTicket> ticket = worker.SubmitCall(req.body);
  switch (ticket->Wait(std::chrono::steady_clock::now() + wait)) {
    case CallTicket::Result::Answered:
      res.status = 200;
      res.SetHeader("Cache-Control", "no-store");
      res.SetContent(ticket->Answer() + "\n", "application/json");
      return;
    case CallTicket::Result::Withdrawn:
      throw CallWithdrawnError("the register did not reach the call within " +
                               std::to_string(wait.count()) + " s; it was withdrawn");
    case CallTicket::Result::Failed: std::rethrow_exception(ticket->Error());
  }
}

}  // namespace

void InstallCallRoutes(http::Router& router, ApiContext& api) {
  router.Post(R"(/v1/registers/([^/]+)/calls)",
              [&api](const Request& req, Response& res) { Call(api, req, res); });
}

}  // namespace tavirel::service
