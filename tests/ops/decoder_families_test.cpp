// After OP_OK each operation fills exactly the values of its decoder, and
// every other property holds its default. The rows of a family run on one
// control, so each row also shows that nothing of the one before survives.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "ops/reply_samples.hpp"
#include "support/control_rig.hpp"
#include "support/operation_table.hpp"

namespace tavirel {
namespace {

using namespace tavirel::testing;
using ::testing::IsEmpty;
using D = Decoder;

// Runs every row of the operation table whose decoder is in `family`,
// answered with that decoder's sample under the operation's own reply code.
void ExpectEachFillsExactlyItsValues(const std::set<D>& family, bool backwards = false) {
  ControlRig rig;
  int rows = 0;
  std::vector<OperationRow> table = OperationRows();
  if (backwards) std::reverse(table.begin(), table.end());
  for (const OperationRow& row : table) {
    if (!family.contains(row.decoder)) continue;
    ++rows;
    const ReplySample reply = WithCode(SampleOf(row.decoder), row.reply_code);
    SCOPED_TRACE(row.op + " answered " + reply.payload);
    rig.control->EuroSettings(row.mode);
    rig.printer.AnswerPayload(reply.payload);
    EXPECT_EQ(row.call(*rig.control), OP_OK);
    EXPECT_THAT(RecordDifferences(*rig.control, reply.values), IsEmpty());
  }
  EXPECT_GE(rows, static_cast<int>(family.size()));
  EXPECT_THAT(rig.events, IsEmpty());
}

TEST(DecoderFamilies, AcknowledgementsDocumentsAndReports) {
  ExpectEachFillsExactlyItsValues({D::DecodeAckReply, D::DecodeDocumentReply,
                                   D::DecodeFiscalDocumentReply, D::DecodeZFinancialReply});
}

TEST(DecoderFamilies, SaleLines) { ExpectEachFillsExactlyItsValues({D::DecodeSaleLineReply}); }

TEST(DecoderFamilies, Payments) {
  ExpectEachFillsExactlyItsValues({D::DecodePaymentRemainderReply, D::DecodePaymentClosingReply,
                                   D::DecodeTicketRemainderReply, D::DecodeTicketClosingReply,
                                   D::DecodeCreditCardReply});
}

TEST(DecoderFamilies, SubtotalAdjustmentsAndVoid) {
  ExpectEachFillsExactlyItsValues({D::DecodeSubtotalReply, D::DecodeSubtotalRemainderReply,
                                   D::DecodeAmountAdjustmentReply, D::DecodePercentAdjustmentReply,
                                   D::DecodeVoidTotalReply});
}

TEST(DecoderFamilies, Readings) {
  ExpectEachFillsExactlyItsValues({D::DecodeDateTimeReply, D::DecodeFiscalSerialReply,
                                   D::DecodeRepartoTableReply, D::DecodeOperatorTableReply,
                                   D::DecodeVatRateTableReply, D::DecodeTicketTableReply,
                                   D::DecodeCardTableReply, D::DecodeFlagTableReply,
                                   D::DecodeConfTableReply, D::DecodeLineTypeTableReply});
}

// The record is reset by writing back only what the last operation set: so
// every operation runs after operations of every other family, forwards and
// backwards through the table, and still shows exactly its own values.
TEST(DecoderFamilies, NothingOfAnyEarlierOperationSurvivesWhateverCameBefore) {
  std::set<D> all;
  for (const OperationRow& row : OperationRows()) all.insert(row.decoder);
  ExpectEachFillsExactlyItsValues(all);
  ExpectEachFillsExactlyItsValues(all, /*backwards=*/true);
}

TEST(DecoderFamilies, SwitchingThePrinterToEuroLeavesTheCurrencyModeAlone) {
  ControlRig rig(TVL_EUROSETTINGS_LIRE);
  rig.printer.AnswerPayload("301801");
  EXPECT_EQ(rig.control->opAttivazioneEuro(1), OP_OK);
  EXPECT_EQ(rig.control->EuroSettings(), TVL_EUROSETTINGS_LIRE);
}

}  // namespace
}  // namespace tavirel
