// Result code names and the Italian texts of GetLastErrorDescription.
#include <array>
#include <string>
#include <string_view>

#include "tavirel/result_codes.hpp"

namespace tavirel {
namespace {

// The printer's own error numbers 1-31, as it reports them (level -1).
constexpr std::array<std::string_view, 31> kPrinterTexts = {
    "CARTA GIORNALE",  "CARTA SCONTRINO",  "STAMPANTE OFF-LINE",  "ERRORE 04",
    "ERRORE 05",       "ERRORE 06",        "SLIP GUASTA",         "TASTO ERRATO",
    "DATA INFERIORE",  "DATA ERRATA",      "SEQUENZA ERRATA",     "DATI INESISTENTI",
    "VALORE ERRATO",   "PROGR. MATRICOLA", "GIA' ESISTENTE",      "NON PREVISTO",
    "IMPOSSIBILE ORA", "NON POSSIBILE",    "SCRITTA INVALIDA",    "SUPERA VALORE",
    "SUPERA LIMITE",   "NON PROGRAMMATO",  "CHIUDI SCONTRINO",    "CHIUDI PAGAMENTO",
    "MANCA OPERATORE", "CASSA INFERIORE",  "OLTRE PROGRAMMAZ",    "PC NON CONNESSO",
    "MANCA MODULO",    "CHECKSUM ERRATO",  "DATI INESISTENTI PC",
};

struct LevelText {
  std::int16_t level;
  std::string_view name;
  std::string_view text;
};

// The control's own findings (levels 1-5) and the two other codes.
constexpr std::array<LevelText, 7> kLevels = {{
    {OP_OK, "OP_OK", ""},
    {OP_ERR_NOCOLL, "OP_ERR_NOCOLL", "Registratore non collegato"},
    {OP_ERR_PORTCLOSE, "OP_ERR_PORTCLOSE", "Porta non aperta"},
    {OP_ERR_TIMEOUT, "OP_ERR_TIMEOUT", "Timeout in attesa risposta"},
    {OP_ERR_CHKS, "OP_ERR_CHKS", "Checksum errato"},
    {OP_ERR_EUROLOCK, "OP_ERR_EUROLOCK", "Modalit\u00e0 Euro/Lire non impostata"},
    {EERR, "EERR", ""},
}};

}  // namespace

std::string_view ResultName(std::int16_t code) {
  for (const auto& level : kLevels) {
    if (level.level == code) return level.name;
  }
  return {};
}

std::string ErrorTexts(std::int16_t error_level, std::int32_t error_code) {
  if (error_level == EERR) {
    if (error_code >= 1 && error_code <= static_cast<std::int32_t>(kPrinterTexts.size())) {
      return std::string(kPrinterTexts[static_cast<std::size_t>(error_code - 1)]);
    }
    return {};
  }
  for (const auto& level : kLevels) {
    if (level.level == error_level) return std::string(level.text);
  }
  return {};
}

}  // namespace tavirel
