#include <gtest/gtest.h>

#include "tavirel/result_codes.hpp"

namespace tavirel {
namespace {

TEST(ErrorTexts, PairsGiveTheirItalianText) {
  struct Row {
    std::int16_t level;
    std::int32_t code;
    std::string text;
  };
  const std::vector<Row> rows = {
      {-1, 1, "CARTA GIORNALE"},
      {-1, 2, "CARTA SCONTRINO"},
      {-1, 9, "DATA INFERIORE"},
      {-1, 15, "GIA' ESISTENTE"},
      {-1, 23, "CHIUDI SCONTRINO"},
      {-1, 30, "CHECKSUM ERRATO"},
      {-1, 31, "DATI INESISTENTI PC"},
      {-1, 0, ""},
      {-1, 32, ""},
      {-1, -5, ""},
      {0, 0, ""},
      {1, 0, "Registratore non collegato"},
      {2, 0, "Porta non aperta"},
      {3, 99, "Timeout in attesa risposta"},
      {4, 0, "Checksum errato"},
      {5, 0, "Modalit\u00e0 Euro/Lire non impostata"},
      {6, 0, ""},
      {-2, 0, ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ErrorTexts(row.level, row.code), row.text) << row.level << "," << row.code;
  }
}

TEST(ErrorTexts, PrinterTextsAreUpperCaseAndAtMostNineteenCharacters) {
  for (int code = 1; code <= 31; ++code) {
    const std::string text = ErrorTexts(-1, code);
    EXPECT_FALSE(text.empty()) << code;
    EXPECT_LE(text.size(), 19u) << code;
    for (char c : text) EXPECT_FALSE(c >= 'a' && c <= 'z') << text;
  }
}

TEST(ErrorTexts, ResultNames) {
  EXPECT_EQ(ResultName(0), "OP_OK");
  EXPECT_EQ(ResultName(-1), "EERR");
  EXPECT_EQ(ResultName(3), "OP_ERR_TIMEOUT");
  EXPECT_EQ(ResultName(5), "OP_ERR_EUROLOCK");
  EXPECT_EQ(ResultName(42), "");
}

}  // namespace
}  // namespace tavirel
