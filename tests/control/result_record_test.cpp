// The result record: defaults, reset, the composed LastDate.
#include "tavirel/result_record.hpp"

#include <gtest/gtest.h>

namespace tavirel {
namespace {

DateParts PartsOf(const ResultRecord& record) {
  return record.Get(Prop::LastDate).get<OleDate>().Parts();
}

TEST(ResultRecord, HasTheFiftySixPropertiesInInterfaceOrder) {
  const auto props = ResultProperties();
  ASSERT_EQ(props.size(), 56u);
  EXPECT_EQ(props.front().name, "LastEERR");
  EXPECT_EQ(props[18].name, "LastDate");
  EXPECT_EQ(props.back().name, "LastMatrFisc");
  for (std::size_t i = 0; i < props.size(); ++i)
    EXPECT_EQ(static_cast<std::size_t>(props[i].prop), i);
}

TEST(ResultRecord, ResetStoresTheDefaults) {
  ResultRecord record;
  record.Set(Prop::LastOPCode, std::int16_t{1172});
  record.Set(Prop::LastDescOpr, std::string("MARIO"));
  record.ResetLastValues();
  struct Row {
    Prop prop;
    Variant expected;
  };
  const std::vector<Row> rows = {
      {Prop::LastEERR, std::int16_t{-2}},
      {Prop::LastOPCode, std::int16_t{0}},
      {Prop::LastCodProd, std::string(40, '0')},
      {Prop::LastDescReparto, std::string(20, '0')},
      {Prop::LastDescCartaCC, std::string(20, '0')},
      {Prop::LastDescTicket, std::string(20, '0')},
      {Prop::LastDescOpr, std::string(20, '0')},
      {Prop::LastUMFattura, std::string("00")},
      {Prop::LastImp, Currency()},
      {Prop::LastQta, 0.0f},
      {Prop::LastNumSF, std::int32_t{0}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(record.Get(row.prop), row.expected) << static_cast<int>(row.prop);
  }
  for (const auto& info : ResultProperties()) {
    if (info.prop == Prop::LastDate) continue;
    EXPECT_EQ(record.Get(info.prop), info.default_value) << info.name;
    EXPECT_EQ(record.Get(info.prop).type(), info.type) << info.name;
  }
}

// A reset does not copy the defaults over the values stored before it:
// every way of reading must still give the defaults, and a value stored
// after it (whole or written in place) must win over them.
TEST(ResultRecord, ValuesStoredBeforeAResetReadAsDefaultsEveryWayUntilStoredAgain) {
  ResultRecord record;
  record.ResetLastValues();
  record.Set(Prop::LastPre, Currency::FromUnits(150));
  record.Set(Prop::LastAA, std::int16_t{5});
  record.Set(Prop::LastGG, std::int16_t{12});
  record.Set(Prop::LastEERR, std::int16_t{7});
  record.TextToWrite(Prop::LastCodProd) = "ABC";
  record.ResetLastValues();

  EXPECT_EQ(record.Get(Prop::LastPre), Variant(Currency()));
  EXPECT_EQ(record.GetAs<Currency>(Prop::LastPre), Currency());
  EXPECT_EQ(record.GetAs<std::int16_t>(Prop::LastEERR), -2);
  EXPECT_EQ(record.GetAs<std::string>(Prop::LastCodProd), std::string(40, '0'));
  EXPECT_EQ(PartsOf(record), (DateParts{1999, 11, 30, 0, 0, 0}));  // from the reset parts
  const ResultRecord copy = record;
  EXPECT_EQ(copy.Get(Prop::LastEERR), Variant(std::int16_t{-2}));

  // Written in place after a reset, a text starts from its default.
  record.TextToWrite(Prop::LastCodProd) += "X";
  EXPECT_EQ(record.GetAs<std::string>(Prop::LastCodProd), std::string(40, '0') + "X");
  record.Set(Prop::LastAA, std::int16_t{1});
  EXPECT_EQ(record.GetAs<std::int16_t>(Prop::LastAA), 1);
  EXPECT_EQ(record.GetAs<std::int16_t>(Prop::LastGG), 0);  // still reset
  EXPECT_EQ(PartsOf(record), (DateParts{2000, 11, 30, 0, 0, 0}));

  record.ResetLastValues();
  for (const auto& info : ResultProperties()) {
    if (info.prop == Prop::LastDate) continue;
    EXPECT_EQ(record.Get(info.prop), info.default_value) << info.name;
  }
}

TEST(ResultRecord, ANotYetResetRecordReadsZeroAndEmpty) {
  ResultRecord record;  // as restored from saved properties
  EXPECT_EQ(record.Get(Prop::LastEERR), Variant(std::int16_t{0}));
  EXPECT_EQ(record.Get(Prop::LastCodProd), Variant(std::string()));
  EXPECT_EQ(record.Get(Prop::LastUMFattura), Variant(std::string()));
  EXPECT_EQ(PartsOf(record), (DateParts{1999, 11, 30, 0, 0, 0}));
}

TEST(ResultRecord, LastDateAfterAResetIs30November1999) {
  ResultRecord record;
  record.ResetLastValues();
  EXPECT_EQ(PartsOf(record), (DateParts{1999, 11, 30, 0, 0, 0}));
}

TEST(ResultRecord, LastDateIsComposedAtEveryReadWithItsCarryRules) {
  struct Row {
    std::int16_t gg, mm, aa, hh, min;
    DateParts expected;
  };
  const std::vector<Row> rows = {
      {31, 12, 1, 23, 59, {2001, 12, 31, 23, 59, 0}},
      {1, 1, 29, 0, 0, {2029, 1, 1, 0, 0, 0}},     // 0-29: 2000s
      {1, 1, 30, 0, 0, {1930, 1, 1, 0, 0, 0}},     // 30-99: 1900s
      {31, 4, 5, 0, 0, {2005, 5, 1, 0, 0, 0}},     // 31 April is 1 May
      {1, 13, 5, 0, 0, {2006, 1, 1, 0, 0, 0}},     // month 13
      {1, 0, 5, 0, 0, {2004, 12, 1, 0, 0, 0}},     // month 0
      {0, 3, 4, 0, 0, {2004, 2, 29, 0, 0, 0}},     // day 0: last day of the month before
      {32, 1, 5, 0, 0, {2005, 2, 1, 0, 0, 0}},     // day 32 of a 31-day month
      {31, 12, 5, 24, 0, {2006, 1, 1, 0, 0, 0}},   // hour 24
      {31, 12, 5, 23, 60, {2006, 1, 1, 0, 0, 0}},  // minute 60
  };
  ResultRecord record;
  for (const auto& row : rows) {
    record.Set(Prop::LastGG, row.gg);
    record.Set(Prop::LastMM, row.mm);
    record.Set(Prop::LastAA, row.aa);
    record.Set(Prop::LastHH, row.hh);
    record.Set(Prop::LastMin, row.min);
    EXPECT_EQ(PartsOf(record), row.expected) << row.gg << "/" << row.mm << "/" << row.aa;
  }
}

}  // namespace
}  // namespace tavirel
