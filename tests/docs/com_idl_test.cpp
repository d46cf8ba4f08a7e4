// com/tavirel.idl, com/tavirel_vtable.inc and docs/com.md's members are
// what the generator writes from the dispatch table today (the Windows build compiles the committed
// files; its COM suite checks the type library against the table).
#include "com_idl.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

namespace tavirel::comidl {
namespace {

std::string Committed(const std::string& name) {
  std::ifstream in(std::string(TAVIREL_SOURCE_DIR) + "/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(ComIdl, TheCommittedFilesAreCurrent) {
  EXPECT_TRUE(Committed("com/tavirel.idl") == InterfaceDefinition())
      << "com/tavirel.idl is stale: refresh it with `cmake --build build --target com-idl`";
  EXPECT_TRUE(Committed("com/tavirel_vtable.inc") == VtableMethods())
      << "com/tavirel_vtable.inc is stale: refresh it with `cmake --build build --target com-idl`";
  const std::string page = Committed("docs/com.md");
  EXPECT_TRUE(page == WithMemberTable(page)) << "docs/com.md's members are stale: refresh them "
                                                "with `cmake --build build --target com-idl`";
}

// Automation wants a property's two sides under one id, and every other
// member under an id of its own.
TEST(ComIdl, PropertyPutsShareTheirGetsIdAndNoOtherIdRepeats) {
  std::map<std::int32_t, int> uses;
  for (const MemberInfo& m : Members()) {
    ++uses[DispatchId(m)];
    if (m.kind == MemberKind::PropertyPut) {
      EXPECT_EQ(DispatchId(m), FindMember(m.name, MemberKind::PropertyGet)->id) << m.name;
    }
  }
  for (const auto& [id, count] : uses) {
    const MemberInfo* m = FindMember(id);
    const bool has_put = FindMember(m->name, MemberKind::PropertyPut) != nullptr;
    EXPECT_EQ(count, has_put ? 2 : 1) << m->name;
  }
}

}  // namespace
}  // namespace tavirel::comidl
