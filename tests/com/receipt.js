// A JScript client of Tavirel.Control on the register at COM<n>:
//   cscript //nologo receipt.js n
// Ends with "N passed, M failed", which the harness reads. (JScript under
// wine 8 cannot take a Date result, so LastDate is read by receipt.vbs.)
var passed = 0, failed = 0;
function check(what, ok) {
  if (ok) { passed++; } else { failed++; WScript.Echo("FAILED: " + what); }
}
function checkValue(what, value, expected) {
  check(what + " = " + value + ", expected " + expected, value == expected);
}

var c = new ActiveXObject("Tavirel.Control");
c.Settings = "9600,n,8,1";
c.COMPort = parseInt(WScript.Arguments(0), 10);
c.EuroSettings = 2;
c.PortOpen();
checkValue("PortIsOpen", c.PortIsOpen(), true);
checkValue("opReparto", c.opReparto(1, "PANE DI CASA", 1.5, 2), 0);
checkValue("LastPre", c.LastPre, 150);
checkValue("opReparto 2", c.opReparto(2, "LATTE", 0.99, 1), 0);
checkValue("opSubTotAbbuono", c.opSubTotAbbuono(1, 0.49), 0);
checkValue("opSubTot", c.opSubTot(1), 0);
checkValue("LastSubTotFisc", c.LastSubTotFisc, 200);
checkValue("opContante", c.opContante(1, 1), 0);
checkValue("LastRim", c.LastRim, 100);
checkValue("opAssegno", c.opAssegno(1, 5), 0);
checkValue("LastRest", c.LastRest, 400);
checkValue("LastNumSF", c.LastNumSF, 1);
checkValue("opXTotFinGior", c.opXTotFinGior(1), 0);
checkValue("refused line", c.opReparto(1, "X", 1, 99), -1);
checkValue("LastEERR", c.LastEERR, 13);
checkValue("its text", c.GetLastErrorDescription(-1, 13), "VALORE ERRATO");
try {
  c.Settings = "9600,x,8,1";
  check("malformed Settings raise an error", false);
} catch (e) {
  checkValue("its number", (e.number >>> 0).toString(16), "80040202");
  check("its description names the text (" + e.description + ")",
        e.description.indexOf("9600,x,8,1") >= 0);
}
c.PortClose();
checkValue("PortIsOpen after PortClose", c.PortIsOpen(), false);
WScript.Echo(passed + " passed, " + failed + " failed");
