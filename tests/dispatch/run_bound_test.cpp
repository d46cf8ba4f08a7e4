// Running an operation by its member row with arguments already bound.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/control_rig.hpp"
#include "support/operation_table.hpp"
#include "tavirel/dispatch.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

using namespace tavirel::testing;
using ::testing::HasSubstr;

// Every parameter, in its type: the given texts converted, the defaults after them.
std::vector<Variant> Bound(const MemberInfo& member, const std::vector<Variant>& text) {
  std::vector<Variant> args;
  for (std::size_t i = 0; i < member.params.size(); ++i) {
    const ParamInfo& p = member.params[i];
    args.push_back(i < text.size() ? text[i].ConvertTo(p.type) : p.default_value);
  }
  return args;
}

TEST(RunBound, EveryOperationComposesTheTypedCallsCommand) {
  ControlRig rig;
  rig.control->PortClose();  // every call ends at once, its command composed
  for (const OperationRow& row : OperationRows()) {
    SCOPED_TRACE(row.op);
    const MemberInfo& member = *FindMember(row.op, MemberKind::Method);
    rig.control->EuroSettings(row.mode);
    rig.control->opSubTot(99);  // another command before
    EXPECT_EQ(rig.control->RunOperation(member, Bound(member, row.text)), OP_ERR_PORTCLOSE);
    EXPECT_EQ(rig.control->CurrentCommand(), row.command);
  }
}

struct Refusal {
  const char* case_name;
  MemberInfo member;
  std::vector<Variant> args;
  const char* words;
};

TEST(RunBound, RefusesWhatIsNotABoundOperation) {
  const MemberInfo reparto = *FindMember("opReparto", MemberKind::Method);
  MemberInfo renamed = reparto;
  renamed.name = "opSubTot";  // a row whose id and name disagree
  const std::vector<Variant> sale = Bound(reparto, {"1", "PANE", "1.50", "2"});
  std::vector<Variant> text_price = sale;
  text_price[2] = Variant("1.50");
  const std::vector<Refusal> refusals = {
      {"not an operation", *FindMember("PortOpen", MemberKind::Method), {}, "PortOpen"},
      {"a property", *FindMember("LastImp", MemberKind::PropertyGet), {}, "LastImp"},
      {"id and name disagree", renamed, sale, "opSubTot"},
      {"too few", reparto, {sale.begin(), sale.begin() + 4}, "takes 6 arguments, not 4"},
      {"unbound type", reparto, text_price, "Prezzo is String, not Currency"},
  };
  ControlRig rig;
  rig.control->PortClose();
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.case_name);
    rig.control->opSubTot(1);
    const std::string before = rig.control->CurrentCommand();
    try {
      rig.control->RunOperation(r.member, r.args);
      ADD_FAILURE() << "ran";
    } catch (const DispatchError& e) {
      EXPECT_THAT(e.what(), HasSubstr(r.words));
    }
    EXPECT_EQ(rig.control->CurrentCommand(), before);  // nothing composed
  }
}

}  // namespace
}  // namespace tavirel
