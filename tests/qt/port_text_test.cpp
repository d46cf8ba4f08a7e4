// Which port texts count as numbers, and the port numbers they give.
#include "tavirel/qt/port_text.hpp"

#include <gtest/gtest.h>

namespace tavirel::qt {
namespace {

TEST(PortText, NumericTexts) {
  const struct {
    const char* text;
    bool numeric;
  } rows[] = {
      {"1", true},   {" 12 ", true},  {"-3", true},   {"+4", true},    {"2.0", true},
      {".5", true},  {"7.", true},    {"", false},    {"   ", false},  {"abc", false},
      {"1x", false}, {"COM1", false}, {"1 2", false}, {"--1", false},  {".", false},
      {"+", false},  {"1e2", false},  {"1,5", false}, {"\t8\t", true},
  };
  for (const auto& row : rows) EXPECT_EQ(IsNumericPortText(row.text), row.numeric) << row.text;
}

TEST(PortText, WholeNumbersInTheShortRangeConvert) {
  const struct {
    const char* text;
    std::int16_t port;
  } rows[] = {{"1", 1}, {" 12 ", 12}, {"-3", -3},       {"+4", 4},          {"2.000", 2},
              {"0", 0}, {"-0", 0},    {"32767", 32767}, {"-32768", -32768}, {"000000000042", 42},
              {"7.", 7}};
  for (const auto& row : rows) EXPECT_EQ(PortNumberFromText(row.text), row.port) << row.text;
}

TEST(PortText, FractionsAndOutOfRangeNumbersAreErrorsNamingTheText) {
  for (const char* text : {"32768", "-32769", "70000", "1.5", ".5", "123456789012", "abc", ""}) {
    try {
      (void)PortNumberFromText(text);
      ADD_FAILURE() << text << " converted";
    } catch (const PortNumberError& error) {
      EXPECT_NE(std::string(error.what()).find('"' + std::string(text) + '"'), std::string::npos)
          << error.what();
    }
  }
}

}  // namespace
}  // namespace tavirel::qt
