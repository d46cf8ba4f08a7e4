// One OP on a control: the member through the dispatch interface, then what
// the host reports of it.
#include <array>

#include "tavirel/json_ops/op_outcome.hpp"
#include "tavirel/result_properties.hpp"
#include "tavirel/result_record.hpp"

namespace tavirel::json_ops {
namespace {

// The getters in interface order, so reading the record takes no lookup.
using Getter = Variant (*)(const TavirelControl&);
constexpr std::array<Getter, kResultPropertyCount> kGetters = {
#define TAVIREL_GETTER_ROW(name, type, vt) \
  [](const TavirelControl& control) { return Variant(control.name()); },
    TAVIREL_RESULT_PROPERTIES(TAVIREL_GETTER_ROW)
#undef TAVIREL_GETTER_ROW
};

// For the span of one OP: FPError events go to `events` as well as to the
// host's own handler; the host's hooks are back afterwards, however it ends.
class EventCollector {
 public:
  EventCollector(TavirelControl& control, std::vector<FpEvent>& events)
      : control_(control), saved_(control.Hooks()) {
    HostHooks hooks = saved_;
    hooks.fp_error = [this, &events](std::int16_t& level, std::int32_t& code) {
      if (saved_.fp_error) saved_.fp_error(level, code);
      events.push_back({level, code});
    };
    control_.SetHooks(std::move(hooks));
  }
  ~EventCollector() { control_.SetHooks(std::move(saved_)); }
  EventCollector(const EventCollector&) = delete;
  EventCollector& operator=(const EventCollector&) = delete;

 private:
  TavirelControl& control_;
  HostHooks saved_;
};

}  // namespace

std::vector<Variant> ReadResultProperties(const TavirelControl& control) {
  std::vector<Variant> values;
  values.reserve(kGetters.size());
  for (const Getter get : kGetters) values.push_back(get(control));
  return values;
}

OpOutcome RunOp(TavirelControl& control, const MemberInfo& member, std::vector<Variant> args) {
  OpOutcome outcome;
  outcome.member = member.name;
  outcome.kind = member.kind;
  if (member.kind == MemberKind::Method) outcome.nominal_length = NominalCommandLength(member.name);
  outcome.operation = outcome.nominal_length.has_value();
  {
    EventCollector collector(control, outcome.events);
    outcome.value = Invoke(control, member, std::move(args));
  }
  if (member.kind == MemberKind::PropertyPut) {
    // A setter answers with the value as it now reads.
    outcome.value = Invoke(control, *FindMember(member.name, MemberKind::PropertyGet), {});
  }
  if (!outcome.operation) return outcome;
  outcome.result = outcome.value.ToI2();
  outcome.value = Variant();
  outcome.command = control.CurrentCommand();
  outcome.last = ReadResultProperties(control);
  if (outcome.result != OP_OK) {
    const std::int32_t code = outcome.result == EERR ? control.LastEERR() : 0;
    outcome.description = control.GetLastErrorDescription(outcome.result, code);
  }
  return outcome;
}

}  // namespace tavirel::json_ops
