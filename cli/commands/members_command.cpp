// tavirel members: the dispatch interface in slot order.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <ostream>

#include "commands/commands.hpp"
#include "tavirel/dispatch.hpp"
#include "tavirel/json_ops/answer.hpp"

namespace tavirel::cli {
namespace {

using json_ops::JsonString;
using json_ops::JsonValue;

std::string MemberLine(const MemberInfo& member) {
  char head[32];
  std::snprintf(head, sizeof head, "%3d  %-8s ", member.id,
                std::string(KindName(member.kind)).c_str());
  return head + Signature(member);
}

std::string MemberJson(const MemberInfo& member) {
  std::string params = "[";
  for (const ParamInfo& p : member.params) {
    if (params.size() > 1) params += ", ";
    params += "{\"name\": " + JsonString(p.name) + ", \"type\": " + JsonString(TypeName(p.type)) +
              ", \"optional\": " + (p.optional ? "true" : "false");
    if (p.optional) params += ", \"default\": " + JsonValue(p.default_value);
    params += "}";
  }
  params += "]";
  return "{\"id\": " + std::to_string(member.id) + ", \"name\": " + JsonString(member.name) +
         ", \"kind\": " + JsonString(KindName(member.kind)) + ", \"params\": " + params +
         ", \"result\": " + JsonString(TypeName(member.result)) + "}";
}

int RunMembers(bool json, Streams& streams) {
  for (const MemberInfo& member : Members()) {
    streams.out << (json ? MemberJson(member) : MemberLine(member)) << '\n';
  }
  streams.out.flush();
  return 0;
}

}  // namespace

void AddMembersCommand(CLI::App& app, Runner& run) {
  auto json = std::make_shared<bool>(false);
  CLI::App* members = app.add_subcommand("members",
                                         "The dispatch interface: every member in slot order with "
                                         "its id, kind, parameters and result");
  members->add_flag("--json", *json, "One JSON object per member");
  members->footer(
      "\nExamples:\n  tavirel members\n  tavirel members | grep opRep\n  tavirel members --json");
  members->callback(
      [json, &run] { run = [json](Streams& streams) { return RunMembers(*json, streams); }; });
}

}  // namespace tavirel::cli
