#pragma once
// The control's enumerations.
#include <cstdint>
#include <string_view>

#include "tavirel/export.hpp"

namespace tavirel {

/// Result of every operation.
enum enumTVL_OP_RETVALUE : std::int16_t {
  OP_OK = 0,
  OP_ERR_NOCOLL = 1,
  OP_ERR_PORTCLOSE = 2,
  OP_ERR_TIMEOUT = 3,
  OP_ERR_CHKS = 4,
  OP_ERR_EUROLOCK = 5,
  EERR = -1,
};

/// Currency mode.
enum enumTVL_EUROSETTINGS : std::int32_t {
  TVL_EUROSETTINGS_UNKNOWN = 0,
  TVL_EUROSETTINGS_LIRE = 1,
  TVL_EUROSETTINGS_EURO = 2,
};

/// Reply codes by which payments and the subtotal choose their decoder.
enum enumTVL_OPCODE : std::int16_t {
  OP_CODE_SUBT = 1051,
  OP_CODE_CONT_RIM = 1171,
  OP_CODE_CONT_REST = 1172,
  OP_CODE_ASSEG_RIM = 1175,
  OP_CODE_ASSEG_REST = 1176,
  OP_CODE_TICKET_RIM = 1179,
  OP_CODE_TICKET_REST = 1180,
  OP_CODE_SUBT_RIM = 1181,
};

/// Name of a result code ("OP_OK", "EERR", ...); "" for any other value.
TAVIREL_API std::string_view ResultName(std::int16_t code);

/// The Italian text for an (ErrorLevel, ErrorCode) pair; "" when it has none.
TAVIREL_API std::string ErrorTexts(std::int16_t error_level, std::int32_t error_code);

}  // namespace tavirel
