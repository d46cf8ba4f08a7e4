// The 25 reply layouts, the length check and the field conversions.
#include "ops/decoders.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "ops/reply_fields.hpp"
#include "ops/reply_samples.hpp"
#include "support/scripted_printer.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

using namespace tavirel::testing;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

ResultRecord ResetRecord() {
  ResultRecord record;
  record.ResetLastValues();
  return record;
}

TEST(ReplyDecoders, EachLayoutTakesItsLengthAndRefusesOneCharacterMoreOrLess) {
  std::set<Decoder> covered;
  for (const ReplySample& sample : ReplySamples()) {
    SCOPED_TRACE(sample.name);
    covered.insert(sample.decoder);
    ASSERT_EQ(sample.payload.size(), sample.length);
    EXPECT_EQ(ops::LayoutOf(sample.decoder).name, sample.name);
    EXPECT_EQ(ops::LayoutOf(sample.decoder).length, static_cast<int>(sample.length));

    ResultRecord record = ResetRecord();
    ops::Decode(sample.decoder, ReplyFrame(sample.payload), record);
    EXPECT_THAT(RecordDifferences(record, sample.values), IsEmpty());

    for (const std::string& wrong :
         {sample.payload + "0", sample.payload.substr(0, sample.length - 1)}) {
      ResultRecord refused = ResetRecord();
      ops::Decode(sample.decoder, ReplyFrame(wrong), refused);
      EXPECT_THAT(RecordDifferences(refused, {}), IsEmpty()) << wrong.size() << " characters";
    }
  }
  EXPECT_EQ(covered.size(), 25u);
  EXPECT_EQ(ops::DecoderLayouts().size(), 25u);
}

TEST(ReplyDecoders, EveryPropertyKeepsItsDefaultAfterDecodesRefusedForLength) {
  ResultRecord record = ResetRecord();
  for (const ReplySample& sample : ReplySamples()) {
    // Too long, too short, an empty payload (a frame of 7 characters) and a
    // payload of one character (a frame of 8).
    for (const std::string& frame :
         {ReplyFrame(sample.payload + " "), ReplyFrame(sample.payload.substr(1)), ReplyFrame(""),
          ReplyFrame("1"), std::string("\x02\x03")}) {
      ops::Decode(sample.decoder, frame, record);
    }
  }
  EXPECT_THAT(RecordDifferences(record, {}), IsEmpty());
}

// The decoder takes each field's text without a bounds check of its own.
TEST(ReplyDecoders, EveryFieldLiesWithinItsLayoutsLength) {
  for (const ops::DecoderLayout& layout : ops::DecoderLayouts()) {
    for (const ops::ReplyField& field : layout.fields) {
      SCOPED_TRACE(std::string(layout.name) + " field at " + std::to_string(field.position));
      EXPECT_GE(field.position, 1);
      EXPECT_GE(field.width, 1);
      EXPECT_LE(field.position - 1 + field.width, layout.length);
    }
  }
}

TEST(ReplyDecoders, ReplyDataIsWhatLiesBetweenTheHeadAndTheTail) {
  EXPECT_EQ(ops::ReplyData(Fields("\x02", "01E", "105501", "42", "\x03")), "105501");
  EXPECT_EQ(ops::ReplyData(Fields("\x02", "01E", "X", "00", "\x03")), "X");
  EXPECT_EQ(ops::ReplyData(Fields("\x02", "01E", "00", "\x03")), "");
  EXPECT_EQ(ops::ReplyData(""), "");
}

TEST(ReplyDecoders, TheDateField3112012359) {
  ResultRecord record = ResetRecord();
  ops::Decode(Decoder::DecodeDateTimeReply, ReplyFrame(Fields("4201", "3112012359")), record);
  EXPECT_EQ(record.GetAs<std::int16_t>(Prop::LastGG), 31);
  EXPECT_EQ(record.GetAs<std::int16_t>(Prop::LastMM), 12);
  EXPECT_EQ(record.GetAs<std::int16_t>(Prop::LastAA), 1);
  EXPECT_EQ(record.GetAs<std::int16_t>(Prop::LastHH), 23);
  EXPECT_EQ(record.GetAs<std::int16_t>(Prop::LastMin), 59);
  EXPECT_EQ(record.GetAs<OleDate>(Prop::LastDate).Parts(), (DateParts{2001, 12, 31, 23, 59, 0}));
  EXPECT_EQ(record.GetAs<std::int16_t>(Prop::LastOP), 0);  // this layout has no operator
}

TEST(ReplyDecoders, TheTwoSixCharacterLayoutsReadTheSameTextDifferently) {
  ResultRecord ack = ResetRecord();
  ops::Decode(Decoder::DecodeAckReply, ReplyFrame("123405"), ack);
  EXPECT_THAT(RecordDifferences(ack, {{"LastOPCode", I2(1234)}, {"LastOP", I2(5)}}), IsEmpty());

  ResultRecord line_type = ResetRecord();
  ops::Decode(Decoder::DecodeLineTypeTableReply, ReplyFrame("123405"), line_type);
  EXPECT_THAT(
      RecordDifferences(
          line_type, {{"LastOPCode", I2(1234)}, {"LastNumRiga", I2(0)}, {"LastTipoStampa", I2(5)}}),
      IsEmpty());
}

// Digit fields are read a word of four or eight at a time: every byte in
// every place of every length tells a digit from anything else, and any
// digits give their value.
TEST(ReadInteger, EveryByteInEveryPlaceOfEveryLengthIsJudgedAsTheByteLoopWould) {
  std::mt19937 random(20261208);
  for (std::size_t length = 1; length <= 18; ++length) {
    SCOPED_TRACE("length " + std::to_string(length));
    for (int trial = 0; trial < 20; ++trial) {
      std::string digits(length, '0');
      for (char& c : digits) c = static_cast<char>('0' + random() % 10);
      EXPECT_EQ(ops::ReadInteger(digits), static_cast<std::int64_t>(std::stoull(digits))) << digits;
    }
    for (std::size_t place = 0; place < length; ++place) {
      for (int byte = 0; byte < 256; ++byte) {
        std::string field(length, '7');
        field[place] = static_cast<char>(byte);
        const bool digit = byte >= '0' && byte <= '9';
        // A sign or blank in front, or a blank behind, is a form of its own.
        const bool other_form = (place == 0 && (byte == ' ' || byte == '+' || byte == '-')) ||
                                (place == length - 1 && byte == ' ');
        if (digit) {
          EXPECT_EQ(ops::ReadInteger(field), static_cast<std::int64_t>(std::stoull(field)));
        } else if (!other_form) {
          EXPECT_EQ(ops::ReadInteger(field), std::nullopt) << "byte " << byte << " at " << place;
        }
      }
    }
  }
}

TEST(ParseDecimalField, TheLastDigitsAreTheDecimalsAndASignAppliesToTheWholeValue) {
  struct Row {
    std::string text;
    std::int16_t decimals;
    float value;
  };
  const std::vector<Row> rows = {
      {"0001500", 3, 1.5f},    {"1250", 2, 12.5f},          {"2000", 2, 20.0f},
      {"0400", 2, 4.0f},       {"0000", 2, 0.0f},           {"-0001500", 3, -1.5f},
      {"-0000250", 3, -0.25f}, {"12345678", 3, 12345.678f},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ops::ParseDecimalField(row.text, row.decimals), row.value) << row.text;
  }
  for (const std::string bad : {"12a0", "", "    ", "1-00"}) {
    EXPECT_THROW(static_cast<void>(ops::ParseDecimalField(bad, 2)), ConversionError) << bad;
  }
}

TEST(ReplyDecoders, TextIsKeptAsReceivedAndTurnedFromWindows1252IntoUtf8) {
  ResultRecord record = ResetRecord();
  ops::Decode(Decoder::DecodeCardTableReply,
              ReplyFrame(Fields("4207", "03", "  CAFF\xE8", Blanks(13))), record);
  EXPECT_EQ(record.GetAs<std::string>(Prop::LastDescCartaCC), Fields("  CAFF\u00e8", Blanks(13)));

  ops::Decode(Decoder::DecodeRepartoTableReply,
              ReplyFrame(Fields("4202", "05", "PANE", Blanks(16), Zeros(27), "1", "01", Zeros(9),
                                "03", "04", " 5")),
              record);
  EXPECT_EQ(record.GetAs<std::string>(Prop::LastDescReparto), Fields("PANE", Blanks(16)));
  EXPECT_EQ(record.GetAs<std::string>(Prop::LastUMFattura), " 5");
}

TEST(ReplyDecoders, BlanksAroundTheDigitsOfShortAndLongFieldsAreTolerated) {
  ResultRecord record = ResetRecord();
  ops::Decode(Decoder::DecodeFiscalSerialReply, ReplyFrame(Fields("3217", " 1", "1234  ")), record);
  EXPECT_THAT(
      RecordDifferences(record,
                        {{"LastOPCode", I2(3217)}, {"LastOP", I2(1)}, {"LastMatrFisc", I4(1234)}}),
      IsEmpty());
  ops::Decode(Decoder::DecodeConfTableReply, ReplyFrame(Fields(" 421", "2 ", " 5 ")), record);
  EXPECT_EQ(record.GetAs<std::int16_t>(Prop::LastOPCode), 421);
  EXPECT_EQ(record.GetAs<std::int16_t>(Prop::LastNumConf), 2);
  EXPECT_EQ(record.GetAs<std::int16_t>(Prop::LastConf), 5);
}

TEST(ReplyDecoders, AFieldThatDoesNotReadStopsTheDecoderAfterTheFieldsBeforeIt) {
  struct Row {
    Decoder decoder;
    std::string payload;
    std::string decoder_name, field, text;
    Expected kept;
  };
  const std::vector<Row> rows = {
      {Decoder::DecodePaymentClosingReply,
       Fields("1172", "01", "000012500", "0000X2500", "3112012359", "0042"),
       "DecodePaymentClosingReply",
       "LastRest",
       "0000X2500",
       {{"LastOPCode", I2(1172)}, {"LastOP", I2(1)}, {"LastImp", Cy(12500)}}},
      {Decoder::DecodeFlagTableReply,
       Fields("4214", "  ", "1"),
       "DecodeFlagTableReply",
       "LastNumFlag",
       "  ",
       {{"LastOPCode", I2(4214)}}},
      {Decoder::DecodeSaleLineReply,
       Fields("1003", "01", "ABC", Blanks(37), "00015X0", "1", "000000150", "000000150", "02"),
       "DecodeSaleLineReply",
       "LastQta",
       "00015X0",
       {{"LastOPCode", I2(1003)},
        {"LastOP", I2(1)},
        {"LastCodProd", Str(Fields("ABC", Blanks(37)))}}},
      // The month does not read: the day is stored, and LastDate, composed
      // whenever it is read, shows day 31 of month 0 of 2000.
      {Decoder::DecodeDocumentReply,
       Fields("1050", "01", "31AB012359", "0042"),
       "DecodeDocumentReply",
       "LastMM",
       "AB",
       {{"LastOPCode", I2(1050)},
        {"LastOP", I2(1)},
        {"LastGG", I2(31)},
        {"LastDate", Date(2000, 0, 31, 0, 0)}}},
      {Decoder::DecodeAckReply, "10 501", "DecodeAckReply", "LastOPCode", "10 5", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.decoder_name);
    ResultRecord record = ResetRecord();
    try {
      ops::Decode(row.decoder, ReplyFrame(row.payload), record);
      ADD_FAILURE() << "no ConversionError";
    } catch (const ConversionError& e) {
      EXPECT_THAT(e.what(), HasSubstr(row.decoder_name));
      EXPECT_THAT(e.what(), HasSubstr(row.field));
      EXPECT_THAT(e.what(), HasSubstr("\"" + row.text + "\""));
    }
    EXPECT_THAT(RecordDifferences(record, row.kept), IsEmpty());
  }
}

}  // namespace
}  // namespace tavirel
