// The call codec on the command line's own JSON input and output.
#include <ostream>
#include <streambuf>

#include "call_codec.hpp"
#include "cli_errors.hpp"
#include "control_host.hpp"
#include "json_input.hpp"
#include "json_output.hpp"

namespace tavirel::service {
namespace {

// The host writes its trace and indicator here; the service keeps neither.
class NullBuffer final : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
};

}  // namespace

std::string RunJsonCall(TavirelControl& control, std::string_view op) {
  cli::OpRequest request;
  try {
    request = cli::ParseJsonOp(op);
  } catch (const cli::UsageError& e) {
    throw CallFormatError(e.what());
  }
  NullBuffer null_buffer;
  std::ostream diagnostics(&null_buffer);
  cli::ControlHost host(control, diagnostics, cli::HostOptions{});
  return cli::JsonLine(host.Run(request));
}

}  // namespace tavirel::service
