#pragma once
// The bounds of the HTTP server, whatever its clients send, and the shape of
// a request it refuses itself.
//
// Values only.
#include <chrono>
#include <cstddef>
#include <string>

namespace tavirel::service::http {

struct HttpLimits {
  std::size_t line_bytes = 8 * 1024;   // the request line, or one header field line
  std::size_t head_bytes = 32 * 1024;  // the request line and headers, whole
  std::size_t header_fields = 100;
  std::size_t body_bytes = 1024 * 1024;           // a body as the route gets it
  std::size_t chunk_line_bytes = 1024;            // a chunk's size line, extensions and all
  std::chrono::milliseconds request_time{10000};  // a request, head and body, from its first byte
  std::chrono::milliseconds io_time{
      5000};  // no progress while reading a request or writing an answer
  std::chrono::milliseconds keep_alive{5000};  // waiting for the next request's first byte
  std::chrono::milliseconds linger{1000};      // after a refusal: the unread rest is discarded
  std::size_t requests_per_connection = 100;
  std::size_t handlers = 64;              // requests handled at once
  std::size_t waiting_connections = 256;  // open beyond those being handled
};

/// A request the server refuses itself: the status and a text for people.
struct Refusal {
  int status = 400;
  std::string message;
  friend bool operator==(const Refusal&, const Refusal&) = default;
};

}  // namespace tavirel::service::http
