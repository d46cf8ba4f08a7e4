// What an operator does with documents: settles one that needs attention,
// cancels a queued one, lists them by status, reads a simulated register's
// paper of one.
#include <charconv>

#include "api_context.hpp"
#include "service_errors.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/errors.hpp"
#include "tavirel/sim/simulated_register.hpp"

namespace tavirel::service {
namespace {

using documents::Settlement;
using documents::Status;
using http::Request;
using http::Response;

constexpr std::size_t kDefaultPage = 50;
constexpr std::size_t kLargestPage = 500;

// A payment is read as a receipt's, so its rules live in one place: a
// receipt carrying it alone is parsed and the payment taken back.
documents::Payment ReadPayment(const Json& payment) {
  if (!payment.is_object()) throw ApiError(400, "payment must be an object", "payment");
  const Json receipt{{"key", "settle"},
                     {"type", "receipt"},
                     {"lines", Json::array()},
                     {"payments", Json::array({payment})}};
  try {
    const documents::Document document = documents::ParseDocument(receipt.dump());
    return document.payments.at(0);
  } catch (const documents::DocumentError& e) {
    const auto& first = e.problems().front();
    std::string where = first.where;
    if (where.starts_with("payments[0]")) where = "payment" + where.substr(11);
    throw ApiError(400, where + ": " + first.message, where);
  }
}

template <typename T>
const T* FieldOf(const Json& body, const char* name, const char* kind) {
  const auto it = body.find(name);
  if (it == body.end() || it->is_null()) return nullptr;
  if (!it->is_string()) throw ApiError(400, std::string(name) + " must be " + kind, name);
  return it->template get_ptr<const T*>();
}

Settlement ReadSettlement(const Json& body) {
  if (!body.is_object()) throw ApiError(400, "the body must be a JSON object", "");
  for (const auto& [name, value] : body.items()) {
    if (name != "action" && name != "payment" && name != "settled_as" && name != "note" &&
        name != "by") {
      throw ApiError(400, "unknown field " + name, name);
    }
  }
  const auto* action = FieldOf<std::string>(body, "action", "a text");
  const auto named = action ? documents::SettlementActionNamed(*action) : std::nullopt;
  if (!named) {
    throw ApiError(400, "action must be retry, pay-rest, void or mark-settled", "action");
  }
  Settlement s;
  s.action = *named;
  if (const auto* note = FieldOf<std::string>(body, "note", "a text")) s.note = *note;
  s.by = ActorOf(body);
  if (body.contains("payment") && !body["payment"].is_null()) {
    if (s.action != Settlement::Action::PayRest) {
      throw ApiError(400, "payment goes with the action pay-rest only", "payment");
    }
    s.payment = ReadPayment(body["payment"]);
  }
  const auto* settled_as = FieldOf<std::string>(body, "settled_as", "a text");
  if (s.action == Settlement::Action::MarkSettled) {
    const auto status = settled_as ? documents::StatusNamed(*settled_as) : std::nullopt;
    if (!status ||
        (*status != Status::Closed && *status != Status::Voided && *status != Status::Failed)) {
      throw ApiError(400, "settled_as must be closed, voided or failed", "settled_as");
    }
    if (s.note.empty()) {
      throw ApiError(400, "a document settled by hand needs a note saying how", "note");
    }
    s.settled_as = *status;
  } else if (settled_as != nullptr) {
    throw ApiError(400, "settled_as goes with the action mark-settled only", "settled_as");
  }
  return s;
}

documents::JournalEntry Known(ApiContext& api, const std::string& key) {
  auto entry = api.journal.Lookup(key);
  if (!entry) throw ApiError(404, "no document with key \"" + key + "\"", "key");
  return std::move(*entry);
}

void Settle(ApiContext& api, const Request& req, Response& res) {
  const std::string key = req.matches[1];
  const auto wait = WaitParameter(req, std::chrono::seconds(0), api.config.limits.max_wait);
  const Settlement settlement = ReadSettlement(ParseBody(req, api.config.limits));
  const documents::JournalEntry entry = Known(api, key);
  if (entry.status != Status::NeedsAttention) {
    throw ApiError(409,
                   "document \"" + key + "\" is " + std::string(StatusName(entry.status)) +
                       ": only a document that needs attention is settled",
                   "key");
  }
  RegisterWorker& worker = api.Worker(entry.register_name);
  const auto watch = api.completions.Begin(key);
  Settled settled;
  try {
    settled = worker.Settle(key, settlement);
  } catch (const documents::JournalError& e) {  // settled meanwhile by another request
    throw ApiError(409, e.what(), "key");
  }
  if (settled.runs && wait.count() > 0) {
    watch->Wait(std::chrono::steady_clock::now() + wait);
    settled.entry = Known(api, key);
  }
  SendJson(res, Answered(settled.entry) ? 200 : 202, EntryJson(settled.entry));
}

void Cancel(ApiContext& api, const Request& req, Response& res) {
  const std::string key = req.matches[1];
  const documents::JournalEntry known = Known(api, key);
  RegisterWorker& worker = api.Worker(known.register_name);
  const Json body = req.body.empty() ? Json::object() : ParseBody(req, api.config.limits);
  const documents::JournalEntry entry = worker.Cancel(key, ActorOf(body));
  if (entry.status != Status::Cancelled || known.status == Status::Cancelled) {
    throw ApiError(409,
                   "document \"" + key + "\" is " + std::string(StatusName(entry.status)) +
                       ": only a queued document is cancelled",
                   "key");
  }
  SendJson(res, 200, EntryJson(entry));
}

std::size_t Limit(const Request& req) {
  if (!req.HasParam("limit")) return kDefaultPage;
  const std::string text = req.Param("limit");
  std::size_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value == 0 ||
      value > kLargestPage) {
    throw ApiError(400, "limit must be a whole number from 1 to " + std::to_string(kLargestPage),
                   "limit");
  }
  return value;
}

// "2026-12-08T05:00:00Z" (or without the Z, or with a fraction) as the
// journal writes its times: "2026-12-08 05:00:00", UTC.
std::string SinceParameter(const Request& req) {
  if (!req.HasParam("since")) return "";
  std::string text = req.Param("since");
  const auto digits = [&](std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i) {
      if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    }
    return true;
  };
  const bool shaped = text.size() >= 19 && digits(0, 4) && text[4] == '-' && digits(5, 2) &&
                      text[7] == '-' && digits(8, 2) && (text[10] == 'T' || text[10] == ' ') &&
                      digits(11, 2) && text[13] == ':' && digits(14, 2) && text[16] == ':' &&
                      digits(17, 2);
  const std::string rest = shaped ? text.substr(19) : "";
  if (!shaped || !(rest.empty() || rest == "Z" || (rest[0] == '.' && rest.back() == 'Z'))) {
    throw ApiError(400, "since must be a UTC time such as 2026-12-08T05:00:00Z", "since");
  }
  text[10] = ' ';
  return text.substr(0, 19);
}

void List(ApiContext& api, const Request& req, Response& res) {
  documents::ListQuery query;
  query.limit = Limit(req);
  if (req.HasParam("status")) {
    query.status = documents::StatusNamed(req.Param("status"));
    if (!query.status) throw ApiError(400, "no status \"" + req.Param("status") + "\"", "status");
  }
  if (req.HasParam("register"))
    query.register_name = api.Worker(req.Param("register")).Config().name;
  query.since = SinceParameter(req);
  if (req.HasParam("after")) {
    const std::string text = req.Param("after");
    std::int64_t cursor = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), cursor);
    if (error != std::errc() || end != text.data() + text.size() || cursor <= 0) {
      throw ApiError(400, "after must be the \"next\" of a previous page", "after");
    }
    query.before = cursor;
  }
  const documents::ListPage page = api.journal.List(query);
  Json list = Json::array();
  for (const auto& d : page.documents) {
    std::string updated = d.updated;
    if (updated.size() == 19) updated = updated.substr(0, 10) + "T" + updated.substr(11) + "Z";
    list.push_back(Json{{"key", d.key},
                        {"status", documents::StatusName(d.status)},
                        {"register", d.register_name},
                        {"type", d.type},
                        {"updated", updated}});
  }
  SendJson(res, 200,
           Json{{"documents", list},
                {"next", page.next ? Json(std::to_string(*page.next)) : Json(nullptr)}});
}

// The paper a simulated register printed for the document, by the number
// its outcome gives.
void Paper(ApiContext& api, const Request& req, Response& res) {
  const std::string key = req.matches[1];
  const documents::JournalEntry entry = Known(api, key);
  RegisterWorker* worker = api.FindWorker(entry.register_name);
  sim::SimulatedRegister* reg = worker ? worker->Simulator() : nullptr;
  if (reg == nullptr) {
    throw ApiError(404,
                   "document \"" + key + "\" ran on register \"" + entry.register_name +
                       "\", which is not a simulated register: its paper is not kept",
                   "key");
  }
  std::optional<sim::DocumentPaper> paper;
  if (const auto& outcome = entry.outcome) {
    const auto& document = entry.document;
    using documents::DocumentType;
    if (outcome->receipt_number) {
      const auto kind =
          entry.status == Status::Voided ? sim::PaperKind::Voided : sim::PaperKind::Receipt;
      paper = reg->PaperOf(kind, *outcome->receipt_number);
    } else if (document.type == DocumentType::Report && document.report == "fiscal-closure") {
      if (outcome->fiscal_number) {
        paper = reg->PaperOf(sim::PaperKind::FiscalClosure, *outcome->fiscal_number);
      }
    } else if (document.type == DocumentType::Report && document.report == "fiscal-memory") {
      if (outcome->fiscal_number)
        paper = reg->PaperOf(sim::PaperKind::Report, *outcome->fiscal_number);
    } else if (outcome->document_number) {
      const auto kind = document.type == DocumentType::Report ? sim::PaperKind::Report
                                                              : sim::PaperKind::NonFiscal;
      paper = reg->PaperOf(kind, *outcome->document_number);
    }
  }
  if (!paper) {
    throw ApiError(404,
                   "the simulated register keeps no paper of document \"" + key +
                       "\" (not printed, printed before the service started, or no number "
                       "in its outcome to find it by)",
                   "key");
  }
  if (req.Header("Accept").find("application/json") != std::string::npos) {
    return SendJson(res, 200, Json{{"key", key}, {"paper", paper->Text()}});
  }
  res.status = 200;
  res.SetHeader("Cache-Control", "no-store");
  res.SetContent(paper->Text(), "text/plain; charset=utf-8");
}

}  // namespace

void InstallDocumentActionRoutes(http::Router& router, ApiContext& api) {
  router.Get("/v1/documents", [&api](const Request& req, Response& res) { List(api, req, res); });
  router.Post(R"(/v1/documents/([^/]+)/settle)",
              [&api](const Request& req, Response& res) { Settle(api, req, res); });
  router.Get(R"(/v1/documents/([^/]+)/paper)",
             [&api](const Request& req, Response& res) { Paper(api, req, res); });
  router.Add("DELETE", R"(/v1/documents/([^/]+))",
             [&api](const Request& req, Response& res) { Cancel(api, req, res); });
}

}  // namespace tavirel::service
