// A member call through the JSON OP codec that `tavirel call --json` uses.
#include "call_codec.hpp"

#include "tavirel/json_ops/answer.hpp"
#include "tavirel/json_ops/op_outcome.hpp"
#include "tavirel/json_ops/op_request.hpp"

namespace tavirel::service {

std::string RunJsonCall(TavirelControl& control, std::string_view op) {
  json_ops::OpRequest request;
  try {
    request = json_ops::ParseJsonOp(op);
  } catch (const json_ops::JsonOpError& e) {
    throw CallFormatError(e.what());
  }
  const MemberInfo& member = json_ops::ResolveMember(request.member, request.args.size());
  return json_ops::Answer(json_ops::RunOp(control, member, std::move(request.args)), request.id);
}

}  // namespace tavirel::service
