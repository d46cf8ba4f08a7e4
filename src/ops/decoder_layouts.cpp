// The reply layouts, as tables: position, width, target, conversion.
#include <array>
#include <stdexcept>

#include "ops/decoders.hpp"

namespace tavirel::ops {
namespace {

using C = Conversion;
using P = Prop;

constexpr ReplyField kCode{1, 4, P::LastOPCode, C::Short};
constexpr ReplyField kOperator{5, 2, P::LastOP, C::Short};
constexpr ReplyField DateAt(int position) { return {position, 10, P::LastGG, C::Date}; }

constexpr std::array kAck{kCode, kOperator};
constexpr std::array kDocument{kCode, kOperator, DateAt(7),
                               ReplyField{17, 4, P::LastNumSNF, C::Long}};
constexpr std::array kFiscalDocument{kCode, kOperator, DateAt(7),
                                     ReplyField{17, 4, P::LastNumSF, C::Long}};
constexpr std::array kZFinancial{kCode, kOperator, DateAt(7),
                                 ReplyField{17, 4, P::LastNumSNF, C::Long},
                                 ReplyField{21, 4, P::LastNumSF, C::Long}};
constexpr std::array kSaleLine{kCode,
                               kOperator,
                               ReplyField{7, 40, P::LastCodProd, C::Text},
                               ReplyField{47, 7, P::LastQta, C::Fixed3},
                               ReplyField{54, 1, P::LastTipoPre, C::Short},
                               ReplyField{55, 9, P::LastPre, C::Money},
                               ReplyField{64, 9, P::LastImp, C::Money},
                               ReplyField{73, 2, P::LastRep, C::Short}};
constexpr std::array kPaymentRemainder{kCode, kOperator, ReplyField{7, 9, P::LastImp, C::Money},
                                       ReplyField{16, 9, P::LastRim, C::Money}};
constexpr std::array kPaymentClosing{kCode,
                                     kOperator,
                                     ReplyField{7, 9, P::LastImp, C::Money},
                                     ReplyField{16, 9, P::LastRest, C::Money},
                                     DateAt(25),
                                     ReplyField{35, 4, P::LastNumSF, C::Long}};
constexpr std::array kTicketRemainder{kCode, kOperator, ReplyField{7, 2, P::LastNumTick, C::Short},
                                      ReplyField{9, 9, P::LastImp, C::Money},
                                      ReplyField{18, 9, P::LastRim, C::Money}};
constexpr std::array kTicketClosing{kCode,
                                    kOperator,
                                    ReplyField{7, 2, P::LastNumTick, C::Short},
                                    ReplyField{9, 9, P::LastImp, C::Money},
                                    ReplyField{18, 9, P::LastRest, C::Money},
                                    DateAt(27),
                                    ReplyField{37, 4, P::LastNumSF, C::Long}};
constexpr std::array kCreditCard{kCode,
                                 kOperator,
                                 ReplyField{7, 2, P::LastCC, C::Short},
                                 ReplyField{9, 9, P::LastImp, C::Money},
                                 DateAt(18),
                                 ReplyField{28, 4, P::LastNumSF, C::Long}};
constexpr std::array kSubtotal{kCode, kOperator, ReplyField{7, 9, P::LastSubTotFisc, C::Money},
                               ReplyField{16, 9, P::LastSubTotNFisc, C::Money}};
constexpr std::array kSubtotalRemainder{kCode, kOperator, ReplyField{7, 9, P::LastRim, C::Money}};
constexpr std::array kAmountAdjustment{kCode, kOperator, ReplyField{7, 9, P::LastSubT, C::Money},
                                       ReplyField{16, 9, P::LastImp, C::Money}};
constexpr std::array kPercentAdjustment{kCode, kOperator, ReplyField{7, 9, P::LastSubT, C::Money},
                                        ReplyField{16, 4, P::LastPerc, C::Fixed2},
                                        ReplyField{20, 9, P::LastImp, C::Money}};
constexpr std::array kVoidTotal{kCode,
                                kOperator,
                                ReplyField{7, 9, P::LastTotFisc, C::Money},
                                ReplyField{16, 9, P::LastTotNFisc, C::Money},
                                DateAt(25),
                                ReplyField{35, 4, P::LastNumSF, C::Long}};
constexpr std::array kDateTime{kCode, DateAt(5)};
constexpr std::array kFiscalSerial{kCode, kOperator, ReplyField{7, 6, P::LastMatrFisc, C::Long}};
constexpr std::array kRepartoTable{kCode,
                                   ReplyField{5, 2, P::LastNReparto, C::Short},
                                   ReplyField{7, 20, P::LastDescReparto, C::Text},
                                   ReplyField{27, 9, P::LastPrezzo1, C::Money},
                                   ReplyField{36, 9, P::LastPrezzo2, C::Money},
                                   ReplyField{45, 9, P::LastPrezzo3, C::Money},
                                   ReplyField{54, 1, P::LastItem, C::Short},
                                   ReplyField{55, 2, P::LastNTassaRep, C::Short},
                                   ReplyField{57, 9, P::LastLimite, C::Money},
                                   ReplyField{66, 2, P::LastGruppoStampa, C::Short},
                                   ReplyField{68, 2, P::LastSuperGruppoMerceologico, C::Short},
                                   ReplyField{70, 2, P::LastUMFattura, C::Text}};
constexpr std::array kOperatorTable{kCode, ReplyField{5, 2, P::LastNumeroOperatore, C::Short},
                                    ReplyField{7, 20, P::LastDescOpr, C::Text},
                                    ReplyField{27, 4, P::LastCodOprSegr, C::Short},
                                    ReplyField{31, 4, P::LastPerOpr, C::Fixed2}};
constexpr std::array kVatRateTable{kCode, ReplyField{5, 2, P::LastNTassa, C::Short},
                                   ReplyField{7, 4, P::LastAliquota, C::Fixed2}};
constexpr std::array kTicketTable{kCode, ReplyField{5, 2, P::LastNTipoTicket, C::Short},
                                  ReplyField{7, 20, P::LastDescTicket, C::Text},
                                  ReplyField{27, 9, P::LastValoreTicket, C::Money}};
constexpr std::array kCardTable{kCode, ReplyField{5, 2, P::LastNCartaCC, C::Short},
                                ReplyField{7, 20, P::LastDescCartaCC, C::Text}};
constexpr std::array kFlagTable{kCode, ReplyField{5, 2, P::LastNumFlag, C::Short},
                                ReplyField{7, 1, P::LastFlag, C::Short}};
constexpr std::array kConfTable{kCode, ReplyField{5, 2, P::LastNumConf, C::Short},
                                ReplyField{7, 3, P::LastConf, C::Short}};
constexpr std::array kLineTypeTable{kCode, ReplyField{5, 1, P::LastNumRiga, C::Short},
                                    ReplyField{6, 1, P::LastTipoStampa, C::Short}};

#define TAVIREL_LAYOUT(name, length, fields) \
  DecoderLayout { Decoder::name, #name, length, fields }

const std::array<DecoderLayout, 25> kLayouts{{
    TAVIREL_LAYOUT(DecodeAckReply, 6, kAck),
    TAVIREL_LAYOUT(DecodeDocumentReply, 20, kDocument),
    TAVIREL_LAYOUT(DecodeFiscalDocumentReply, 20, kFiscalDocument),
    TAVIREL_LAYOUT(DecodeZFinancialReply, 24, kZFinancial),
    TAVIREL_LAYOUT(DecodeSaleLineReply, 74, kSaleLine),
    TAVIREL_LAYOUT(DecodePaymentRemainderReply, 24, kPaymentRemainder),
    TAVIREL_LAYOUT(DecodePaymentClosingReply, 38, kPaymentClosing),
    TAVIREL_LAYOUT(DecodeTicketRemainderReply, 26, kTicketRemainder),
    TAVIREL_LAYOUT(DecodeTicketClosingReply, 40, kTicketClosing),
    TAVIREL_LAYOUT(DecodeCreditCardReply, 31, kCreditCard),
    TAVIREL_LAYOUT(DecodeSubtotalReply, 24, kSubtotal),
    TAVIREL_LAYOUT(DecodeSubtotalRemainderReply, 15, kSubtotalRemainder),
    TAVIREL_LAYOUT(DecodeAmountAdjustmentReply, 24, kAmountAdjustment),
    TAVIREL_LAYOUT(DecodePercentAdjustmentReply, 28, kPercentAdjustment),
    TAVIREL_LAYOUT(DecodeVoidTotalReply, 38, kVoidTotal),
    TAVIREL_LAYOUT(DecodeDateTimeReply, 14, kDateTime),
    TAVIREL_LAYOUT(DecodeFiscalSerialReply, 12, kFiscalSerial),
    TAVIREL_LAYOUT(DecodeRepartoTableReply, 71, kRepartoTable),
    TAVIREL_LAYOUT(DecodeOperatorTableReply, 34, kOperatorTable),
    TAVIREL_LAYOUT(DecodeVatRateTableReply, 10, kVatRateTable),
    TAVIREL_LAYOUT(DecodeTicketTableReply, 35, kTicketTable),
    TAVIREL_LAYOUT(DecodeCardTableReply, 26, kCardTable),
    TAVIREL_LAYOUT(DecodeFlagTableReply, 7, kFlagTable),
    TAVIREL_LAYOUT(DecodeConfTableReply, 9, kConfTable),
    TAVIREL_LAYOUT(DecodeLineTypeTableReply, 6, kLineTypeTable),
}};

#undef TAVIREL_LAYOUT

}  // namespace

std::span<const DecoderLayout> DecoderLayouts() { return kLayouts; }

const DecoderLayout& LayoutOf(Decoder decoder) {
  // The table follows the enumeration, which starts with None.
  const auto index = static_cast<std::size_t>(decoder) - 1;
  if (index < kLayouts.size() && kLayouts[index].decoder == decoder) return kLayouts[index];
  throw std::logic_error("no layout for this decoder");
}

}  // namespace tavirel::ops
