// Result code names and the Italian texts of GetLastErrorDescription.
#include <array>
#include <string>
#include <string_view>

#include "tavirel/result_codes.hpp"

namespace tavirel {
namespace {

struct PrinterError {
  std::string_view text;
  std::string_view kind;  // for programs: what to do about it
};

// The printer's own error numbers 1-31, as it reports them (level -1).
constexpr std::array<PrinterError, 31> kPrinterErrors = {{
    {"CARTA GIORNALE", "paper-out"},
    {"CARTA SCONTRINO", "paper-out"},
    {"STAMPANTE OFF-LINE", "offline"},
    {"ERRORE 04", "refused"},
    {"ERRORE 05", "refused"},
    {"ERRORE 06", "refused"},
    {"SLIP GUASTA", "offline"},
    {"TASTO ERRATO", "refused"},
    {"DATA INFERIORE", "wrong-value"},
    {"DATA ERRATA", "wrong-value"},
    {"SEQUENZA ERRATA", "sequence"},
    {"DATI INESISTENTI", "no-data"},
    {"VALORE ERRATO", "wrong-value"},
    {"PROGR. MATRICOLA", "refused"},
    {"GIA' ESISTENTE", "refused"},
    {"NON PREVISTO", "refused"},
    {"IMPOSSIBILE ORA", "closure-due"},
    {"NON POSSIBILE", "refused"},
    {"SCRITTA INVALIDA", "wrong-value"},
    {"SUPERA VALORE", "over-limit"},
    {"SUPERA LIMITE", "over-limit"},
    {"NON PROGRAMMATO", "not-programmed"},
    {"CHIUDI SCONTRINO", "receipt-open"},
    {"CHIUDI PAGAMENTO", "receipt-open"},
    {"MANCA OPERATORE", "operator-missing"},
    {"CASSA INFERIORE", "over-limit"},
    {"OLTRE PROGRAMMAZ", "over-limit"},
    {"PC NON CONNESSO", "offline"},
    {"MANCA MODULO", "offline"},
    {"CHECKSUM ERRATO", "line"},
    {"DATI INESISTENTI PC", "no-data"},
}};

struct LevelText {
  std::int16_t level;
  std::string_view name;
  std::string_view text;
  std::string_view kind;
};

// The control's own findings (levels 1-5) and the two other codes.
constexpr std::array<LevelText, 7> kLevels = {{
    {OP_OK, "OP_OK", "", ""},
    {OP_ERR_NOCOLL, "OP_ERR_NOCOLL", "Registratore non collegato", "line"},
    {OP_ERR_PORTCLOSE, "OP_ERR_PORTCLOSE", "Porta non aperta", "port-closed"},
    {OP_ERR_TIMEOUT, "OP_ERR_TIMEOUT", "Timeout in attesa risposta", "line"},
    {OP_ERR_CHKS, "OP_ERR_CHKS", "Checksum errato", "line"},
    {OP_ERR_EUROLOCK, "OP_ERR_EUROLOCK", "Modalit\u00e0 Euro/Lire non impostata", "currency-mode"},
    {EERR, "EERR", "", "refused"},
}};

const PrinterError* FindPrinterError(std::int32_t code) {
  if (code < 1 || code > static_cast<std::int32_t>(kPrinterErrors.size())) return nullptr;
  return &kPrinterErrors[static_cast<std::size_t>(code - 1)];
}

}  // namespace

std::string_view ResultName(std::int16_t code) {
  for (const auto& level : kLevels) {
    if (level.level == code) return level.name;
  }
  return {};
}

std::string ErrorTexts(std::int16_t error_level, std::int32_t error_code) {
  if (error_level == EERR) {
    const PrinterError* found = FindPrinterError(error_code);
    return found ? std::string(found->text) : std::string();
  }
  for (const auto& level : kLevels) {
    if (level.level == error_level) return std::string(level.text);
  }
  return {};
}

std::string_view ErrorKind(std::int16_t error_level, std::int32_t error_code) {
  if (error_level == EERR) {
    const PrinterError* found = FindPrinterError(error_code);
    return found ? found->kind : "refused";
  }
  for (const auto& level : kLevels) {
    if (level.level == error_level) return level.kind;
  }
  return "line";
}

}  // namespace tavirel
