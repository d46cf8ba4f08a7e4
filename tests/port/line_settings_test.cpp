#include "tavirel/line_settings.hpp"

#include <gtest/gtest.h>

#include <string>

#include "port/supported_rates.hpp"
#include "port/termios_settings.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

struct ValidRow {
  const char* text;
  LineSettings expected;
  const char* canonical;
};

const ValidRow kValid[] = {
    {"9600,n,8,1", {9600, Parity::None, 8, StopBits::One}, "9600,n,8,1"},
    {"9600,N,8,1", {9600, Parity::None, 8, StopBits::One}, "9600,n,8,1"},
    {"19200,e,7,2", {19200, Parity::Even, 7, StopBits::Two}, "19200,e,7,2"},
    {"19200,E,7,2", {19200, Parity::Even, 7, StopBits::Two}, "19200,e,7,2"},
    {"1200,o,7,1", {1200, Parity::Odd, 7, StopBits::One}, "1200,o,7,1"},
    {"2400,O,6,1", {2400, Parity::Odd, 6, StopBits::One}, "2400,o,6,1"},
    {"4800,m,8,1", {4800, Parity::Mark, 8, StopBits::One}, "4800,m,8,1"},
    {"4800,M,8,2", {4800, Parity::Mark, 8, StopBits::Two}, "4800,m,8,2"},
    {"115200,s,5,1.5", {115200, Parity::Space, 5, StopBits::OneAndHalf}, "115200,s,5,1.5"},
    {"110,S,6,1.5", {110, Parity::Space, 6, StopBits::OneAndHalf}, "110,s,6,1.5"},
    {"4000000,n,8,1", {4000000, Parity::None, 8, StopBits::One}, "4000000,n,8,1"},
    {" 9600 , n , 8 , 1 ", {9600, Parity::None, 8, StopBits::One}, "9600,n,8,1"},
    {"\t38400,e,8,1\t", {38400, Parity::Even, 8, StopBits::One}, "38400,e,8,1"},
    {"09600,n,8,1", {9600, Parity::None, 8, StopBits::One}, "9600,n,8,1"},
};

TEST(LineSettings, ParsesValidTexts) {
  for (const auto& row : kValid) {
    SCOPED_TRACE(row.text);
    const LineSettings parsed = LineSettings::Parse(row.text);
    EXPECT_EQ(parsed, row.expected);
    EXPECT_EQ(parsed.ToString(), row.canonical);
  }
}

TEST(LineSettings, CanonicalTextParsesBackToTheSameValue) {
  for (const auto& row : kValid) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(LineSettings::Parse(row.expected.ToString()), row.expected);
  }
}

TEST(LineSettings, DefaultsAreTheDefaultText) {
  EXPECT_EQ(LineSettings{}, LineSettings::Parse("9600,n,8,1"));
}

struct InvalidRow {
  std::string text;
  const char* why;  // a part of the message that says what is wrong
};

const InvalidRow kInvalid[] = {
    {"", "needs 4 comma-separated fields, has 1"},
    {"   ", "needs 4 comma-separated fields, has 1"},
    {"9600", "needs 4 comma-separated fields, has 1"},
    {"9600,n,8", "needs 4 comma-separated fields, has 3"},
    {"9600,n,8,1,1", "needs 4 comma-separated fields, has 5"},
    {"9600,n,8,1,", "needs 4 comma-separated fields, has 5"},
    {"9600;n;8;1", "needs 4 comma-separated fields, has 1"},
    {",n,8,1", "baud rate \"\" is not a number"},
    {" ,n,8,1", "baud rate \"\" is not a number"},
    {"96 00,n,8,1", "baud rate \"96 00\" is not a number"},
    {"abc,n,8,1", "baud rate \"abc\" is not a number"},
    {"-9600,n,8,1", "baud rate \"-9600\" is not a number"},
    {"+9600,n,8,1", "baud rate \"+9600\" is not a number"},
    {"9600.0,n,8,1", "baud rate \"9600.0\" is not a number"},
    {"99999999999999999999,n,8,1", "baud rate \"99999999999999999999\" is not a number"},
    {"14400,n,8,1", "baud rate 14400 is not supported"},
    {"128000,n,8,1", "baud rate 128000 is not supported"},
    {"134,n,8,1", "baud rate 134 is not supported"},
    {"0,n,8,1", "baud rate 0 is not supported"},
    {"9600,,8,1", "parity \"\" is not one of"},
    {"9600,x,8,1", "parity \"x\" is not one of"},
    {"9600,no,8,1", "parity \"no\" is not one of"},
    {"9600,n,,1", "data bits \"\" are not"},
    {"9600,n,4,1", "data bits \"4\" are not"},
    {"9600,n,9,1", "data bits \"9\" are not"},
    {"9600,n,eight,1", "data bits \"eight\" are not"},
    {"9600,n,99999999999,1", "data bits \"99999999999\" are not"},
    {"9600,n,8,", "stop bits \"\" are not"},
    {"9600,n,8,0", "stop bits \"0\" are not"},
    {"9600,n,8,3", "stop bits \"3\" are not"},
    {"9600,n,8,1.0", "stop bits \"1.0\" are not"},
    {"9600,n,8,1,5", "needs 4 comma-separated fields, has 5"},
    {std::string("9600,n,8,1\0", 11), "stop bits \"1\\x00\" are not"},
};

TEST(LineSettings, RefusesMalformedTextsQuotingThem) {
  for (const auto& row : kInvalid) {
    SCOPED_TRACE(row.text);
    try {
      (void)LineSettings::Parse(row.text);
      ADD_FAILURE() << "accepted";
    } catch (const SettingsError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(row.why), std::string::npos) << message;
      if (row.text.find('\0') == std::string::npos) {
        EXPECT_NE(message.find("\"" + row.text + "\""), std::string::npos) << message;
      }
    }
  }
}

TEST(LineSettings, UnsupportedRateMessageListsTheRatesThatWork) {
  try {
    (void)LineSettings::Parse("14400,n,8,1");
    FAIL() << "accepted";
  } catch (const SettingsError& e) {
    EXPECT_NE(std::string(e.what()).find("19200"), std::string::npos) << e.what();
  }
}

TEST(LineSettings, ControlBytesAreEscapedInMessages) {
  try {
    (void)LineSettings::Parse("9600\n,n,8,1\x1b");
    FAIL() << "accepted";
  } catch (const SettingsError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("\"9600\\x0a,n,8,1\\x1b\""), std::string::npos) << message;
    EXPECT_EQ(message.find('\x1b'), std::string::npos);
  }
}

TEST(LineSettings, EveryAcceptedRateHasATerminalSpeed) {
  for (int rate : port::kSupportedRates) {
    SCOPED_TRACE(rate);
    EXPECT_EQ(LineSettings::Parse(std::to_string(rate) + ",n,8,1").baud, rate);
    EXPECT_TRUE(port::TermiosSpeed(rate).has_value());
  }
}

TEST(LineSettings, BitsPerCharacterCountStartDataParityAndStop) {
  const struct {
    const char* text;
    double bits;
  } rows[] = {
      {"9600,n,8,1", 10.0},  {"9600,e,7,1", 10.0}, {"9600,o,8,2", 12.0},
      {"9600,m,5,1.5", 8.5}, {"9600,s,6,1", 9.0},  {"9600,n,5,2", 8.0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_DOUBLE_EQ(LineSettings::Parse(row.text).BitsPerCharacter(), row.bits);
  }
}

}  // namespace
}  // namespace tavirel
