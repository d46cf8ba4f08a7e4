#pragma once
// The reply decoders: one layout table per decoder, read by one function.
#include <span>
#include <string_view>

#include "tavirel/result_record.hpp"

namespace tavirel::ops {

enum class Decoder {
  None,
  DecodeAckReply,
  DecodeDocumentReply,
  DecodeFiscalDocumentReply,
  DecodeZFinancialReply,
  DecodeSaleLineReply,
  DecodePaymentRemainderReply,
  DecodePaymentClosingReply,
  DecodeTicketRemainderReply,
  DecodeTicketClosingReply,
  DecodeCreditCardReply,
  DecodeSubtotalReply,
  DecodeSubtotalRemainderReply,
  DecodeAmountAdjustmentReply,
  DecodePercentAdjustmentReply,
  DecodeVoidTotalReply,
  DecodeDateTimeReply,
  DecodeFiscalSerialReply,
  DecodeRepartoTableReply,
  DecodeOperatorTableReply,
  DecodeVatRateTableReply,
  DecodeTicketTableReply,
  DecodeCardTableReply,
  DecodeFlagTableReply,
  DecodeConfTableReply,
  DecodeLineTypeTableReply,
};

enum class Conversion { Short, Long, Money, Fixed2, Fixed3, Text, Date };

struct ReplyField {
  int position;  // 1-based in the payload
  int width;
  Prop target;  // for a date: LastGG (the five fields and LastDate follow)
  Conversion conversion;
};

struct DecoderLayout {
  Decoder decoder;
  std::string_view name;
  int length;  // of the payload
  std::span<const ReplyField> fields;
};

/// The 25 layouts.
std::span<const DecoderLayout> DecoderLayouts();
const DecoderLayout& LayoutOf(Decoder decoder);

/// Decodes a reply frame into the record: nothing when the payload's length
/// differs from the layout's; otherwise the fields in ascending order. A
/// numeric field that does not read throws ConversionError naming the
/// decoder, the field and the text; the fields before it keep their values.
void Decode(Decoder decoder, std::string_view reply, ResultRecord& record);

}  // namespace tavirel::ops
