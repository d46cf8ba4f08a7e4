#pragma once
// A walk through every command code the register knows, in an order that
// carries each out at least once (and some refused on the way): receipts
// with every kind of line, adjustment and payment, documents, reports,
// programming, a closure.
#include <string>
#include <vector>

#include "sim_support.hpp"

namespace tavirel::sim::test {

inline std::vector<std::string> EveryCommand() {
  return {
      "420203",
      Cmd(3217).D(1, 2),
      Cmd(4002)
          .D(9, 2)
          .T("SALUMERIA", 20)
          .D(120, 9)
          .D(110, 9)
          .D(100, 9)
          .D(0, 1)
          .D(2, 2)
          .D(99999, 9)
          .D(3, 2)
          .D(4, 2)
          .Raw("KG"),
      Cmd(4005).D(5, 2).D(850, 4),
      Cmd(4007).D(4, 2).T("AMEX", 20),
      Cmd(4010).D(3, 2).T("BUONO SPESA", 20).D(516, 9),
      Cmd(4013).D(7, 2).T("MARIA", 20).D(42, 4).D(1250, 4),
      Cmd(4014).D(3, 2).D(1, 1),
      Cmd(4015).D(2, 2).D(45, 3),
      Cmd(4016).D(4, 1).D(2, 1),
      Cmd(3016).D(5, 2).T("BUON APPETITO", 27),
      Cmd(4001).D(7, 2).D(12, 2).D(26, 2).D(10, 2).D(30, 2),
      Cmd(1062).D(1, 2).D(1, 1).T("BENVENUTI", 40).Raw("12"),
      Cmd(1067).D(1, 2).D(2, 1).T("GRAZIE", 40),
      Op(1055),
      Op(1056),
      Op(1050),
      Op(1047),  // nothing to reprint yet: refused
      Sale("PANE", 150, 1),
      Sale("LATTE", 250, 2),
      Line(1009, 1, "RESO", 1000, 100, 1),
      Line(1015, 1, "PANE", 1000, 150, 1),
      Line(1015, 1, "PANE", 1000, 150, 1),  // nothing left to void: refused
      Cmd(1066).D(1, 2).T("NOTA", 20),
      Cmd(1024).D(1, 2).D(10, 9),
      Cmd(1025).D(1, 2).D(550, 4),
      Cmd(1026).D(1, 2).D(1000, 4),
      Op(1027),
      Op(1027),  // a second correction in a row: refused
      Op(3001),  // a receipt is open: refused
      Op(1051),
      Cmd(1044).D(1, 2).D(100, 9),
      Op(1051),
      Sale("PANE", 150, 1),  // in the payment phase: refused
      Cash(0),
      Sale("PANE", 150, 1),
      Cmd(1046).D(1, 2).D(1, 2).D(0, 9),  // a ticket of no value: refused
      Cmd(1045).D(1, 2).D(1, 2),
      Sale("PANE", 150, 1),
      Op(1028),
      Op(1047),
      Op(1063),
      Cmd(1064).D(1, 2).D(2, 1).T("RIGA", 40),
      Op(1065),
      Op(2001),
      Cmd(2003).D(1, 2).D(1, 2),
      Op(2005),
      Cmd(2006).D(1, 2).D(1, 2),
      Op(2007),
      Cmd(2009).D(1, 2).D(1, 2),
      Op(2011),
      Cmd(2012).D(1, 2).D(1, 2),
      Op(3002),
      Op(3005),
      Cmd(3006).D(1, 2).D(1, 2),
      Op(3007),
      Op(3010),
      Cmd(3011).D(1, 2).D(1, 2),
      Op(3001),
      Op(3015),
      Op(1149),
      "9999",
  };
}

}  // namespace tavirel::sim::test
