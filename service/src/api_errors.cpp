#include "api_errors.hpp"

#include <array>
#include <string_view>

#include "api_context.hpp"
#include "call_codec.hpp"
#include "register_worker.hpp"
#include "service_errors.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::service {
namespace {

using namespace std::chrono_literals;

struct Row {
  bool (*matches)(const std::exception&);
  int status;
  std::string_view field;
  std::optional<std::chrono::seconds> retry_after;
  std::string_view prefix;  // put before the exception's own text
};

template <typename E>
bool Is(const std::exception& e) {
  return dynamic_cast<const E*>(&e) != nullptr;
}

bool Any(const std::exception&) { return true; }

// The first row whose type the error is, so a derived type comes before its base.
constexpr std::array<Row, 14> kRows{{
    {Is<QueueFullError>, 503, "", 5s, ""},
    {Is<CallWithdrawnError>, 503, "", 5s, ""},
    {Is<TooManyStreamsError>, 429, "", 10s, ""},
    {Is<StoppingError>, 503, "", 10s, ""},
    {Is<documents::KeyConflictError>, 409, "key", std::nullopt, ""},
    {Is<documents::RegisterMismatchError>, 409, "key", std::nullopt, ""},
    {Is<documents::JournalError>, 500, "", std::nullopt, "internal error: "},
    {Is<SerialError>, 503, "", 5s, "the register is unavailable: "},
    {Is<CancelledError>, 503, "", 5s, ""},
    {Is<DispatchError>, 400, "member", std::nullopt, ""},
    {Is<ConversionError>, 400, "args", std::nullopt, ""},
    {Is<CallFormatError>, 400, "", std::nullopt, ""},
    {Is<TavirelError>, 400, "", std::nullopt, ""},
    {Any, 500, "", std::nullopt, "internal error: "},
}};

ErrorAnswer FromApiError(const ApiError& e) {
  ErrorAnswer answer{e.status(), e.what(), e.field(), std::nullopt, {}, 0};
  const auto& problems = e.problems();
  const std::size_t listed = std::min(problems.size(), kListedProblems);
  answer.problems.assign(problems.begin(), problems.begin() + static_cast<std::ptrdiff_t>(listed));
  answer.more_problems = problems.size() - listed + e.unlisted_problems();
  return answer;
}

}  // namespace

ErrorAnswer AnswerFor(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const ApiError& e) {
    return FromApiError(e);
  } catch (const std::exception& e) {
    for (const Row& row : kRows) {
      if (row.matches(e)) {
        return {row.status,
                std::string(row.prefix) + e.what(),
                std::string(row.field),
                row.retry_after,
                {},
                0};
      }
    }
  } catch (...) {
  }
  return {500, "internal error", "", std::nullopt, {}, 0};
}

void SendError(http::Response& res, const ErrorAnswer& answer) {
  Json body = ErrorJson(answer.message, answer.field);
  for (const auto& p : answer.problems) {
    body["problems"].push_back(Json{{"field", p.where}, {"error", p.message}});
  }
  if (answer.more_problems > 0) body["more_problems"] = answer.more_problems;
  SendJson(res, answer.status, body);
  if (answer.retry_after) res.SetHeader("Retry-After", std::to_string(answer.retry_after->count()));
}

}  // namespace tavirel::service
