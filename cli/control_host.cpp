#include "control_host.hpp"

#include <ostream>

#include "tavirel/cp1252.hpp"
#include "tavirel/result_record.hpp"

namespace tavirel::cli {

// For the span of one OP: the indicator runs and the trace is flushed at the
// end, however the OP ends.
class ControlHost::Waiting {
 public:
  Waiting(ControlHost& host, std::string label) : host_(host) {
    host_.events_.clear();
    host_.indicator_.Begin(std::move(label));
  }
  ~Waiting() {
    host_.indicator_.End();
    if (host_.trace_) host_.trace_->Flush();
  }
  Waiting(const Waiting&) = delete;
  Waiting& operator=(const Waiting&) = delete;

 private:
  ControlHost& host_;
};

ControlHost::ControlHost(TavirelControl& control, std::ostream& diagnostics, HostOptions options)
    : control_(control),
      own_clock_(options.clock ? nullptr : std::make_shared<SteadyClock>()),
      clock_(options.clock ? *options.clock : *own_clock_),
      indicator_(diagnostics, clock_, options.indicator) {
  if (options.trace) trace_.emplace(diagnostics, clock_.Now(), [this] { indicator_.Clear(); });
  HostHooks hooks = control_.Hooks();
  hooks.fp_error = [this](std::int16_t& level, std::int32_t& code) { OnFpError(level, code); };
  hooks.yield = [this] { indicator_.Tick(); };
  if (trace_) {
    hooks.trace = [this](TraceDirection direction, std::string_view bytes, TimePoint at) {
      trace_->OnBytes(direction, bytes, at);
    };
  }
  control_.SetHooks(std::move(hooks));
}

ControlHost::~ControlHost() { control_.SetHooks({}); }

void ControlHost::Open() {
  Waiting waiting(*this, "PortOpen");
  control_.PortOpen();
}

void ControlHost::Close() noexcept {
  try {
    Waiting waiting(*this, "PortClose");
    control_.PortClose();
  } catch (...) {
    // Closing is the last thing a run does; a port that fails to close has
    // nothing more to tell the user than what the OPs already reported.
  }
}

OpOutcome ControlHost::Run(const OpRequest& request) {
  const MemberInfo& member = ResolveMember(request);
  if (member.kind == MemberKind::Method && NominalCommandLength(member.name)) {
    return RunOperation(member, request.args);
  }
  Waiting waiting(*this, std::string(member.name));
  OpOutcome outcome;
  outcome.member = member.name;
  outcome.kind = member.kind;
  outcome.value = Invoke(control_, member, request.args);
  if (member.kind == MemberKind::PropertyPut) {
    // A setter answers with the value as it now reads.
    outcome.value = Invoke(control_, *FindMember(member.name, MemberKind::PropertyGet), {});
  }
  outcome.events = events_;
  return outcome;
}

OpOutcome ControlHost::RunOperation(const MemberInfo& member, std::vector<Variant> args) {
  Waiting waiting(*this, std::string(member.name));
  OpOutcome outcome;
  outcome.member = member.name;
  outcome.operation = true;
  outcome.result = Invoke(control_, member, std::move(args)).ToI2();
  outcome.command = control_.CurrentCommand();
  outcome.nominal_length = NominalCommandLength(member.name);
  outcome.events = events_;
  for (const PropInfo& prop : ResultProperties())
    outcome.last.push_back(control_.ResultProperty(prop.name));
  if (outcome.result != OP_OK) {
    const std::int32_t code = outcome.result == EERR ? control_.LastEERR() : 0;
    outcome.description = control_.GetLastErrorDescription(outcome.result, code);
  }
  return outcome;
}

void ControlHost::OnFpError(std::int16_t level, std::int32_t code) {
  events_.push_back({level, code});
}

std::optional<std::string> LengthWarning(const OpOutcome& outcome) {
  if (!outcome.operation || !outcome.nominal_length) return std::nullopt;
  const std::size_t length = cp1252::CharCount(outcome.command);
  if (length == *outcome.nominal_length) return std::nullopt;
  return "warning: " + outcome.member + ": the command string has " + std::to_string(length) +
         " characters where its layout has " + std::to_string(*outcome.nominal_length) +
         (length > *outcome.nominal_length ? " (an argument is wider than its field)"
                                           : " (an argument is narrower than its field)") +
         "; it was sent as it is";
}

}  // namespace tavirel::cli
