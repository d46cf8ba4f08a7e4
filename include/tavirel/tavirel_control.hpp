#pragma once
// TavirelControl: the fiscal register driver a host program embeds.
//
// A host creates the control with its serial component, sets COMPort or the
// device, Settings and EuroSettings, calls PortOpen, and then one method per
// register operation. Each operation returns a code of enumTVL_OP_RETVALUE
// and leaves what the register answered in the Last... result properties.
// Errors of the call (the serial component failing, a reply field that does
// not read as a number, a nested call, a cancelled wait) are exceptions
// derived from TavirelError.
//
// Thread safety: a control is used from one thread at a time (the host's),
// which runs every member and receives every hook. Two exceptions:
// CancelWait may be called from any thread or a signal handler, and Busy
// may be read from any thread. An operation called while another waits
// (from a hook, or from another thread) throws BusyError and touches nothing.
// Lifetimes: the control owns its port (destroying the control closes it)
// and shares its clock; it keeps copies of the hooks and a pointer to the
// size site, which must outlive its use (see host.hpp).
//
// Every operation op... builds its command, resets the result record, makes
// one exchange (limit 10 s unless said otherwise) and returns a code of
// enumTVL_OP_RETVALUE; on OP_OK the reply fills the Last... properties. Its
// texts (UTF-8) are read during the call only and never copied; once warm,
// an operation allocates no memory of its own.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/clock.hpp"
#include "tavirel/currency.hpp"
#include "tavirel/export.hpp"
#include "tavirel/host.hpp"
#include "tavirel/ole_date.hpp"
#include "tavirel/param_info.hpp"
#include "tavirel/result_codes.hpp"
#include "tavirel/result_properties.hpp"
#include "tavirel/serial_port.hpp"
#include "tavirel/variant.hpp"

namespace tavirel {

struct MemberInfo;

inline constexpr const char* kDefaultSettings = "9600,n,8,1";

class TAVIREL_API TavirelControl {
 public:
  /// A control on the given serial component (a PosixSerialPort when none is
  /// given) counting its reply limits on `clock` (the steady clock when none).
  explicit TavirelControl(std::unique_ptr<SerialPort> port = nullptr,
                          std::shared_ptr<Clock> clock = nullptr);
  /// Terminate: an open port is closed with the control.
  ~TavirelControl();
  TavirelControl(const TavirelControl&) = delete;
  TavirelControl& operator=(const TavirelControl&) = delete;

  // ---- Host side -------------------------------------------------------
  /// Replaces the hooks (not while an operation waits).
  void SetHooks(HostHooks hooks);
  /// The hooks in force.
  [[nodiscard]] const HostHooks& Hooks() const;
  /// The site Resize asks; nullptr for none. Not owned.
  void SetSizeSite(SizeSite* site);
  /// The serial component, owned by the control for its whole life.
  [[nodiscard]] SerialPort& Port();

  // ---- Lifecycle handlers ---------------------------------------------
  /// The object was created: nothing to do.
  void Initialize();
  /// A new instance: default settings, port 1, mode 0, record reset.
  void InitProperties();
  /// Loads "Settings", "COMPort", "EuroSettings" through their setters.
  void ReadProperties(PropertyBag& bag);
  /// Saves the three settings with their defaults.
  void WriteProperties(PropertyBag& bag);
  /// Height 500 twips, width twice the height the site grants.
  void Resize();

  // ---- Port and settings ------------------------------------------------
  /// Opens the port, then makes the probe (4201 with the counter forced to
  /// 1, limit 2 s, result dropped, no FPError). Throws SerialError or
  /// SettingsError when the port cannot be opened, SerialError ("already
  /// open") on an open port (no probe), CancelledError when the probe is
  /// cancelled (the port stays open).
  void PortOpen();
  /// Closes the port; nothing when closed.
  void PortClose();
  /// True while the port is open (false after the device hung up).
  [[nodiscard]] bool PortIsOpen() const;
  /// Cancels the call that waits for the register (an operation or the probe
  /// of PortOpen): it ends at its next wait pass with CancelledError, whose
  /// request_sent() is true (the register may have carried the request out).
  /// A cancel made while no call waits is kept, and the next call throws
  /// CancelledError before writing anything (request_sent() false). The port
  /// stays open. Safe from any thread, and async-signal-safe when the port's
  /// Interrupt is (PosixSerialPort's is; NullModemPort's is thread-safe only).
  void CancelWait() noexcept;
  /// The port's line settings text, e.g. "9600,n,8,1".
  [[nodiscard]] std::string Settings() const;
  /// Sets the port's settings (SettingsError when refused) and notifies "Settings".
  void Settings(const std::string& value);
  /// The port number.
  [[nodiscard]] std::int16_t COMPort() const;
  /// Sets the port number (SerialError below 1 or while open) and notifies "COMPort".
  void COMPort(std::int16_t value);
  /// The currency mode: 0 unset (every operation refused), 1 lire, 2 euro.
  [[nodiscard]] std::int32_t EuroSettings() const;
  /// Stores any value and notifies "EuroSettings".
  void EuroSettings(std::int32_t value);

  /// The control's major version: 1.
  [[nodiscard]] std::int16_t Major() const { return 1; }
  /// The control's minor version: 0.
  [[nodiscard]] std::int16_t Minor() const { return 0; }
  /// The control's revision: 20.
  [[nodiscard]] std::int16_t Revision() const { return 20; }

  /// The Italian text for an (ErrorLevel, ErrorCode) pair; "" when none.
  [[nodiscard]] std::string GetLastErrorDescription(std::int16_t ErrorLevel,
                                                    std::int32_t ErrorCode) const;

  // ---- State of the link, for hosts and diagnostics ----------------------
  /// The command string of the last operation, as composed (UTF-8).
  [[nodiscard]] std::string CurrentCommand() const;
  /// The counter the next request goes out with (1 after a refused probe,
  /// then 2, 3, 2, ...).
  [[nodiscard]] std::int16_t FrameCounter() const;
  /// True while an operation of this control waits for the printer.
  [[nodiscard]] bool Busy() const;

  // ---- Result properties -------------------------------------------------
  // One getter per result property (result_properties.hpp), reset before
  // every operation and filled from its reply.
#define TAVIREL_GETTER(name, type, vt) [[nodiscard]] type name() const;
  TAVIREL_RESULT_PROPERTIES(TAVIREL_GETTER)
#undef TAVIREL_GETTER
  /// A result property by its name.
  [[nodiscard]] Variant ResultProperty(std::string_view name) const;

  // ---- Sale lines -----------------------------------------------------
  /// Sale line on department `Rep` (1003), quantity 1.
  std::int16_t opReparto(std::int16_t CodOpr, std::string_view DescProd, Currency Prezzo,
                         std::int16_t Rep, std::int16_t TipoPrezzo = 1,
                         std::string_view CodProd = kDefaultProductCode);
  /// Sale line with a whole quantity (1004).
  std::int16_t opRepartoQInt(std::int16_t CodOpr, std::string_view DescProd, std::int16_t Qta,
                             Currency Prezzo, std::int16_t Rep, std::int16_t TipoPrezzo = 1,
                             std::string_view CodProd = kDefaultProductCode);
  /// Sale line with a decimal quantity (1005).
  std::int16_t opRepartoQDec(std::int16_t CodOpr, std::string_view DescProd, float QtaDec,
                             Currency Prezzo, std::int16_t Rep, std::int16_t TipoPrezzo = 1,
                             std::string_view CodProd = kDefaultProductCode);
  /// Return of goods on a department (1009).
  std::int16_t opRepartoReso(std::int16_t CodOpr, std::string_view DescProd, Currency Prezzo,
                             std::int16_t Rep, std::int16_t TipoPrezzo = 1,
                             std::string_view CodProd = kDefaultProductCode);
  /// Return with a whole quantity (1010).
  std::int16_t opRepartoResoQInt(std::int16_t CodOpr, std::string_view DescProd, std::int16_t Qta,
                                 Currency Prezzo, std::int16_t Rep, std::int16_t TipoPrezzo = 1,
                                 std::string_view CodProd = kDefaultProductCode);
  /// Return with a decimal quantity (1011).
  std::int16_t opRepartoResoQDec(std::int16_t CodOpr, std::string_view DescProd, float QtaDec,
                                 Currency Prezzo, std::int16_t Rep, std::int16_t TipoPrezzo = 1,
                                 std::string_view CodProd = kDefaultProductCode);
  /// Void of a sale line (1015).
  std::int16_t opRepartoStorno(std::int16_t CodOpr, std::string_view DescProd, Currency Prezzo,
                               std::int16_t Rep, std::int16_t TipoPrezzo = 1,
                               std::string_view CodProd = kDefaultProductCode);
  /// Void of a sale line with a whole quantity (1016).
  std::int16_t opRepartoStornoQInt(std::int16_t CodOpr, std::string_view DescProd, std::int16_t Qta,
                                   Currency Prezzo, std::int16_t Rep, std::int16_t TipoPrezzo = 1,
                                   std::string_view CodProd = kDefaultProductCode);
  /// Void of a sale line with a decimal quantity (1017).
  std::int16_t opRepartoStornoQDec(std::int16_t CodOpr, std::string_view DescProd, float QtaDec,
                                   Currency Prezzo, std::int16_t Rep, std::int16_t TipoPrezzo = 1,
                                   std::string_view CodProd = kDefaultProductCode);

  // ---- Payments, subtotal and adjustments -------------------------------
  /// Subtotal (1051): LastSubTotFisc, LastSubTotNFisc.
  std::int16_t opSubTot(std::int16_t CodOpr);
  /// Discount of an amount on the subtotal (1024).
  std::int16_t opSubTotAbbuono(std::int16_t CodOpr, Currency Importo);
  /// Surcharge of a percentage on the subtotal (1025).
  std::int16_t opSubTotPercPlus(std::int16_t CodOpr, float Perc);
  /// Discount of a percentage on the subtotal (1026).
  std::int16_t opSubTotPercMinus(std::int16_t CodOpr, float Perc);
  /// Correction: voids the last line (1027).
  std::int16_t opCorr(std::int16_t CodOpr);
  /// Void of the whole receipt (1028).
  std::int16_t opVoidTot(std::int16_t CodOpr);
  /// Payment in cash (1036); 0 pays the whole rest. Reply 1171 or 1172.
  std::int16_t opContante(std::int16_t CodOpr, Currency Importo = Currency());
  /// Payment by cheque (1044). Reply 1175 or 1176.
  std::int16_t opAssegno(std::int16_t CodOpr, Currency ImportoAssegno);
  /// Payment by credit card `NCartaCC` (1045).
  std::int16_t opCredCC(std::int16_t CodOpr, std::int16_t NCartaCC);
  /// Payment by meal voucher (1046). Reply 1179 or 1180.
  std::int16_t opTicket(std::int16_t CodOpr, std::int16_t NTipoTicket, Currency ValoreTicket);

  // ---- Non-fiscal documents, display, drawer and keyboard ---------------
  /// Reprint of the last receipt (1047).
  std::int16_t opRistampaScontr(std::int16_t CodOpr);
  /// Opens the cash drawer (1050).
  std::int16_t opApriCassetto(std::int16_t CodOpr);
  /// Locks the register's keyboard (1055).
  std::int16_t opBloccoTastiera(std::int16_t CodOpr);
  /// Unlocks the register's keyboard (1056).
  std::int16_t opSBloccoTastiera(std::int16_t CodOpr);
  /// Message on the customer display (1062).
  std::int16_t opMsgVisoreCortesia(std::int16_t CodOpr, std::string_view Descr,
                                   std::int16_t NumVisore = 0, std::int16_t Cursore = 0);
  /// Opens a non-fiscal document (1063).
  std::int16_t opIniSNoFisc(std::int16_t CodOpr);
  /// A line of a non-fiscal document (1064).
  std::int16_t opDatiSNoFisc(std::int16_t CodOpr, std::int16_t Font, std::string_view DescRiga);
  /// Closes a non-fiscal document (1065); the result code as a VT_I2 variant.
  Variant opEndSNoFisc(std::int16_t CodOpr);
  /// An additional description line (1066).
  std::int16_t opDescAgg(std::int16_t CodOpr, std::string_view Descr);
  /// An additional line by number (1067).
  std::int16_t opRigheAgg(std::int16_t CodOpr, std::int16_t NRiga, std::string_view DescRiga);
  /// Restarts printing after the paper ran out (1149).
  std::int16_t opRiavvioStampaDaFineCarta(std::int16_t CodOpr);
  /// Switches the register to euro (3018).
  std::int16_t opAttivazioneEuro(std::int16_t CodOpr);

  // ---- Programming --------------------------------------------------------
  /// Sets the register's date and time (4001).
  std::int16_t opProgDataOra(std::int16_t Giorno, std::int16_t Mese, std::int16_t Anno,
                             std::int16_t Ore, std::int16_t Minuti);
  /// Programs a department (4002).
  std::int16_t opProgReparto(std::int16_t NReparto, std::string_view DescReparto, Currency Prezzo1,
                             Currency Prezzo2, Currency Prezzo3, std::int16_t Item,
                             std::int16_t NTassaRep, Currency Limite, std::int16_t GruppoStampa,
                             std::int16_t SuperGruppoMerceologico, std::string_view UMFattura);
  /// Programs a VAT rate (4005).
  std::int16_t opProgTassa(std::int16_t NTassa, float Aliquota);
  /// Programs a credit-card type (4007).
  std::int16_t opProgCredCC(std::int16_t NCartaCC, std::string_view DescCartaCC);
  /// Programs a meal-voucher type (4010).
  std::int16_t opProgTicket(std::int16_t NTipoTicket, std::string_view DescTicket,
                            Currency ValoreTicket);
  /// Programs an operator (4013).
  std::int16_t opProgOpr(std::int16_t NumeroOperatore, std::string_view DescOpr,
                         std::int16_t CodOprSegr, float PerOpr);
  /// Sets a flag (4014).
  std::int16_t opProgFlag(std::int16_t NumFlag, std::int16_t Flag);
  /// Sets a configuration value (4015).
  std::int16_t opProgConf(std::int16_t NumConf, std::int16_t Conf);
  /// Sets the print type of a header line (4016).
  std::int16_t opProgTipoRigaInt(std::int16_t NumRiga, std::int16_t TipoStampa);
  /// Programs a header line (3016).
  std::int16_t opProgRigaInt(std::int16_t NRigaInt, std::string_view DescInt);

  // ---- Readings -----------------------------------------------------------
  /// Reads the register's date and time (4201, limit 5 s).
  std::int16_t opReadDataOra();
  /// Reads a department (4202).
  std::int16_t opReadReparto(std::int16_t NReparto);
  /// Reads a VAT rate (4205).
  std::int16_t opReadTassa(std::int16_t NTassa);
  /// Reads a credit-card type (4207).
  std::int16_t opReadCredCC(std::int16_t NCartaCC);
  /// Reads a meal-voucher type (4210).
  std::int16_t opReadTicket(std::int16_t NTipoTicket);
  /// Reads an operator (4213).
  std::int16_t opReadOpr(std::int16_t NumeroOperatore);
  /// Reads a flag (4214).
  std::int16_t opReadFlag(std::int16_t NumFlag);
  /// Reads a configuration value (4215).
  std::int16_t opReadConf(std::int16_t NumConf);
  /// Reads the print type of a header line (4216).
  std::int16_t opReadTipoRigaInt(std::int16_t NumRiga);
  /// Reads the fiscal serial number (3217): LastMatrFisc.
  std::int16_t opReadMatrFisc(std::int16_t CodOpr);

  // ---- Reports and closures -----------------------------------------------
  /// X report: daily financial totals (2001, limit 20 s).
  std::int16_t opXTotFinGior(std::int16_t CodOpr);
  /// X report: daily totals of a department (2003, 20 s).
  std::int16_t opXTotRepGior(std::int16_t CodOpr, std::int16_t NumeroReparto);
  /// X report: daily totals by hour (2005, 20 s).
  std::int16_t opXTotOreGior(std::int16_t CodOpr);
  /// X report: daily totals of an operator (2006, 20 s).
  std::int16_t opXTotOprGior(std::int16_t CodOpr, std::int16_t NumeroOperatore);
  /// X report: periodic financial totals (2007, 20 s).
  std::int16_t opXTotFinPer(std::int16_t CodOpr);
  /// X report: periodic totals of a department (2009, 20 s).
  std::int16_t opXTotRepPer(std::int16_t CodOpr, std::int16_t NumeroReparto);
  /// X report: periodic totals by hour (2011, 20 s).
  std::int16_t opXTotOrePer(std::int16_t CodOpr);
  /// X report: periodic totals of an operator (2012, 20 s).
  std::int16_t opXTotOprPer(std::int16_t CodOpr, std::int16_t NumeroOperatore);
  /// Daily fiscal closure (3001, limit 60 s): LastNumSF.
  std::int16_t opZChiusuraFisc(std::int16_t CodOpr);
  /// Z report: daily financial totals (3002, 40 s).
  std::int16_t opZTotFinGior(std::int16_t CodOpr);
  /// Z report: daily totals by hour (3005, 40 s).
  std::int16_t opZTotOreGior(std::int16_t CodOpr);
  /// Z report: daily totals of an operator (3006, 40 s).
  std::int16_t opZTotOprGior(std::int16_t CodOpr, std::int16_t NumeroOperatore);
  /// Z report: periodic financial totals (3007, 40 s).
  std::int16_t opZTotFinPer(std::int16_t CodOpr);
  /// Z report: periodic totals by hour (3010, 40 s).
  std::int16_t opZTotOrePer(std::int16_t CodOpr);
  /// Z report: periodic totals of an operator (3011, 40 s).
  std::int16_t opZTotOprPer(std::int16_t CodOpr, std::int16_t NumeroOperatore);
  /// Fiscal memory report (3015, limit 120 s).
  std::int16_t opZFiscMem(std::int16_t CodOpr);

  /// Runs an operation of the catalogue by name with arguments already of
  /// their parameters' types (omitted trailing optionals take defaults).
  /// Used by the thin methods above and by the dispatch interface.
  std::int16_t RunOperation(std::string_view name, const std::vector<Variant>& args);
  /// The same, binding `args` in place (no copy of them).
  std::int16_t RunOperation(std::string_view name, std::vector<Variant>&& args);
  /// Runs the operation `member` (a method of Members() that is an
  /// operation, found once by the caller) with every argument present and
  /// already of its parameter's type: no lookup by name, no binding, no copy
  /// of the arguments, so a binding's call costs what a typed call does.
  /// Throws DispatchError when `member` is not an operation, or the count
  /// or a type of `args` differs from its parameters (naming the parameter).
  std::int16_t RunOperation(const MemberInfo& member, std::span<const Variant> args);

  /// The member state, private to the library.
  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace tavirel
