// Malformed line settings through the dispatch interface and the control:
// a SettingsError quoting the text, the settings in force unchanged.
#include <gtest/gtest.h>

#include "bad_input.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

using testing::BadInputBench;

class MalformedSettings : public ::testing::TestWithParam<std::string> {};

TEST_P(MalformedSettings, AreRefusedWithTheirTextAndChangeNothing) {
  BadInputBench bench;
  Invoke(bench.control(), "Settings", MemberKind::PropertyPut, {Variant("19200,e,7,2")});
  try {
    Invoke(bench.control(), "Settings", MemberKind::PropertyPut, {Variant(GetParam())});
    FAIL() << "accepted";
  } catch (const SettingsError& e) {
    EXPECT_NE(std::string(e.what()).find("line settings"), std::string::npos) << e.what();
  }
  EXPECT_EQ(Invoke(bench.control(), "Settings", MemberKind::PropertyGet, {}),
            Variant("19200,e,7,2"));
}

INSTANTIATE_TEST_SUITE_P(Texts, MalformedSettings,
                         ::testing::Values("", ",,,", "9600", "9600,n,8", "9600,n,8,1,",
                                           "9600,x,8,1", "9600,n,9,1", "9600,n,8,3", "-9600,n,8,1",
                                           "99999999999999999999,n,8,1", "2147483648,n,8,1",
                                           "14400,n,8,1", "96 00,n,8,1", "9600,nn,8,1",
                                           "９６００,n,8,1", "9600\x03,n,8,1",
                                           std::string("9600\0,n,8,1", 11), "\xff\xfe,n,8,1",
                                           std::string(100000, ','), "9600,n,8,1.25"));

TEST(MalformedSettings, ANonTextArgumentIsConvertedFirst) {
  BadInputBench bench;
  EXPECT_THROW(
      Invoke(bench.control(), "Settings", MemberKind::PropertyPut, {Variant(std::int16_t{9600})}),
      SettingsError);
  EXPECT_EQ(bench.control().Settings(), "9600,n,8,1");
}

TEST(MalformedPort, PortNumbersOutOfRangeAreErrorsOfTheCall) {
  BadInputBench bench;
  EXPECT_THROW(Invoke(bench.control(), "COMPort", MemberKind::PropertyPut, {Variant("32768")}),
               ConversionError);
  EXPECT_THROW(Invoke(bench.control(), "COMPort", MemberKind::PropertyPut, {Variant("one")}),
               ConversionError);
  EXPECT_EQ(bench.control().COMPort(), 1);
}

}  // namespace
}  // namespace tavirel
