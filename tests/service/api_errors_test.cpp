// The one table from an error to its answer: every type the routes let
// through, with its status, field and Retry-After.
#include "api_errors.hpp"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "call_codec.hpp"
#include "register_worker.hpp"
#include "service_errors.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::service {
namespace {

using namespace std::chrono_literals;

template <typename E>
std::exception_ptr Make(const std::string& text = "what") {
  return std::make_exception_ptr(E(text));
}

TEST(ApiErrors, EachTypeHasItsStatusFieldAndRetry) {
  struct Row {
    const char* name;
    std::exception_ptr error;
    int status;
    std::string field;
    std::optional<std::chrono::seconds> retry;
    std::string message;
  };
  const Row rows[] = {
      {"queue full", Make<QueueFullError>(), 503, "", 5s, "what"},
      {"stopping", Make<StoppingError>(), 503, "", 10s, "what"},
      {"withdrawn", Make<CallWithdrawnError>(), 503, "", 5s, "what"},
      {"streams", Make<TooManyStreamsError>(), 429, "", 10s, "what"},
      {"other register", Make<documents::RegisterMismatchError>(), 409, "key", std::nullopt,
       "what"},
      {"key conflict", Make<documents::KeyConflictError>(), 409, "key", std::nullopt, "what"},
      {"journal", Make<documents::JournalError>(), 500, "", std::nullopt, "internal error: what"},
      {"serial", Make<SerialError>(), 503, "", 5s, "the register is unavailable: what"},
      {"cancelled", std::make_exception_ptr(CancelledError("what", true)), 503, "", 5s, "what"},
      {"dispatch", Make<DispatchError>(), 400, "member", std::nullopt, "what"},
      {"conversion", Make<ConversionError>(), 400, "args", std::nullopt, "what"},
      {"call format", Make<CallFormatError>(), 400, "", std::nullopt, "what"},
      {"other error of the call", Make<TavirelError>(), 400, "", std::nullopt, "what"},
      {"anything else", Make<std::logic_error>(), 500, "", std::nullopt, "internal error: what"},
      {"not even an exception", std::make_exception_ptr(42), 500, "", std::nullopt,
       "internal error"},
      {"the API's own", std::make_exception_ptr(ApiError(404, "no such", "register")), 404,
       "register", std::nullopt, "no such"},
  };
  for (const auto& row : rows) {
    const ErrorAnswer answer = AnswerFor(row.error);
    EXPECT_EQ(answer.status, row.status) << row.name;
    EXPECT_EQ(answer.field, row.field) << row.name;
    EXPECT_EQ(answer.retry_after, row.retry) << row.name;
    EXPECT_EQ(answer.message, row.message) << row.name;
  }
}

TEST(ApiErrors, ARefusedDocumentListsAFewProblemsAndCountsTheRest) {
  std::vector<documents::Problem> problems(40, {"lines[0]", "bad"});
  const ErrorAnswer answer =
      AnswerFor(std::make_exception_ptr(ApiError("bad", "lines[0]", problems, 1000)));
  EXPECT_EQ(answer.problems.size(), kListedProblems);
  EXPECT_EQ(answer.more_problems, 1008U);
  http::Response res;
  SendError(res, answer);
  const auto body = nlohmann::json::parse(res.body);
  EXPECT_EQ(body["problems"].size(), kListedProblems);
  EXPECT_EQ(body["more_problems"], 1008);
  EXPECT_EQ(res.status, 400);
  EXPECT_FALSE(res.headers.Find("Retry-After"));
}

}  // namespace
}  // namespace tavirel::service
