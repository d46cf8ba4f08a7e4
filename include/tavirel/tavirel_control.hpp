#pragma once
// TavirelControl: the fiscal register driver a host program embeds.
//
// A host creates the control with its serial component, sets COMPort or the
// device, Settings and EuroSettings, calls PortOpen, and then one method per
// register operation. Each operation returns a code of enumTVL_OP_RETVALUE
// and leaves what the register answered in the Last... result properties.
// Errors of the call (the serial component failing, a reply field that does
// not read as a number, a nested call) are exceptions derived from
// TavirelError.
#include <cstdint>
#include <memory>
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
  void SetHooks(HostHooks hooks);
  [[nodiscard]] const HostHooks& Hooks() const;
  void SetSizeSite(SizeSite* site);
  [[nodiscard]] SerialPort& Port();

  // ---- Lifecycle handlers ---------------------------------------------
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
  void PortOpen();
  void PortClose();
  [[nodiscard]] bool PortIsOpen() const;
  /// Cancels the call that waits for the register (an operation or the probe
  /// of PortOpen): it ends at its next wait pass with CancelledError, whose
  /// request_sent() is true (the register may have carried the request out).
  /// A cancel made while no call waits is kept, and the next call throws
  /// CancelledError before writing anything (request_sent() false). The port
  /// stays open. Safe from any thread, and async-signal-safe when the port's
  /// Interrupt is (PosixSerialPort's is; NullModemPort's is thread-safe only).
  void CancelWait() noexcept;
  [[nodiscard]] std::string Settings() const;
  void Settings(const std::string& value);
  [[nodiscard]] std::int16_t COMPort() const;
  void COMPort(std::int16_t value);
  [[nodiscard]] std::int32_t EuroSettings() const;
  void EuroSettings(std::int32_t value);

  [[nodiscard]] std::int16_t Major() const { return 1; }
  [[nodiscard]] std::int16_t Minor() const { return 0; }
  [[nodiscard]] std::int16_t Revision() const { return 20; }

  /// The Italian text for an (ErrorLevel, ErrorCode) pair; "" when none.
  [[nodiscard]] std::string GetLastErrorDescription(std::int16_t ErrorLevel,
                                                    std::int32_t ErrorCode) const;

  // ---- State of the link, for hosts and diagnostics ----------------------
  /// The command string of the last operation, as composed (UTF-8).
  [[nodiscard]] std::string CurrentCommand() const;
  [[nodiscard]] std::int16_t FrameCounter() const;
  /// True while an operation of this control waits for the printer.
  [[nodiscard]] bool Busy() const;

  // ---- Result properties -------------------------------------------------
#define TAVIREL_GETTER(name, type, vt) [[nodiscard]] type name() const;
  TAVIREL_RESULT_PROPERTIES(TAVIREL_GETTER)
#undef TAVIREL_GETTER
  /// A result property by its name.
  [[nodiscard]] Variant ResultProperty(std::string_view name) const;

  // ---- Sale lines -----------------------------------------------------
  std::int16_t opReparto(std::int16_t CodOpr, const std::string& DescProd, Currency Prezzo,
                         std::int16_t Rep, std::int16_t TipoPrezzo = 1,
                         const std::string& CodProd = kDefaultProductCode);
  std::int16_t opRepartoQInt(std::int16_t CodOpr, const std::string& DescProd, std::int16_t Qta,
                             Currency Prezzo, std::int16_t Rep, std::int16_t TipoPrezzo = 1,
                             const std::string& CodProd = kDefaultProductCode);
  std::int16_t opRepartoQDec(std::int16_t CodOpr, const std::string& DescProd, float QtaDec,
                             Currency Prezzo, std::int16_t Rep, std::int16_t TipoPrezzo = 1,
                             const std::string& CodProd = kDefaultProductCode);
  std::int16_t opRepartoReso(std::int16_t CodOpr, const std::string& DescProd, Currency Prezzo,
                             std::int16_t Rep, std::int16_t TipoPrezzo = 1,
                             const std::string& CodProd = kDefaultProductCode);
  std::int16_t opRepartoResoQInt(std::int16_t CodOpr, const std::string& DescProd, std::int16_t Qta,
                                 Currency Prezzo, std::int16_t Rep, std::int16_t TipoPrezzo = 1,
                                 const std::string& CodProd = kDefaultProductCode);
  std::int16_t opRepartoResoQDec(std::int16_t CodOpr, const std::string& DescProd, float QtaDec,
                                 Currency Prezzo, std::int16_t Rep, std::int16_t TipoPrezzo = 1,
                                 const std::string& CodProd = kDefaultProductCode);
  std::int16_t opRepartoStorno(std::int16_t CodOpr, const std::string& DescProd, Currency Prezzo,
                               std::int16_t Rep, std::int16_t TipoPrezzo = 1,
                               const std::string& CodProd = kDefaultProductCode);
  std::int16_t opRepartoStornoQInt(std::int16_t CodOpr, const std::string& DescProd,
                                   std::int16_t Qta, Currency Prezzo, std::int16_t Rep,
                                   std::int16_t TipoPrezzo = 1,
                                   const std::string& CodProd = kDefaultProductCode);
  std::int16_t opRepartoStornoQDec(std::int16_t CodOpr, const std::string& DescProd, float QtaDec,
                                   Currency Prezzo, std::int16_t Rep, std::int16_t TipoPrezzo = 1,
                                   const std::string& CodProd = kDefaultProductCode);

  // ---- Payments, subtotal and adjustments -------------------------------
  std::int16_t opSubTot(std::int16_t CodOpr);
  std::int16_t opSubTotAbbuono(std::int16_t CodOpr, Currency Importo);
  std::int16_t opSubTotPercPlus(std::int16_t CodOpr, float Perc);
  std::int16_t opSubTotPercMinus(std::int16_t CodOpr, float Perc);
  std::int16_t opCorr(std::int16_t CodOpr);
  std::int16_t opVoidTot(std::int16_t CodOpr);
  std::int16_t opContante(std::int16_t CodOpr, Currency Importo = Currency());
  std::int16_t opAssegno(std::int16_t CodOpr, Currency ImportoAssegno);
  std::int16_t opCredCC(std::int16_t CodOpr, std::int16_t NCartaCC);
  std::int16_t opTicket(std::int16_t CodOpr, std::int16_t NTipoTicket, Currency ValoreTicket);

  // ---- Non-fiscal documents, display, drawer and keyboard ---------------
  std::int16_t opRistampaScontr(std::int16_t CodOpr);
  std::int16_t opApriCassetto(std::int16_t CodOpr);
  std::int16_t opBloccoTastiera(std::int16_t CodOpr);
  std::int16_t opSBloccoTastiera(std::int16_t CodOpr);
  std::int16_t opMsgVisoreCortesia(std::int16_t CodOpr, const std::string& Descr,
                                   std::int16_t NumVisore = 0, std::int16_t Cursore = 0);
  std::int16_t opIniSNoFisc(std::int16_t CodOpr);
  std::int16_t opDatiSNoFisc(std::int16_t CodOpr, std::int16_t Font, const std::string& DescRiga);
  /// The result code as a VT_I2 variant.
  Variant opEndSNoFisc(std::int16_t CodOpr);
  std::int16_t opDescAgg(std::int16_t CodOpr, const std::string& Descr);
  std::int16_t opRigheAgg(std::int16_t CodOpr, std::int16_t NRiga, const std::string& DescRiga);
  std::int16_t opRiavvioStampaDaFineCarta(std::int16_t CodOpr);
  std::int16_t opAttivazioneEuro(std::int16_t CodOpr);

  // ---- Programming --------------------------------------------------------
  std::int16_t opProgDataOra(std::int16_t Giorno, std::int16_t Mese, std::int16_t Anno,
                             std::int16_t Ore, std::int16_t Minuti);
  std::int16_t opProgReparto(std::int16_t NReparto, const std::string& DescReparto,
                             Currency Prezzo1, Currency Prezzo2, Currency Prezzo3,
                             std::int16_t Item, std::int16_t NTassaRep, Currency Limite,
                             std::int16_t GruppoStampa, std::int16_t SuperGruppoMerceologico,
                             const std::string& UMFattura);
  std::int16_t opProgTassa(std::int16_t NTassa, float Aliquota);
  std::int16_t opProgCredCC(std::int16_t NCartaCC, const std::string& DescCartaCC);
  std::int16_t opProgTicket(std::int16_t NTipoTicket, const std::string& DescTicket,
                            Currency ValoreTicket);
  std::int16_t opProgOpr(std::int16_t NumeroOperatore, const std::string& DescOpr,
                         std::int16_t CodOprSegr, float PerOpr);
  std::int16_t opProgFlag(std::int16_t NumFlag, std::int16_t Flag);
  std::int16_t opProgConf(std::int16_t NumConf, std::int16_t Conf);
  std::int16_t opProgTipoRigaInt(std::int16_t NumRiga, std::int16_t TipoStampa);
  std::int16_t opProgRigaInt(std::int16_t NRigaInt, const std::string& DescInt);

  // ---- Readings -----------------------------------------------------------
  std::int16_t opReadDataOra();
  std::int16_t opReadReparto(std::int16_t NReparto);
  std::int16_t opReadTassa(std::int16_t NTassa);
  std::int16_t opReadCredCC(std::int16_t NCartaCC);
  std::int16_t opReadTicket(std::int16_t NTipoTicket);
  std::int16_t opReadOpr(std::int16_t NumeroOperatore);
  std::int16_t opReadFlag(std::int16_t NumFlag);
  std::int16_t opReadConf(std::int16_t NumConf);
  std::int16_t opReadTipoRigaInt(std::int16_t NumRiga);
  std::int16_t opReadMatrFisc(std::int16_t CodOpr);

  // ---- Reports and closures -----------------------------------------------
  std::int16_t opXTotFinGior(std::int16_t CodOpr);
  std::int16_t opXTotRepGior(std::int16_t CodOpr, std::int16_t NumeroReparto);
  std::int16_t opXTotOreGior(std::int16_t CodOpr);
  std::int16_t opXTotOprGior(std::int16_t CodOpr, std::int16_t NumeroOperatore);
  std::int16_t opXTotFinPer(std::int16_t CodOpr);
  std::int16_t opXTotRepPer(std::int16_t CodOpr, std::int16_t NumeroReparto);
  std::int16_t opXTotOrePer(std::int16_t CodOpr);
  std::int16_t opXTotOprPer(std::int16_t CodOpr, std::int16_t NumeroOperatore);
  std::int16_t opZChiusuraFisc(std::int16_t CodOpr);
  std::int16_t opZTotFinGior(std::int16_t CodOpr);
  std::int16_t opZTotOreGior(std::int16_t CodOpr);
  std::int16_t opZTotOprGior(std::int16_t CodOpr, std::int16_t NumeroOperatore);
  std::int16_t opZTotFinPer(std::int16_t CodOpr);
  std::int16_t opZTotOrePer(std::int16_t CodOpr);
  std::int16_t opZTotOprPer(std::int16_t CodOpr, std::int16_t NumeroOperatore);
  std::int16_t opZFiscMem(std::int16_t CodOpr);

  /// Runs an operation of the catalogue by name with arguments already of
  /// their parameters' types (omitted trailing optionals take defaults).
  /// Used by the thin methods above and by the dispatch interface.
  std::int16_t RunOperation(std::string_view name, const std::vector<Variant>& args);

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace tavirel
