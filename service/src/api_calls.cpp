// Member calls: one JSON OP, run in its turn in the register's queue.
#include <algorithm>
#include <array>

#include "api_context.hpp"
#include "call_codec.hpp"
#include "service_errors.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::service {
namespace {

using httplib::Request;
using httplib::Response;
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

[[noreturn]] void Rethrow(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const StoppingError& e) {
    throw ApiError(503, e.what(), "", 10s);
  } catch (const SerialError& e) {
    throw ApiError(503, std::string("the register is unavailable: ") + e.what(), "", 5s);
  } catch (const CancelledError& e) {
    throw ApiError(503, e.what(), "", 5s);
  } catch (const DispatchError& e) {
    throw ApiError(400, e.what(), "member");
  } catch (const ConversionError& e) {
    throw ApiError(400, e.what(), "args");
  } catch (const CallFormatError& e) {
    throw ApiError(400, e.what(), "");
  } catch (const ApiError&) {
    throw;
  } catch (const TavirelError& e) {
    throw ApiError(400, e.what(), "");
  }
}

void Call(ApiContext& api, const Request& req, Response& res) {
  RegisterWorker& worker = api.Worker(req.matches[1].str());
  const auto wait = WaitParameter(req, 30s, api.config.limits.max_wait);
  CheckMember(ParseBody(req, api.config.limits));
  std::shared_ptr<CallTicket> ticket;
  try {
    ticket = worker.SubmitCall(req.body);
  } catch (const QueueFullError& e) {
    throw ApiError(503, e.what(), "", 5s);
  } catch (const StoppingError& e) {
    throw ApiError(503, e.what(), "", 10s);
  }
  switch (ticket->Wait(std::chrono::steady_clock::now() + wait)) {
    case CallTicket::Result::Answered:
      res.status = 200;
      res.set_header("Cache-Control", "no-store");
      res.set_content(ticket->Answer() + "\n", "application/json");
      return;
    case CallTicket::Result::Withdrawn:
      throw ApiError(503,
                     "the register did not reach the call within " + std::to_string(wait.count()) +
                         " s; it was withdrawn",
                     "", 5s);
    case CallTicket::Result::Failed: Rethrow(ticket->Error());
  }
}

}  // namespace

void InstallCallRoutes(httplib::Server& server, ApiContext& api) {
  server.Post(R"(/v1/registers/([^/]+)/calls)",
              [&api](const Request& req, Response& res) { Call(api, req, res); });
}

}  // namespace tavirel::service
