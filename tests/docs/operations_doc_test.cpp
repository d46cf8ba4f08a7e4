// docs/operations.md is what the generator writes from the catalogue today.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "descriptions.hpp"
#include "operations_reference.hpp"
#include "ops/catalogue.hpp"

namespace tavirel::opdoc {
namespace {

using ::testing::HasSubstr;

std::string Committed() {
  std::ifstream in(std::string(TAVIREL_SOURCE_DIR) + "/docs/operations.md", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(OperationsDoc, TheCommittedPageIsCurrent) {
  const std::string generated = OperationsReference();
  EXPECT_TRUE(Committed() == generated)
      << "docs/operations.md is stale: refresh it with "
         "`cmake --build build --target operations-doc` and commit it";
}

// Every operation once, under one group heading, with its command code and
// reply limit as the catalogue has them; the seven groups hold all 67.
TEST(OperationsDoc, EveryOperationOnceWithItsCodeAndLimit) {
  const std::string page = OperationsReference();
  std::map<Group, int> per_group;
  for (const OperationText& text : OperationTexts()) ++per_group[text.group];
  EXPECT_EQ(per_group.size(), 7u);
  ASSERT_EQ(OperationTexts().size(), ops::Catalogue().size());
  ASSERT_EQ(ops::Catalogue().size(), 67u);
  for (const ops::Operation& op : ops::Catalogue()) {
    const std::string heading = "\n### " + std::string(op.name) + "\n";
    const std::size_t at = page.find(heading);
    ASSERT_NE(at, std::string::npos) << op.name;
    EXPECT_EQ(page.find(heading, at + 1), std::string::npos) << op.name;
    const std::size_t end = page.find("\n### ", at + 1);
    const std::string section = page.substr(at, end - at);
    EXPECT_THAT(section, HasSubstr("Command " + std::to_string(op.code) + ", " +
                                   std::to_string(op.NominalLength()) +
                                   " characters; reply "
                                   "limit " +
                                   std::to_string(op.reply_timeout) + " s."));
    for (const ParamInfo& param : op.params) {
      EXPECT_THAT(section, HasSubstr("| `" + std::string(param.name) + "` |")) << op.name;
    }
  }
}

}  // namespace
}  // namespace tavirel::opdoc
