#pragma once
// Errors of the call. Outcomes of the line and of the printer are result
// codes (see result_codes.hpp); these exceptions mean the call itself could
// not be carried out. All are values: copyable, safe to pass between threads.
#include <stdexcept>
#include <string>
#include <system_error>

#include "tavirel/export.hpp"

namespace tavirel {

/// Base of every error of the call raised by the library.
class TAVIREL_API TavirelError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// The serial component failed: device missing, without permission, in use,
/// hung up, or an I/O error. The message names the device.
class TAVIREL_API SerialError : public TavirelError {
 public:
  /// A failure described by `what`, with the system's error when known.
  explicit SerialError(const std::string& what, std::error_code code = {})
      : TavirelError(what), code_(code) {}
  /// The operating system's error (errno, in the system category) when the
  /// failure came with one, e.g. ENOENT, EACCES, EBUSY, EIO; std::errc::timed_out
  /// for a write that ran out of time; empty (value 0) otherwise.
  [[nodiscard]] std::error_code code() const noexcept { return code_; }

 private:
  std::error_code code_;
};

/// A line settings text that does not parse or names an unsupported rate.
/// The message quotes the text.
class TAVIREL_API SettingsError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

/// A value that does not convert: a reply field that does not read as a
/// number (the message names the decoder, the field and the text), or a
/// text argument that does not convert to its parameter's type.
class TAVIREL_API ConversionError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

/// An operation was called while another one of the same control waits.
class TAVIREL_API BusyError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

/// A call was cancelled (TavirelControl::CancelWait) before its reply came.
/// `request_sent()` says whether the request had gone out: if it had, the
/// register may have carried it out, and the message says so.
class TAVIREL_API CancelledError : public TavirelError {
 public:
  /// `what` names the command code and says whether anything was sent.
  CancelledError(const std::string& what, bool request_sent)
      : TavirelError(what), request_sent_(request_sent) {}
  /// True when the request had been written before the cancel.
  [[nodiscard]] bool request_sent() const noexcept { return request_sent_; }

 private:
  bool request_sent_;
};

/// Invoking a member through the dispatch interface failed before the
/// member ran: unknown name or id, wrong number of arguments.
class TAVIREL_API DispatchError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

}  // namespace tavirel
