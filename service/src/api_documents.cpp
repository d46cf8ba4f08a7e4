// Documents: admitted by key in the journal, queued, looked up by key.
#include "api_context.hpp"
#include "json_depth.hpp"
#include "service_errors.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/errors.hpp"
#include "tavirel/documents/keys.hpp"
#include "tavirel/documents/preflight.hpp"

namespace tavirel::service {
namespace {

using http::Request;
using http::Response;
using namespace std::chrono_literals;

constexpr std::chrono::seconds kDefaultWait = 30s;

// The document's problems, those beyond the listed ones counted.
[[noreturn]] void Refuse(std::vector<documents::Problem> problems, std::size_t unlisted = 0) {
  const auto& first = problems.front();
  throw ApiError(first.where.empty() ? first.message : first.where + ": " + first.message,
                 first.where, std::move(problems), unlisted);
}

// The body read once: its key (the body's own, or the Idempotency-Key
// header's), its shape, then preflight.
documents::Document Read(const Request& req, const ApiContext& api, std::int32_t mode) {
  if (JsonDepth(req.body) > api.config.limits.json_depth) {
    throw ApiError(400,
                   "the JSON is nested deeper than " +
                       std::to_string(api.config.limits.json_depth) + " levels",
                   "");
  }
  const std::string header = req.Header("Idempotency-Key");
  documents::Document document;
  try {
    document = documents::ParseDocument(req.body, header);
  } catch (const documents::DocumentError& e) {
    Refuse(e.problems(), e.unlisted());
  }
  if (!header.empty() && header != document.key) {
    throw ApiError(400, "the Idempotency-Key header and the body's key differ", "key");
  }
  if (auto problems = documents::KeyProblems(document.key, documents::KeyUse::Url);
      !problems.empty()) {
    Refuse(std::move(problems));
  }
  if (auto problems = documents::Preflight(document, mode); !problems.empty()) {
    Refuse(std::move(problems));
  }
  return document;
}

// A document waiting for its turn says why, when its register holds it up.
Json EntryAnswer(const ApiContext& api, const documents::JournalEntry& entry) {
  Json body = EntryJson(entry);
  if (Answered(entry) || entry.status == documents::Status::Running) return body;
  const RegisterWorker* worker = api.FindWorker(entry.register_name);
  const std::string why = worker ? worker->WaitingReason() : "";
  if (!why.empty()) body["waiting"] = why;
  return body;
}

void Answer(const ApiContext& api, Response& res, const documents::JournalEntry& entry,
            bool replayed) {
  Json body = EntryAnswer(api, entry);
  const bool answered = Answered(entry);
  if (answered && replayed) body["replayed"] = true;
  if (!answered) res.SetHeader("Location", "/v1/documents/" + entry.key);
  SendJson(res, answered ? 200 : 202, body);
}

void Submit(ApiContext& api, const Request& req, Response& res) {
  RegisterWorker& worker = api.Worker(req.matches[1]);
  const auto wait = WaitParameter(req, kDefaultWait, api.config.limits.max_wait);
  const documents::Document document = Read(req, api, worker.Config().mode);
  const auto watch = api.completions.Begin(document.key);
  const Submission submission = worker.Submit(document);
  // Answered before this request: its outcome comes from the journal alone.
  if (submission.admitted.admission == documents::Admission::Answered) {
    return Answer(api, res, submission.admitted.entry, true);
  }
  if (wait.count() > 0) watch->Wait(std::chrono::steady_clock::now() + wait);
  const auto entry = api.journal.Lookup(document.key);
  if (!entry) throw ApiError(500, "the journal lost key \"" + document.key + "\"");
  // Still queued: its admission is flushed before the caller is told so (a
  // started one was flushed with its first step).
  if (entry->status == documents::Status::Queued) api.journal.Flush(document.key);
  Answer(api, res, *entry, false);
}

void Lookup(ApiContext& api, const Request& req, Response& res) {
  const std::string key = req.matches[1];
  const auto wait = WaitParameter(req, std::chrono::seconds(0), api.config.limits.max_wait);
  const auto watch = api.completions.Begin(key);
  auto entry = api.journal.Lookup(key);
  if (!entry) throw ApiError(404, "no document with key \"" + key + "\"", "key");
  // ?wait=S: a long poll, answered as soon as the document ends.
  if (wait.count() > 0 && !Answered(*entry)) {
    watch->Wait(std::chrono::steady_clock::now() + wait);
    entry = api.journal.Lookup(key);
  }
  SendJson(res, 200, EntryAnswer(api, *entry));
}

}  // namespace

void InstallDocumentRoutes(http::Router& router, ApiContext& api) {
  router.Post(R"(/v1/registers/([^/]+)/documents)",
              [&api](const Request& req, Response& res) { Submit(api, req, res); });
  router.Get(R"(/v1/documents/([^/]+))",
             [&api](const Request& req, Response& res) { Lookup(api, req, res); });
}

}  // namespace tavirel::service
