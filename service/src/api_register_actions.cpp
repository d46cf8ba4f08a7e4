// What an operator does with a register: tells it the paper was refilled,
// reads its totals, and (a simulated one) works its switches.
#include <map>

#include "api_context.hpp"
#include "service_errors.hpp"
#include "tavirel/decimal.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/errors.hpp"
#include "tavirel/sim/console.hpp"
#include "tavirel/sim/errors.hpp"
#include "tavirel/sim/faults.hpp"
#include "tavirel/sim/simulated_register.hpp"

namespace tavirel::service {
namespace {

using http::Request;
using http::Response;
using namespace std::chrono_literals;

// The stopped document goes on from where the paper ran out: the retry
// sends the restart command once, then the rest. A built-in register has no
// roll to put back by hand, so its paper is put back here.
void PaperRefilled(ApiContext& api, const Request& req, Response& res) {
  RegisterWorker& worker = api.Worker(req.matches[1]);
  const Json body = req.body.empty() ? Json::object() : ParseBody(req, api.config.limits);
  const RegisterStatus status = worker.Status();
  if (!status.attention || status.attention->kind != "paper-out") {
    throw ApiError(409,
                   "register \"" + status.config.name +
                       "\" is not stopped on a paper end: there is nothing to resume",
                   "register");
  }
  documents::Settlement retry;
  retry.action = documents::Settlement::Action::Retry;
  retry.by = ActorOf(body);
  retry.note = "paper refilled";
  if (sim::SimulatedRegister* reg = worker.Simulator(); reg != nullptr && reg->PaperOut()) {
    reg->RefillPaper();
  }
  Settled settled;
  try {
    settled = worker.Settle(status.attention->key, retry);
  } catch (const documents::JournalError&) {  // another request was first
    throw ApiError(
        409,
        "the paper refill of register \"" + status.config.name + "\" is already being carried out",
        "register");
  }
  SendJson(res, 202,
           Json{{"register", status.config.name},
                {"document", status.attention->key},
                {"status", documents::StatusName(settled.entry.status)}});
}

// Sums in the register's smallest unit (cents in euro, lire in lire).
class Money {
 public:
  explicit Money(std::int32_t mode) : decimals_(mode == TVL_EUROSETTINGS_LIRE ? 0 : 2) {}
  [[nodiscard]] std::int64_t Units(const std::string& text) const {
    const auto digits = decimal::Parse(text);
    const auto units = digits ? decimal::ScaleExact(*digits, decimals_) : std::nullopt;
    if (!units) throw ApiError(500, "the journal holds an amount that does not read: " + text);
    return *units;
  }
  [[nodiscard]] std::string Text(std::int64_t units) const {
    const bool negative = units < 0;
    std::string digits = std::to_string(negative ? -units : units);
    if (decimals_ > 0) {
      const auto width = static_cast<std::size_t>(decimals_) + 1;
      if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
      digits.insert(digits.size() - static_cast<std::size_t>(decimals_), ".");
    }
    return negative ? "-" + digits : digits;
  }

 private:
  int decimals_;
};

// The figures the journal's outcomes give since the last fiscal closure.
Json SinceClosure(ApiContext& api, const RegisterConfig& config, Json& last_receipt) {
  const std::string& name = config.name;
  const Money money(config.mode);
  const auto closure = api.journal.LastClosure(name);
  const auto receipts = api.journal.ReceiptsAfter(name, closure ? closure->sequence : 0);
  std::int64_t total = 0;
  std::map<std::string, std::int64_t> by_type;
  std::size_t closed = 0, voided = 0;
  for (const auto& entry : receipts) {
    const auto& outcome = *entry.outcome;
    if (entry.status == documents::Status::Voided) {
      ++voided;
      continue;
    }
    ++closed;
    if (outcome.total) total += money.Units(*outcome.total);
    // Each payment as its document named it; the change given back comes off cash.
    for (const auto& payment : outcome.payments) {
      std::string type = "cash";
      const auto& given = entry.document.payments;
      for (std::size_t i = 0; i < given.size(); ++i) {
        if (payment.where == "payments[" + std::to_string(i) + "]") {
          type = std::string(documents::PaymentTypeName(given[i].type));
        }
      }
      by_type[type] += money.Units(payment.amount);
    }
    if (outcome.change) by_type["cash"] -= money.Units(*outcome.change);
    if (outcome.receipt_number) {
      last_receipt = Json{{"number", *outcome.receipt_number},
                          {"date", outcome.date ? Json(*outcome.date) : Json(nullptr)}};
    }
  }
  Json payments = Json::object();
  for (const auto& [type, sum] : by_type) payments[type] = money.Text(sum);
  std::string from;
  if (closure && closure->updated.size() == 19) {
    from = closure->updated.substr(0, 10) + "T" + closure->updated.substr(11) + "Z";
  }
  return Json{{"receipts", closed},
              {"total", money.Text(total)},
              {"payments", payments},
              {"voided", voided},
              {"from", from.empty() ? Json(nullptr) : Json(from)}};
}

// Every financial reading of the register prints (an X report): it is made
// only when asked for with ?reading=print, as the daily financial X report.
void Totals(ApiContext& api, const Request& req, Response& res) {
  RegisterWorker& worker = api.Worker(req.matches[1]);
  const std::string reading = req.Param("reading");
  if (req.HasParam("reading") && reading != "print") {
    throw ApiError(400, "reading is \"print\" or absent", "reading");
  }
  const RegisterStatus status = worker.Status();
  Json last_receipt = nullptr;
  Json body{{"register", status.config.name},
            {"serial", status.serial ? Json(*status.serial) : Json(nullptr)},
            {"since_closure", SinceClosure(api, status.config, last_receipt)},
            {"register_reading", nullptr},
            {"prints", true}};
  body["last_receipt"] = last_receipt;
  if (reading == "print") {
    const auto ticket = worker.SubmitCall(R"({"member":"opXTotFinGior"})");
    switch (ticket->Wait(std::chrono::steady_clock::now() + 30s)) {
      case CallTicket::Result::Answered:
        body["register_reading"] = Json::parse(ticket->Answer());
        break;
      case CallTicket::Result::Withdrawn:
        throw CallWithdrawnError("the register did not reach the reading within 30 s");
      case CallTicket::Result::Failed: std::rethrow_exception(ticket->Error());
    }
  }
  SendJson(res, 200, body);
}

sim::SimulatedRegister& Simulator(RegisterWorker& worker) {
  sim::SimulatedRegister* reg = worker.Simulator();
  if (reg == nullptr) {
    throw ApiError(
        404,
        "register \"" + worker.Config().name + "\" is not a simulated register: it has no switches",
        "register");
  }
  return *reg;
}

void SimState(ApiContext& api, const Request& req, Response& res) {
  sim::SimulatedRegister& reg = Simulator(api.Worker(req.matches[1]));
  SendJson(res, 200, Json::parse(sim::StateLine(reg.Status())));
}

bool Flag(const Json& value, const char* name, const char* yes, const char* no) {
  if (value == yes) return true;
  if (value == no) return false;
  throw ApiError(400, std::string(name) + " is \"" + yes + "\" or \"" + no + "\"", name);
}

// One switch a request: a fault, clearing them, the power, the paper, CTS.
void SimSwitch(ApiContext& api, const Request& req, Response& res) {
  RegisterWorker& worker = api.Worker(req.matches[1]);
  sim::SimulatedRegister& reg = Simulator(worker);
  const Json body = ParseBody(req, api.config.limits);
  if (!body.is_object() || body.empty()) {
    throw ApiError(400, "give one of fault, clear_faults, power, paper, cts", "");
  }
  const std::string what = body.begin().key();
  const Json& value = body.begin().value();
  if (what == "fault" && value.is_string() && body.size() == 1) {
    try {
      reg.ArmFault(sim::ParseFaultSwitch(value.get<std::string>()));
    } catch (const sim::SimError& e) {
      throw ApiError(400, e.what(), "fault");
    }
  } else if (what == "clear_faults" && value == true && body.size() == 1) {
    reg.ClearFaults();
  } else if (what == "power" && body.size() == 1) {
    reg.SetPower(Flag(value, "power", "on", "off"));
  } else if (what == "cts" && value.is_boolean() && body.size() == 1) {
    reg.SetClearToSend(value.get<bool>());
  } else if (body.contains("paper") && body.size() <= 2 &&
             (body.size() == 1 || body.contains("which"))) {
    const Json which = body.value("which", Json("receipt"));
    if (which != "receipt") {
      throw ApiError(400, "the simulated register has a receipt roll only", "which");
    }
    if (Flag(body["paper"], "paper", "in", "out")) {
      reg.RefillPaper();
    } else {
      reg.RunOutOfPaper();
    }
  } else {
    throw ApiError(400,
                   "give one of {\"fault\": \"name[=p]#N\"}, {\"clear_faults\": true}, "
                   "{\"power\": \"on\"|\"off\"}, {\"paper\": \"in\"|\"out\"}, {\"cts\": "
                   "true|false}",
                   what);
  }
  api.log.Info("sim-switched", {{"register", worker.Config().name}, {"switch", body.dump()}});
  worker.Wake();
  SendJson(res, 200, Json::parse(sim::StateLine(reg.Status())));
}

}  // namespace

void InstallRegisterActionRoutes(http::Router& router, ApiContext& api) {
  router.Post(R"(/v1/registers/([^/]+)/paper-refilled)",
              [&api](const Request& req, Response& res) { PaperRefilled(api, req, res); });
  router.Get(R"(/v1/registers/([^/]+)/totals)",
             [&api](const Request& req, Response& res) { Totals(api, req, res); });
  router.Get(R"(/v1/registers/([^/]+)/sim)",
             [&api](const Request& req, Response& res) { SimState(api, req, res); });
  router.Post(R"(/v1/registers/([^/]+)/sim)",
              [&api](const Request& req, Response& res) { SimSwitch(api, req, res); });
}

}  // namespace tavirel::service
