// Documents: queued by key, run once, looked up by key.
#include <algorithm>

#include "api_context.hpp"
#include "service_errors.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/preflight.hpp"

namespace tavirel::service {
namespace {

using http::Request;
using http::Response;
using namespace std::chrono_literals;

constexpr std::size_t kKeyLength = 128;
constexpr std::chrono::seconds kDefaultWait = 30s;

// Keys travel in URLs (Location, GET /v1/documents/KEY) as they are.
bool KeyCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) ||
         std::string_view("-_.:~@+=").find(c) != std::string_view::npos;
}

void CheckKey(const std::string& key) {
  if (key.empty() || key.size() > kKeyLength ||
      !std::all_of(key.begin(), key.end(), KeyCharacter)) {
    throw ApiError(400, "a key is 1 to 128 letters, digits or any of - _ . : ~ @ + =", "key");
  }
}

// The document's text with its key: the body's own, or the header's put in.
// The text is kept as sent, so amounts keep the digits they were written with.
std::string WithKey(const Request& req, const Json& body, std::string& key) {
  if (!body.is_object()) throw ApiError(400, "a document is a JSON object", "");
  const std::string header = req.Header("Idempotency-Key");
  const auto found = body.find("key");
  if (found != body.end()) {
    if (!found->is_string()) throw ApiError(400, "key must be a string", "key");
    key = found->get<std::string>();
    if (!header.empty() && header != key) {
      throw ApiError(400, "the Idempotency-Key header and the body's key differ", "key");
    }
    CheckKey(key);
    return req.body;
  }
  if (header.empty()) throw ApiError(400, "give the key in Idempotency-Key or in the body", "key");
  key = header;
  CheckKey(key);
  const auto brace = req.body.find('{');
  const bool empty = body.empty();
  return req.body.substr(0, brace + 1) + "\"key\":" + Json(key).dump() + (empty ? "" : ",") +
         req.body.substr(brace + 1);
}

documents::Document Read(const Request& req, const ApiContext& api, std::int32_t mode) {
  const Json body = ParseBody(req, api.config.limits);
  std::string key;
  const std::string text = WithKey(req, body, key);
  documents::Document document;
  std::vector<documents::Problem> problems;
  std::size_t unlisted = 0;
  try {
    document = documents::ParseDocument(text);
  } catch (const documents::DocumentError& e) {
    problems = e.problems();
    unlisted = e.unlisted();
  }
  if (problems.empty()) problems = documents::Preflight(document, mode);
  if (!problems.empty()) {
    const auto& first = problems.front();
    throw ApiError(first.where.empty() ? first.message : first.where + ": " + first.message,
                   first.where, std::move(problems), unlisted);
  }
  return document;
}

void Answer(Response& res, int status, const Json& body, const std::string& key) {
  if (status == 202) res.SetHeader("Location", "/v1/documents/" + key);
  SendJson(res, status, body);
}

// The stored state, after the wait: 200 with the outcome once it has one, else 202.
void AnswerEntry(Response& res, const ApiContext& api, const std::string& key, bool replayed) {
  const auto entry = api.store.Lookup(key);
  if (!entry) throw ApiError(500, "the journal lost key \"" + key + "\"");
  Json body = EntryJson(*entry);
  const bool ended = body.contains("steps");
  if (ended && replayed) body["replayed"] = true;
  Answer(res, ended ? 200 : 202, body, key);
}

void Submit(ApiContext& api, const Request& req, Response& res) {
  RegisterWorker& worker = api.Worker(req.matches[1]);
  const auto wait = WaitParameter(req, kDefaultWait, api.config.limits.max_wait);
  const documents::Document document = Read(req, api, worker.Config().mode);
  const auto watch = api.completions.Begin(document.key);
  const Submission submission = worker.Submit(document);
  // Finished before this request: its outcome comes from the journal alone.
  const bool replayed = submission.entry.state == documents::EntryState::Finished;
  if (!replayed && wait.count() > 0) watch->Wait(std::chrono::steady_clock::now() + wait);
  AnswerEntry(res, api, document.key, replayed);
}

void Lookup(ApiContext& api, const Request& req, Response& res) {
  const std::string key = req.matches[1];
  const auto wait = WaitParameter(req, std::chrono::seconds(0), api.config.limits.max_wait);
  const auto watch = api.completions.Begin(key);
  auto entry = api.store.Lookup(key);
  if (!entry) throw ApiError(404, "no document with key \"" + key + "\"", "key");
  auto state = [&] { return EntryJson(*entry); };
  // ?wait=S: a long poll, answered as soon as the document ends.
  if (wait.count() > 0 && !state().contains("steps")) {
    watch->Wait(std::chrono::steady_clock::now() + wait);
    entry = api.store.Lookup(key);
  }
  SendJson(res, 200, state());
}

}  // namespace

void InstallDocumentRoutes(http::Router& router, ApiContext& api) {
  router.Post(R"(/v1/registers/([^/]+)/documents)",
              [&api](const Request& req, Response& res) { Submit(api, req, res); });
  router.Get(R"(/v1/documents/([^/]+))",
             [&api](const Request& req, Response& res) { Lookup(api, req, res); });
}

}  // namespace tavirel::service
