// Every operation: the exact command string it builds and the reply limit it
// allows, measured on the line in virtual time.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "support/control_rig.hpp"
#include "support/operation_table.hpp"
#include "tavirel/cp1252.hpp"
#include "tavirel/dispatch.hpp"

namespace tavirel {
namespace {

using namespace tavirel::testing;
using std::chrono::seconds;

// The printer acknowledges at once and never replies: the call ends exactly
// `limit` seconds after the send, the clock being on a whole second.
TEST(Catalogue, EveryOperationBuildsItsCommandAndAllowsItsReplyLimit) {
  std::set<std::string> names;
  for (const OperationRow& row : OperationRows()) {
    SCOPED_TRACE(row.op + " " + row.command);
    names.insert(row.op);
    ControlRig rig(row.mode);
    rig.AlignToWholeSecond();
    rig.printer.Script({{std::chrono::milliseconds(0), std::string(1, ACK)}});
    const auto sent_at = rig.printer.Elapsed();

    EXPECT_EQ(row.call(*rig.control), OP_ERR_TIMEOUT);
    EXPECT_EQ(rig.printer.Elapsed() - sent_at, seconds(row.limit));
    EXPECT_EQ(rig.control->CurrentCommand(), row.command);
    const std::string bytes = cp1252::FromUtf8(row.command);
    const std::string written = rig.printer.TakeWritten();
    ASSERT_EQ(written.size(), bytes.size() + 7);
    EXPECT_EQ(written.substr(4, bytes.size()), bytes);
  }
  // Every operation of the interface has at least one row.
  std::size_t operations = 0;
  for (const MemberInfo& member : Members()) {
    if (member.name.starts_with("op")) {
      ++operations;
      EXPECT_TRUE(names.contains(std::string(member.name))) << member.name;
    }
  }
  EXPECT_EQ(operations, 67u);
  EXPECT_EQ(names.size(), 67u);
}

TEST(Catalogue, TheEdgeCaseLengths) {
  const std::map<std::string, std::size_t> lengths = {
      {"opReparto", 85}, {"opMsgVisoreCortesia", 48}, {"opProgReparto", 71},
      {"opProgOpr", 34}, {"opProgRigaInt", 33},       {"opDatiSNoFisc", 47},
      {"opTicket", 17},  {"opReadDataOra", 4}};
  for (const auto& [name, length] : lengths) {
    EXPECT_EQ(NominalCommandLength(name), length) << name;
  }
  EXPECT_EQ(NominalCommandLength("LastImp"), std::nullopt);
}

}  // namespace
}  // namespace tavirel
