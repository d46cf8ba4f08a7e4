#pragma once
// Errors of the service's own calls: its configuration, its token file, and
// what an HTTP request asks for that cannot be done.
#include <string>
#include <utility>
#include <vector>

#include "tavirel/documents/errors.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::service {

/// A command line or configuration file that does not describe a service:
/// the message names the option or JSON field and the value.
class ConfigError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

/// The token file cannot be read, created or trusted; the message names it.
class TokenError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

/// A register whose fiscal serial number another configured register holds:
/// the same register reached by two names.
class SameRegisterError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

/// A call that waited its turn in the register's queue longer than the
/// request allowed: it was withdrawn, never sent.
class CallWithdrawnError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

/// As many event streams are open as the service allows.
class TooManyStreamsError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

/// A request that ends with an error status: the status, a text for people
/// and the request field at fault ("" for none); a refused document carries
/// the problems found in it (those beyond the listed ones counted). Errors
/// that call for a retry later have types of their own (api_errors.cpp says
/// when).
class ApiError : public TavirelError {
 public:
  ApiError(int status, const std::string& message, std::string field = {})
      : TavirelError(message), status_(status), field_(std::move(field)) {}
  ApiError(const std::string& message, std::string field, std::vector<documents::Problem> problems,
           std::size_t unlisted_problems = 0)
      : TavirelError(message),
        status_(400),
        field_(std::move(field)),
        problems_(std::move(problems)),
        unlisted_problems_(unlisted_problems) {}
  [[nodiscard]] int status() const noexcept { return status_; }
  [[nodiscard]] const std::string& field() const noexcept { return field_; }
  [[nodiscard]] const std::vector<documents::Problem>& problems() const noexcept {
    return problems_;
  }
  /// Problems found beyond those in problems().
  [[nodiscard]] std::size_t unlisted_problems() const noexcept { return unlisted_problems_; }

 private:
  int status_;
  std::string field_;
  std::vector<documents::Problem> problems_;
  std::size_t unlisted_problems_ = 0;
};

}  // namespace tavirel::service
