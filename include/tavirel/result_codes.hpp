#pragma once
// The control's enumerations.
#include <cstdint>
#include <string_view>

#include "tavirel/export.hpp"

namespace tavirel {

/// Result of every operation.
enum enumTVL_OP_RETVALUE : std::int16_t {
  OP_OK = 0,             ///< the register carried it out; its reply is decoded
  OP_ERR_NOCOLL = 1,     ///< Clear To Send not asserted; nothing sent
  OP_ERR_PORTCLOSE = 2,  ///< the port is not open; nothing sent
  OP_ERR_TIMEOUT = 3,    ///< no ACK or no complete reply in time, after the request went out
  OP_ERR_CHKS = 4,       ///< a reply with a wrong checksum
  OP_ERR_EUROLOCK = 5,   ///< EuroSettings neither lire nor euro; nothing sent
  EERR = -1,             ///< the register refused it; its number is in LastEERR
};

/// Currency mode (EuroSettings).
enum enumTVL_EUROSETTINGS : std::int32_t {
  TVL_EUROSETTINGS_UNKNOWN = 0,  ///< not set: every operation is refused
  TVL_EUROSETTINGS_LIRE = 1,     ///< amounts in whole lire
  TVL_EUROSETTINGS_EURO = 2,     ///< amounts in euro cents
};

/// Reply codes by which payments and the subtotal choose their decoder.
enum enumTVL_OPCODE : std::int16_t {
  OP_CODE_SUBT = 1051,         ///< opSubTot: fiscal and non-fiscal subtotals
  OP_CODE_CONT_RIM = 1171,     ///< opContante: an amount still to pay
  OP_CODE_CONT_REST = 1172,    ///< opContante: receipt closed, change given
  OP_CODE_ASSEG_RIM = 1175,    ///< opAssegno: an amount still to pay
  OP_CODE_ASSEG_REST = 1176,   ///< opAssegno: receipt closed
  OP_CODE_TICKET_RIM = 1179,   ///< opTicket: an amount still to pay
  OP_CODE_TICKET_REST = 1180,  ///< opTicket: receipt closed
  OP_CODE_SUBT_RIM = 1181,     ///< opSubTot during payment: the amount still to pay
};

/// Name of a result code (thread-safe, as every function here) ("OP_OK", "EERR", ...); "" for any
/// other value.
TAVIREL_API std::string_view ResultName(std::int16_t code);

/// The Italian text for an (ErrorLevel, ErrorCode) pair; "" when it has none.
TAVIREL_API std::string ErrorTexts(std::int16_t error_level, std::int32_t error_code);

/// What kind of failure an (ErrorLevel, ErrorCode) pair is, for programs to
/// act on: for the printer's refusals (EERR) "paper-out" (1, 2), "offline",
/// "sequence" (11), "not-programmed" (22), "closure-due" (17: the day's
/// activity must be closed first), "over-limit", "wrong-value", "no-data",
/// "receipt-open" (23, 24), "operator-missing", "refused" for the others;
/// for the line's own codes "line" (no answer, a bad checksum, the register
/// not connected), "port-closed", "currency-mode"; "" for OP_OK.
TAVIREL_API std::string_view ErrorKind(std::int16_t error_level, std::int32_t error_code);

}  // namespace tavirel
