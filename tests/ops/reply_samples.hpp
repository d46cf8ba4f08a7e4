#pragma once
// One reply payload per decoder, written out field by field, with the length
// of its layout and every value it must fill. Shared by the decoder tests and
// the tests of the operations that use each decoder.
#include <string>
#include <vector>

#include "ops/decoders.hpp"
#include "support/fields.hpp"
#include "support/record_check.hpp"

namespace tavirel::testing {

using ops::Decoder;

struct ReplySample {
  Decoder decoder;
  std::string name;
  std::size_t length;
  std::string payload;
  Expected values;
};

inline const std::vector<ReplySample>& ReplySamples() {
  static const std::vector<ReplySample> samples = {
      {Decoder::DecodeAckReply,
       "DecodeAckReply",
       6,
       "105501",
       {{"LastOPCode", I2(1055)}, {"LastOP", I2(1)}}},
      {Decoder::DecodeDocumentReply, "DecodeDocumentReply", 20,
       Fields("1050", "01", "0612011200", "0042"),
       With({{"LastOPCode", I2(1050)}, {"LastOP", I2(1)}, {"LastNumSNF", I4(42)}},
            DateValues(6, 12, 1, 12, 0))},
      {Decoder::DecodeFiscalDocumentReply, "DecodeFiscalDocumentReply", 20,
       Fields("3001", "02", "0107021830", "0123"),
       With({{"LastOPCode", I2(3001)}, {"LastOP", I2(2)}, {"LastNumSF", I4(123)}},
            DateValues(1, 7, 2, 18, 30))},
      {Decoder::DecodeZFinancialReply, "DecodeZFinancialReply", 24,
       Fields("3002", "01", "1503020900", "0007", "0124"),
       With({{"LastOPCode", I2(3002)},
             {"LastOP", I2(1)},
             {"LastNumSNF", I4(7)},
             {"LastNumSF", I4(124)}},
            DateValues(15, 3, 2, 9, 0))},
      {Decoder::DecodeSaleLineReply,
       "DecodeSaleLineReply",
       74,
       Fields("1003", "01", "8001234567890", Blanks(27), "0001500", "1", "000000150", "000000225",
              "02"),
       {{"LastOPCode", I2(1003)},
        {"LastOP", I2(1)},
        {"LastCodProd", Str(Fields("8001234567890", Blanks(27)))},
        {"LastQta", R4(1.5f)},
        {"LastTipoPre", I2(1)},
        {"LastPre", Cy(150)},
        {"LastImp", Cy(225)},
        {"LastRep", I2(2)}}},
      {Decoder::DecodePaymentRemainderReply,
       "DecodePaymentRemainderReply",
       24,
       Fields("1171", "01", "000001000", "000000500"),
       {{"LastOPCode", I2(1171)}, {"LastOP", I2(1)}, {"LastImp", Cy(1000)}, {"LastRim", Cy(500)}}},
      // The worked cash payment that closes a receipt.
      {Decoder::DecodePaymentClosingReply, "DecodePaymentClosingReply", 38,
       Fields("1172", "01", "000012500", "000002500", "3112012359", "0042"),
       With({{"LastOPCode", I2(1172)},
             {"LastOP", I2(1)},
             {"LastImp", Cy(12500)},
             {"LastRest", Cy(2500)},
             {"LastNumSF", I4(42)}},
            DateValues(31, 12, 1, 23, 59))},
      {Decoder::DecodeTicketRemainderReply,
       "DecodeTicketRemainderReply",
       26,
       Fields("1179", "03", "02", "000000520", "000000480"),
       {{"LastOPCode", I2(1179)},
        {"LastOP", I2(3)},
        {"LastNumTick", I2(2)},
        {"LastImp", Cy(520)},
        {"LastRim", Cy(480)}}},
      {Decoder::DecodeTicketClosingReply, "DecodeTicketClosingReply", 40,
       Fields("1180", "03", "02", "000000520", "000000020", "2002031015", "0043"),
       With({{"LastOPCode", I2(1180)},
             {"LastOP", I2(3)},
             {"LastNumTick", I2(2)},
             {"LastImp", Cy(520)},
             {"LastRest", Cy(20)},
             {"LastNumSF", I4(43)}},
            DateValues(20, 2, 3, 10, 15))},
      {Decoder::DecodeCreditCardReply, "DecodeCreditCardReply", 31,
       Fields("1045", "01", "03", "000001000", "3112012359", "0044"),
       With({{"LastOPCode", I2(1045)},
             {"LastOP", I2(1)},
             {"LastCC", I2(3)},
             {"LastImp", Cy(1000)},
             {"LastNumSF", I4(44)}},
            DateValues(31, 12, 1, 23, 59))},
      {Decoder::DecodeSubtotalReply,
       "DecodeSubtotalReply",
       24,
       Fields("1051", "01", "000001000", "000000300"),
       {{"LastOPCode", I2(1051)},
        {"LastOP", I2(1)},
        {"LastSubTotFisc", Cy(1000)},
        {"LastSubTotNFisc", Cy(300)}}},
      {Decoder::DecodeSubtotalRemainderReply,
       "DecodeSubtotalRemainderReply",
       15,
       Fields("1181", "01", "000000700"),
       {{"LastOPCode", I2(1181)}, {"LastOP", I2(1)}, {"LastRim", Cy(700)}}},
      {Decoder::DecodeAmountAdjustmentReply,
       "DecodeAmountAdjustmentReply",
       24,
       Fields("1024", "01", "000000950", "000000050"),
       {{"LastOPCode", I2(1024)}, {"LastOP", I2(1)}, {"LastSubT", Cy(950)}, {"LastImp", Cy(50)}}},
      {Decoder::DecodePercentAdjustmentReply,
       "DecodePercentAdjustmentReply",
       28,
       Fields("1026", "01", "000000900", "1250", "000000100"),
       {{"LastOPCode", I2(1026)},
        {"LastOP", I2(1)},
        {"LastSubT", Cy(900)},
        {"LastPerc", R4(12.5f)},
        {"LastImp", Cy(100)}}},
      {Decoder::DecodeVoidTotalReply, "DecodeVoidTotalReply", 38,
       Fields("1028", "01", "000001000", "000000200", "0101030000", "0045"),
       With({{"LastOPCode", I2(1028)},
             {"LastOP", I2(1)},
             {"LastTotFisc", Cy(1000)},
             {"LastTotNFisc", Cy(200)},
             {"LastNumSF", I4(45)}},
            DateValues(1, 1, 3, 0, 0))},
      {Decoder::DecodeDateTimeReply, "DecodeDateTimeReply", 14, Fields("4201", "0612011200"),
       With({{"LastOPCode", I2(4201)}}, DateValues(6, 12, 1, 12, 0))},
      {Decoder::DecodeFiscalSerialReply,
       "DecodeFiscalSerialReply",
       12,
       Fields("3217", "01", "123456"),
       {{"LastOPCode", I2(3217)}, {"LastOP", I2(1)}, {"LastMatrFisc", I4(123456)}}},
      {Decoder::DecodeRepartoTableReply,
       "DecodeRepartoTableReply",
       71,
       Fields("4202", "05", "PANE", Blanks(16), "000000150", "000000200", "000000250", "1", "01",
              "000010000", "03", "04", "KG"),
       {{"LastOPCode", I2(4202)},
        {"LastNReparto", I2(5)},
        {"LastDescReparto", Str(Fields("PANE", Blanks(16)))},
        {"LastPrezzo1", Cy(150)},
        {"LastPrezzo2", Cy(200)},
        {"LastPrezzo3", Cy(250)},
        {"LastItem", I2(1)},
        {"LastNTassaRep", I2(1)},
        {"LastLimite", Cy(10000)},
        {"LastGruppoStampa", I2(3)},
        {"LastSuperGruppoMerceologico", I2(4)},
        {"LastUMFattura", Str("KG")}}},
      {Decoder::DecodeOperatorTableReply,
       "DecodeOperatorTableReply",
       34,
       Fields("4213", "04", "MARIO", Blanks(15), "0012", "1250"),
       {{"LastOPCode", I2(4213)},
        {"LastNumeroOperatore", I2(4)},
        {"LastDescOpr", Str(Fields("MARIO", Blanks(15)))},
        {"LastCodOprSegr", I2(12)},
        {"LastPerOpr", R4(12.5f)}}},
      {Decoder::DecodeVatRateTableReply,
       "DecodeVatRateTableReply",
       10,
       Fields("4205", "01", "2000"),
       {{"LastOPCode", I2(4205)}, {"LastNTassa", I2(1)}, {"LastAliquota", R4(20.0f)}}},
      {Decoder::DecodeTicketTableReply,
       "DecodeTicketTableReply",
       35,
       Fields("4210", "02", "PASTI", Blanks(15), "000000516"),
       {{"LastOPCode", I2(4210)},
        {"LastNTipoTicket", I2(2)},
        {"LastDescTicket", Str(Fields("PASTI", Blanks(15)))},
        {"LastValoreTicket", Cy(516)}}},
      {Decoder::DecodeCardTableReply,
       "DecodeCardTableReply",
       26,
       Fields("4207", "03", "VISA", Blanks(16)),
       {{"LastOPCode", I2(4207)},
        {"LastNCartaCC", I2(3)},
        {"LastDescCartaCC", Str(Fields("VISA", Blanks(16)))}}},
      {Decoder::DecodeFlagTableReply,
       "DecodeFlagTableReply",
       7,
       Fields("4214", "03", "1"),
       {{"LastOPCode", I2(4214)}, {"LastNumFlag", I2(3)}, {"LastFlag", I2(1)}}},
      {Decoder::DecodeConfTableReply,
       "DecodeConfTableReply",
       9,
       Fields("4215", "02", "045"),
       {{"LastOPCode", I2(4215)}, {"LastNumConf", I2(2)}, {"LastConf", I2(45)}}},
      {Decoder::DecodeLineTypeTableReply,
       "DecodeLineTypeTableReply",
       6,
       Fields("4216", "4", "2"),
       {{"LastOPCode", I2(4216)}, {"LastNumRiga", I2(4)}, {"LastTipoStampa", I2(2)}}},
  };
  return samples;
}

inline const ReplySample& SampleOf(Decoder decoder) {
  for (const auto& sample : ReplySamples()) {
    if (sample.decoder == decoder) return sample;
  }
  throw std::logic_error("no sample for this decoder");
}

/// The sample with another four-digit reply code (in the payload and in
/// LastOPCode), for an operation that answers with its own code.
inline ReplySample WithCode(ReplySample sample, int code) {
  sample.payload.replace(0, 4, std::to_string(code));
  sample.values["LastOPCode"] = I2(code);
  return sample;
}

}  // namespace tavirel::testing
