// The flushes of the journal's file for one receipt through the service,
// counted by an SQLite VFS of the test's own: one per step that goes out
// (five lines, a discount, two payments), the admission riding on the
// first step's and the outcome waiting for none.
#include <gtest/gtest.h>

#include "../documents/shim_vfs.hpp"
#include "service_rig.hpp"

namespace tavirel::service::testing {
namespace {

constexpr const char* kReceipt = R"({"key": "flush-1", "operator": 1,
    "lines": [{"department": 1, "description": "PANE", "price": "1.50"},
              {"department": 2, "description": "MELE", "price": "2.40", "quantity": 2},
              {"department": 1, "description": "GRISSINI", "price": "0.60", "quantity": 3},
              {"department": 2, "description": "LATTE", "price": "0.99"},
              {"department": 1, "description": "CROSTATA", "price": "3.00"}],
    "adjustments": [{"type": "discount-percent", "percent": "10"}],
    "payments": [{"type": "cash", "amount": "5.00"}, {"type": "card", "card": 1}]})";

TEST(ServiceFlushes, AReceiptCostsAtMostOneFlushPerStep) {
  documents::test::ShimVfs vfs;
  ServiceConfig config;
  config.registers = {ParseRegisterOption("sim=sim")};
  ServiceRig rig(std::move(config));
  ASSERT_TRUE(rig.AllOpen());
  const int before = vfs.Syncs();
  const auto res =
      rig.Client()->Post("/v1/registers/sim/documents?wait=60", kReceipt, "application/json");
  ASSERT_TRUE(res);
  ASSERT_EQ(res->status, 200) << res->body;
  EXPECT_EQ(Json::parse(res->body)["status"], "closed") << res->body;
  const int flushes = vfs.Syncs() - before;
  EXPECT_LE(flushes, 8);
  EXPECT_GE(flushes, 8) << "a step went out without its intent flushed";
}

}  // namespace
}  // namespace tavirel::service::testing
