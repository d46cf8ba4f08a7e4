#include "business_day.hpp"

#include <array>

namespace tavirel::cli {
namespace {

constexpr std::array kDay = {
    DayStep{"Programming: a VAT rate, two departments, an operator, a header line",
            "opProgTassa 1 22"},
    DayStep{"", R"(opProgReparto 1 "PANE E DOLCI" 0 0 0 0 1 0 0 0 00)"},
    DayStep{"", R"(opProgReparto 2 "FRUTTA" 2.40 0 0 0 1 50.00 0 0 00)"},
    DayStep{"", R"(opProgOpr 1 "MARIA" 1234 0)"},
    DayStep{"", R"(opProgRigaInt 1 "BAR TAVIREL")"},
    DayStep{"Receipt: three lines, 10% discount, subtotal, cash in two parts with change",
            R"(opReparto 1 "PANE DI CASA" 1.50 1)"},
    DayStep{"", R"(opRepartoQDec 1 "MELE" 1.250 2.40 2)"},
    DayStep{"", R"(opRepartoQInt 1 "GRISSINI" 3 0.60 1)"},
    DayStep{"", "opSubTotPercMinus 1 10"},
    DayStep{"", "opSubTot 1"},
    DayStep{"", "opContante 1 5.00"},
    DayStep{"", "opContante 1 2.00"},
    DayStep{"Receipt paid by card", R"(opReparto 1 "TORTA DI MELE" 12.00 1)"},
    DayStep{"", "opCredCC 1 1"},
    DayStep{"Receipt with a return", R"(opReparto 1 "FOCACCIA" 4.50 1)"},
    DayStep{"", R"(opRepartoReso 1 "CROSTATA" 3.00 1)"},
    DayStep{"", "opContante 1"},
    DayStep{"Non-fiscal document", "opIniSNoFisc 1"},
    DayStep{"", R"(opDatiSNoFisc 1 1 "ORDINE TAVOLO 4")"},
    DayStep{"", R"(opDatiSNoFisc 1 3 "BUON APPETITO")"},
    DayStep{"", "opEndSNoFisc 1"},
    DayStep{"Customer display and drawer", R"(opMsgVisoreCortesia 1 "GRAZIE E ARRIVEDERCI")"},
    DayStep{"", "opApriCassetto 1"},
    DayStep{"X report of the day's financial totals", "opXTotFinGior 1"},
    DayStep{"Fiscal closure", "opZChiusuraFisc 1"},
};

}  // namespace

std::span<const DayStep> BusinessDay() { return kDay; }

}  // namespace tavirel::cli
