#include "control_host.hpp"

#include <ostream>

#include "cli_errors.hpp"
#include "tavirel/cp1252.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/validate.hpp"

namespace tavirel::cli {

// For the span of one OP: the indicator runs and the trace is flushed at the
// end, however the OP ends.
class ControlHost::Waiting {
 public:
  Waiting(ControlHost& host, std::string label) : host_(host) {
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
      allow_malformed_(options.allow_malformed),
      own_clock_(options.clock ? nullptr : std::make_shared<SteadyClock>()),
      clock_(options.clock ? *options.clock : *own_clock_),
      indicator_(diagnostics, clock_, options.indicator) {
  if (options.trace) trace_.emplace(diagnostics, clock_.Now(), [this] { indicator_.Clear(); });
  HostHooks hooks = control_.Hooks();
  // The wait loop sleeps between bytes when no yield handler is installed:
  // only a terminal showing the indicator needs the passes.
  if (options.indicator) hooks.yield = [this] { indicator_.Tick(); };
  if (trace_) {
    hooks.trace = [this](TraceDirection direction, std::string_view bytes, support::TimePoint at) {
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
  Preflight(member, request.args);
  Waiting waiting(*this, std::string(member.name));
  return json_ops::RunOp(control_, member, request.args);
}

// An argument that does not fit its field makes a command the register
// refuses or, worse, prints wrongly: such an operation is not sent.
void ControlHost::Preflight(const MemberInfo& member, const std::vector<Variant>& args) const {
  if (allow_malformed_ || member.kind != MemberKind::Method) return;
  if (!NominalCommandLength(member.name)) return;  // not an operation: no command fields
  // An argument that does not convert at all is the dispatch interface's to
  // report, with its own message.
  for (std::size_t i = 0; i < args.size() && i < member.params.size(); ++i) {
    if (args[i].empty()) continue;
    try {
      (void)args[i].ConvertTo(member.params[i].type);
    } catch (const ConversionError&) {
      return;
    }
  }
  const std::vector<ArgumentProblem> problems =
      ValidateArguments(member.name, args, control_.EuroSettings());
  if (problems.empty()) return;
  std::string message = std::string(member.name) + ": not sent, ";
  message += problems.size() == 1 ? "an argument does not fit its field: "
                                  : "arguments do not fit their fields: ";
  for (std::size_t i = 0; i < problems.size(); ++i) {
    if (i > 0) message += "; ";
    message += problems[i].parameter + " \"" + problems[i].value + "\" " + problems[i].problem;
  }
  throw UsageError(message + " (--allow-malformed sends it as the control builds it)");
}

namespace {

// Why a request with this result never went out; empty when it did.
std::string NotSentReason(std::int16_t result) {
  switch (result) {
    case OP_ERR_EUROLOCK:
      // EuroSettings 0, or a mode other than lire and euro for an amount.
      return "nothing was sent: the currency mode is neither lire nor euro; choose it with "
             "--mode lire or --mode euro";
    case OP_ERR_PORTCLOSE: return "nothing was sent: the port is not open";
    case OP_ERR_NOCOLL: return "nothing was sent: the register is not connected (CTS is low)";
    default: return "";
  }
}

}  // namespace

std::optional<std::string> LengthWarning(const OpOutcome& outcome) {
  if (!outcome.operation || !outcome.nominal_length) return std::nullopt;
  const std::size_t length = cp1252::CharCount(outcome.command);
  if (length == *outcome.nominal_length) return std::nullopt;
  const std::string reason = NotSentReason(outcome.result);
  return "warning: " + outcome.member + ": the command string has " + std::to_string(length) +
         " characters where its layout has " + std::to_string(*outcome.nominal_length) +
         (length > *outcome.nominal_length ? " (an argument is wider than its field)"
                                           : " (an argument is narrower than its field)") +
         "; " + (reason.empty() ? "it was sent as it is" : reason);
}

}  // namespace tavirel::cli
