#pragma once
// How an error of a request becomes its answer: one table from the
// exception's type to the status, the request field at fault and the
// seconds after which a retry makes sense, read by one function.
#include <chrono>
#include <cstddef>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "http/message.hpp"
#include "tavirel/documents/errors.hpp"

namespace tavirel::service {

/// At most this many problems of a refused document are listed; the rest
/// are counted in "more_problems", so an answer stays small whatever the
/// document held.
inline constexpr std::size_t kListedProblems = 32;

/// A refusal before it is written.
struct ErrorAnswer {
  int status = 500;
  std::string message;
  std::string field;  // "" for none
  std::optional<std::chrono::seconds> retry_after;
  std::vector<documents::Problem> problems;
  std::size_t more_problems = 0;  // found beyond those listed
};

/// What `error` answers, as the table says: an ApiError its own status, an
/// error of the service's parts theirs, anything else 500.
ErrorAnswer AnswerFor(const std::exception_ptr& error);

/// Writes `answer`: {"error", "field", "problems"?, "more_problems"?} with
/// Retry-After when it has one.
void SendError(http::Response& res, const ErrorAnswer& answer);

}  // namespace tavirel::service
