#pragma once
// Errors of the service's own calls: its configuration, its token file, and
// what an HTTP request asks for that cannot be done.
#include <chrono>
#include <optional>
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

/// A request that ends with an error status: the status, a text for people
/// and the request field at fault ("" for none). 429 and 503 carry the
/// seconds after which a retry makes sense; a refused document carries every
/// problem found in it.
class ApiError : public TavirelError {
 public:
  ApiError(int status, const std::string& message, std::string field = {},
           std::optional<std::chrono::seconds> retry_after = std::nullopt)
      : TavirelError(message),
        status_(status),
        field_(std::move(field)),
        retry_after_(retry_after) {}
  ApiError(const std::string& message, std::string field, std::vector<documents::Problem> problems)
      : TavirelError(message),
        status_(400),
        field_(std::move(field)),
        problems_(std::move(problems)) {}
  [[nodiscard]] int status() const noexcept { return status_; }
  [[nodiscard]] const std::string& field() const noexcept { return field_; }
  [[nodiscard]] std::optional<std::chrono::seconds> retry_after() const noexcept {
    return retry_after_;
  }
  [[nodiscard]] const std::vector<documents::Problem>& problems() const noexcept {
    return problems_;
  }

 private:
  int status_;
  std::string field_;
  std::optional<std::chrono::seconds> retry_after_;
  std::vector<documents::Problem> problems_;
};

}  // namespace tavirel::service
