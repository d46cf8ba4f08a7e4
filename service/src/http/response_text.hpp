#pragma once
// A response as it goes on the wire. The framing fields (Content-Length,
// Transfer-Encoding, Connection) are the writer's alone, and a field a
// handler set with a name that is not a token or a value holding a control
// character is left out, so no answer can be split in two.
//
// Free functions without state.
#include <string>
#include <string_view>

#include "message.hpp"

namespace tavirel::service::http {

/// "Not Found" for 404; "Unknown" for a status it does not know.
std::string_view ReasonPhrase(int status);

/// The whole response: status line, fields, Content-Length and the body
/// (left out for a HEAD request, its length kept); "Connection: close" when
/// the connection ends after it.
std::string ResponseText(const Response& response, bool close, bool head_only);

/// The head of a streamed response: chunked, and the connection ends with it.
std::string StreamHead(const Response& response);

/// `data` as one chunk of a streamed body; the last chunk when it is empty.
std::string Chunk(std::string_view data);

/// What a client that sent "Expect: 100-continue" waits for.
inline constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";

}  // namespace tavirel::service::http
