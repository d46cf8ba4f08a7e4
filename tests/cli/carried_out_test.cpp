// What a session remembers of the operations it carried out, for the
// message when standard output fails: all of them while few, their number
// and the last sixteen after that, in the same room however long it runs.
#include <gtest/gtest.h>

#include <string>

#include "call_session.hpp"

namespace tavirel::cli {
namespace {

std::string Carried(int count) {
  CarriedOut done;
  for (int i = 1; i <= count; ++i) done.Add("op" + std::to_string(i), i % 2 ? "OP_OK" : "EERR");
  return done.Describe();
}

std::string Listed(int first, int last) {
  std::string list;
  for (int i = first; i <= last; ++i)
    list += (list.empty() ? "" : ", ") + ("op" + std::to_string(i)) + (i % 2 ? " OP_OK" : " EERR");
  return list;
}

TEST(CarriedOut, NamesEveryOperationWhileFewThenTheirNumberAndTheLastSixteen) {
  EXPECT_EQ(Carried(0), "");
  EXPECT_EQ(Carried(3), Listed(1, 3));
  EXPECT_EQ(Carried(16), Listed(1, 16));
  EXPECT_EQ(Carried(17), "17 in all, the last 16: " + Listed(2, 17));
  EXPECT_EQ(Carried(100000), "100000 in all, the last 16: " + Listed(99985, 100000));
}

}  // namespace
}  // namespace tavirel::cli
