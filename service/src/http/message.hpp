#pragma once
// A request as the routes read it and a response as they write it: the
// server's own small types. Header names compare without regard to case.
//
// Values: a Request and its Response belong to the one request being
// served, read and written by one thread at a time.
#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavirel::service::http {

/// True when `a` and `b` are equal letter for letter, ASCII case aside.
bool SameName(std::string_view a, std::string_view b);

/// Header fields in the order they came.
class Headers {
 public:
  using Field = std::pair<std::string, std::string>;

  /// Adds a field after the others.
  void Add(std::string name, std::string value);
  /// Replaces every field of that name with one.
  void Set(std::string name, std::string value);
  /// The first field of that name.
  [[nodiscard]] std::optional<std::string_view> Find(std::string_view name) const;
  /// How many fields have that name.
  [[nodiscard]] std::size_t Count(std::string_view name) const;
  [[nodiscard]] std::vector<Field>::const_iterator begin() const { return fields_.begin(); }
  [[nodiscard]] std::vector<Field>::const_iterator end() const { return fields_.end(); }

 private:
  std::vector<Field> fields_;
};

struct Request {
  std::string method;     // "GET", as sent (methods are case-sensitive)
  std::string target;     // as sent: "/v1/documents/k?wait=5"
  std::string path;       // percent-decoded, without the query
  int minor_version = 1;  // HTTP/1.x
  Headers headers;
  std::vector<std::pair<std::string, std::string>> params;  // the query's, decoded
  std::string body;
  std::vector<std::string> matches;  // the route's captures; [0] is the whole path
  std::string remote_address;        // the client's address, "127.0.0.1"

  /// The first header of that name, "" when there is none.
  [[nodiscard]] std::string Header(std::string_view name) const;
  [[nodiscard]] bool HasParam(std::string_view name) const;
  /// The first query parameter of that name, "" when there is none.
  [[nodiscard]] std::string Param(std::string_view name) const;
};

/// Where a streamed body goes, given to its producer on the handler's thread.
class StreamSink {
 public:
  virtual ~StreamSink() = default;
  /// Sends `data` whole; false when the client went, stopped reading for
  /// the write limit, or the server is stopping: the producer ends then.
  virtual bool Write(std::string_view data) = 0;
  /// False once the client has hung up or the server is stopping; looks
  /// without waiting.
  [[nodiscard]] virtual bool Open() = 0;
};

struct Response {
  int status = 200;
  Headers headers;
  std::string body;
  /// A body made while it is sent (event streams), in place of `body`: run
  /// once on the handler's thread; the connection closes when it returns.
  std::function<void(StreamSink&)> stream;

  void SetHeader(std::string name, std::string value) {
    headers.Set(std::move(name), std::move(value));
  }
  /// `text` as the body, of `type`.
  void SetContent(std::string text, std::string type);
  /// A streamed body of `type`, made by `producer`.
  void SetStream(std::string type, std::function<void(StreamSink&)> producer);
};

}  // namespace tavirel::service::http
