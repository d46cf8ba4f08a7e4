// The connection keeps its prepared statements by the text's address: a
// buffer that held one statement and now holds another must run the new
// one, not the statement prepared for the old text.
#include <gtest/gtest.h>

#include <cstring>

#include "document_rig.hpp"
#include "sqlite_db.hpp"

namespace tavirel::documents::test {
namespace {

std::int64_t One(Database& db, const char* sql) {
  Query q(db, sql);
  EXPECT_TRUE(q.Step()) << sql;
  return q.Integer(0);
}

TEST(StatementCache, TextAtAReusedAddressIsPreparedAgain) {
  TempDir dir;
  Database db(dir / "cache.db", true);
  char sql[32];
  for (const auto& [text, value] : {std::pair{"SELECT 1", 1}, {"SELECT 22", 22}, {"SELECT 1", 1}}) {
    std::strcpy(sql, text);
    EXPECT_EQ(One(db, sql), value) << text;
    EXPECT_EQ(One(db, sql), value) << text << ", kept";
  }
}

}  // namespace
}  // namespace tavirel::documents::test
