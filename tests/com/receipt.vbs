' A VBScript client of Tavirel.Control on the register at COM<n>:
'   cscript //nologo receipt.vbs n [ProgID]
' Ends with "N passed, M failed" (cscript exits 0 even after an uncaught
' error, so the harness reads that line). Kept ASCII: cscript reads ANSI.
Option Explicit
Dim passed, failed, c, r, progId
passed = 0
failed = 0

Sub Check(what, ok)
  If ok Then
    passed = passed + 1
  Else
    failed = failed + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Sub CheckValue(what, value, typeName_, expected)
  Check what & " = " & value & " As " & TypeName(value) & ", expected " & expected & " As " & _
    typeName_, TypeName(value) = typeName_ And value = expected
End Sub

progId = "Tavirel.Control"
If WScript.Arguments.Count > 1 Then progId = WScript.Arguments(1)
Set c = CreateObject(progId)
CheckValue "Settings before", c.Settings, "String", "9600,n,8,1"
CheckValue "EuroSettings before", c.EuroSettings, "Long", 0
c.Settings = "9600,n,8,1"
c.COMPort = CInt(WScript.Arguments(0))
c.EuroSettings = 2
CheckValue "COMPort", c.COMPort, "Integer", CInt(WScript.Arguments(0))
c.PortOpen
CheckValue "PortIsOpen", c.PortIsOpen, "Boolean", True

' A receipt: two lines, a discount, two payments.
CheckValue "opReparto", c.opReparto(1, "PANE DI CASA", 1.5, 2), "Integer", 0
CheckValue "LastPre", c.LastPre, "Currency", 150
CheckValue "LastQta", c.LastQta, "Single", 1
CheckValue "LastRep", c.LastRep, "Integer", 2
CheckValue "LastEERR after OP_OK", c.LastEERR, "Integer", -2
CheckValue "opReparto 2", c.opReparto(2, "LATTE", CCur("0.99"), 1), "Integer", 0
CheckValue "opSubTotAbbuono", c.opSubTotAbbuono(1, 0.49), "Integer", 0
CheckValue "LastSubT", c.LastSubT, "Currency", 200
CheckValue "opSubTot", c.opSubTot(1), "Integer", 0
CheckValue "LastOPCode", c.LastOPCode, "Integer", 1051
CheckValue "LastSubTotFisc", c.LastSubTotFisc, "Currency", 200
CheckValue "opContante", c.opContante(1, 1), "Integer", 0
CheckValue "LastRim", c.LastRim, "Currency", 100
CheckValue "opAssegno", c.opAssegno(1, 5), "Integer", 0
CheckValue "LastOPCode closing", c.LastOPCode, "Integer", 1176
CheckValue "LastRest", c.LastRest, "Currency", 400
CheckValue "LastNumSF", c.LastNumSF, "Long", 1
Check "LastDate As Date, within a day of now: " & c.LastDate, TypeName(c.LastDate) = "Date" And _
  Abs(CDbl(c.LastDate) - CDbl(Now)) < 1

' An X report.
CheckValue "opXTotFinGior", c.opXTotFinGior(1), "Integer", 0
CheckValue "LastOPCode of the report", c.LastOPCode, "Integer", 2001

' A line the register refuses: EERR, its number in LastEERR.
CheckValue "refused line", c.opReparto(1, "X", 1, 99), "Integer", -1
CheckValue "LastEERR", c.LastEERR, "Integer", 13
CheckValue "its text", c.GetLastErrorDescription(-1, c.LastEERR), "String", "VALORE ERRATO"

' An error of the call, caught with its description.
On Error Resume Next
c.Settings = "9600,x,8,1"
Check "malformed Settings raise &H80040202 (" & Hex(Err.Number) & ")", Err.Number = &H80040202
Check "from Tavirel.Control (" & Err.Source & ")", Err.Source = "Tavirel.Control"
Check "naming the text (" & Err.Description & ")", InStr(Err.Description, "9600,x,8,1") > 0
Err.Clear
r = c.opNoSuchThing(1)
Check "an unknown member is refused (" & Hex(Err.Number) & ")", Err.Number <> 0
Err.Clear
On Error GoTo 0

c.PortClose
CheckValue "PortIsOpen after PortClose", c.PortIsOpen, "Boolean", False
WScript.Echo passed & " passed, " & failed & " failed"
