// The operations: each one a row of the catalogue, found once by its name
// the first time it runs and kept.
#include "control/run_operation.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel {

std::int16_t TavirelControl::opReparto(std::int16_t CodOpr, std::string_view DescProd,
                                       Currency Prezzo, std::int16_t Rep, std::int16_t TipoPrezzo,
                                       std::string_view CodProd) {
  static const ops::Operation& op = ops::OperationNamed("opReparto");
  return RunTyped(*impl_, op, {CodOpr, DescProd, Prezzo, Rep, TipoPrezzo, CodProd});
}

std::int16_t TavirelControl::opRepartoQInt(std::int16_t CodOpr, std::string_view DescProd,
                                           std::int16_t Qta, Currency Prezzo, std::int16_t Rep,
                                           std::int16_t TipoPrezzo, std::string_view CodProd) {
  static const ops::Operation& op = ops::OperationNamed("opRepartoQInt");
  return RunTyped(*impl_, op, {CodOpr, DescProd, Qta, Prezzo, Rep, TipoPrezzo, CodProd});
}

std::int16_t TavirelControl::opRepartoQDec(std::int16_t CodOpr, std::string_view DescProd,
                                           float QtaDec, Currency Prezzo, std::int16_t Rep,
                                           std::int16_t TipoPrezzo, std::string_view CodProd) {
  static const ops::Operation& op = ops::OperationNamed("opRepartoQDec");
  return RunTyped(*impl_, op, {CodOpr, DescProd, QtaDec, Prezzo, Rep, TipoPrezzo, CodProd});
}

std::int16_t TavirelControl::opRepartoReso(std::int16_t CodOpr, std::string_view DescProd,
                                           Currency Prezzo, std::int16_t Rep,
                                           std::int16_t TipoPrezzo, std::string_view CodProd) {
  static const ops::Operation& op = ops::OperationNamed("opRepartoReso");
  return RunTyped(*impl_, op, {CodOpr, DescProd, Prezzo, Rep, TipoPrezzo, CodProd});
}

std::int16_t TavirelControl::opRepartoResoQInt(std::int16_t CodOpr, std::string_view DescProd,
                                               std::int16_t Qta, Currency Prezzo, std::int16_t Rep,
                                               std::int16_t TipoPrezzo, std::string_view CodProd) {
  static const ops::Operation& op = ops::OperationNamed("opRepartoResoQInt");
  return RunTyped(*impl_, op, {CodOpr, DescProd, Qta, Prezzo, Rep, TipoPrezzo, CodProd});
}

std::int16_t TavirelControl::opRepartoResoQDec(std::int16_t CodOpr, std::string_view DescProd,
                                               float QtaDec, Currency Prezzo, std::int16_t Rep,
                                               std::int16_t TipoPrezzo, std::string_view CodProd) {
  static const ops::Operation& op = ops::OperationNamed("opRepartoResoQDec");
  return RunTyped(*impl_, op, {CodOpr, DescProd, QtaDec, Prezzo, Rep, TipoPrezzo, CodProd});
}

std::int16_t TavirelControl::opRepartoStorno(std::int16_t CodOpr, std::string_view DescProd,
                                             Currency Prezzo, std::int16_t Rep,
                                             std::int16_t TipoPrezzo, std::string_view CodProd) {
  static const ops::Operation& op = ops::OperationNamed("opRepartoStorno");
  return RunTyped(*impl_, op, {CodOpr, DescProd, Prezzo, Rep, TipoPrezzo, CodProd});
}

std::int16_t TavirelControl::opRepartoStornoQInt(std::int16_t CodOpr, std::string_view DescProd,
                                                 std::int16_t Qta, Currency Prezzo,
                                                 std::int16_t Rep, std::int16_t TipoPrezzo,
                                                 std::string_view CodProd) {
  static const ops::Operation& op = ops::OperationNamed("opRepartoStornoQInt");
  return RunTyped(*impl_, op, {CodOpr, DescProd, Qta, Prezzo, Rep, TipoPrezzo, CodProd});
}

std::int16_t TavirelControl::opRepartoStornoQDec(std::int16_t CodOpr, std::string_view DescProd,
                                                 float QtaDec, Currency Prezzo, std::int16_t Rep,
                                                 std::int16_t TipoPrezzo,
                                                 std::string_view CodProd) {
  static const ops::Operation& op = ops::OperationNamed("opRepartoStornoQDec");
  return RunTyped(*impl_, op, {CodOpr, DescProd, QtaDec, Prezzo, Rep, TipoPrezzo, CodProd});
}

std::int16_t TavirelControl::opSubTot(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opSubTot");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opSubTotAbbuono(std::int16_t CodOpr, Currency Importo) {
  static const ops::Operation& op = ops::OperationNamed("opSubTotAbbuono");
  return RunTyped(*impl_, op, {CodOpr, Importo});
}

std::int16_t TavirelControl::opSubTotPercPlus(std::int16_t CodOpr, float Perc) {
  static const ops::Operation& op = ops::OperationNamed("opSubTotPercPlus");
  return RunTyped(*impl_, op, {CodOpr, Perc});
}

std::int16_t TavirelControl::opSubTotPercMinus(std::int16_t CodOpr, float Perc) {
  static const ops::Operation& op = ops::OperationNamed("opSubTotPercMinus");
  return RunTyped(*impl_, op, {CodOpr, Perc});
}

std::int16_t TavirelControl::opCorr(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opCorr");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opVoidTot(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opVoidTot");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opContante(std::int16_t CodOpr, Currency Importo) {
  static const ops::Operation& op = ops::OperationNamed("opContante");
  return RunTyped(*impl_, op, {CodOpr, Importo});
}

std::int16_t TavirelControl::opAssegno(std::int16_t CodOpr, Currency ImportoAssegno) {
  static const ops::Operation& op = ops::OperationNamed("opAssegno");
  return RunTyped(*impl_, op, {CodOpr, ImportoAssegno});
}

std::int16_t TavirelControl::opCredCC(std::int16_t CodOpr, std::int16_t NCartaCC) {
  static const ops::Operation& op = ops::OperationNamed("opCredCC");
  return RunTyped(*impl_, op, {CodOpr, NCartaCC});
}

std::int16_t TavirelControl::opTicket(std::int16_t CodOpr, std::int16_t NTipoTicket,
                                      Currency ValoreTicket) {
  static const ops::Operation& op = ops::OperationNamed("opTicket");
  return RunTyped(*impl_, op, {CodOpr, NTipoTicket, ValoreTicket});
}

std::int16_t TavirelControl::opRistampaScontr(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opRistampaScontr");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opApriCassetto(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opApriCassetto");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opBloccoTastiera(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opBloccoTastiera");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opSBloccoTastiera(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opSBloccoTastiera");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opMsgVisoreCortesia(std::int16_t CodOpr, std::string_view Descr,
                                                 std::int16_t NumVisore, std::int16_t Cursore) {
  static const ops::Operation& op = ops::OperationNamed("opMsgVisoreCortesia");
  return RunTyped(*impl_, op, {CodOpr, Descr, NumVisore, Cursore});
}

std::int16_t TavirelControl::opIniSNoFisc(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opIniSNoFisc");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opDatiSNoFisc(std::int16_t CodOpr, std::int16_t Font,
                                           std::string_view DescRiga) {
  static const ops::Operation& op = ops::OperationNamed("opDatiSNoFisc");
  return RunTyped(*impl_, op, {CodOpr, Font, DescRiga});
}

Variant TavirelControl::opEndSNoFisc(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opEndSNoFisc");
  return Variant(RunTyped(*impl_, op, {CodOpr}));
}

std::int16_t TavirelControl::opDescAgg(std::int16_t CodOpr, std::string_view Descr) {
  static const ops::Operation& op = ops::OperationNamed("opDescAgg");
  return RunTyped(*impl_, op, {CodOpr, Descr});
}

std::int16_t TavirelControl::opRigheAgg(std::int16_t CodOpr, std::int16_t NRiga,
                                        std::string_view DescRiga) {
  static const ops::Operation& op = ops::OperationNamed("opRigheAgg");
  return RunTyped(*impl_, op, {CodOpr, NRiga, DescRiga});
}

std::int16_t TavirelControl::opRiavvioStampaDaFineCarta(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opRiavvioStampaDaFineCarta");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opAttivazioneEuro(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opAttivazioneEuro");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opProgDataOra(std::int16_t Giorno, std::int16_t Mese,
                                           std::int16_t Anno, std::int16_t Ore,
                                           std::int16_t Minuti) {
  static const ops::Operation& op = ops::OperationNamed("opProgDataOra");
  return RunTyped(*impl_, op, {Giorno, Mese, Anno, Ore, Minuti});
}

std::int16_t TavirelControl::opProgReparto(std::int16_t NReparto, std::string_view DescReparto,
                                           Currency Prezzo1, Currency Prezzo2, Currency Prezzo3,
                                           std::int16_t Item, std::int16_t NTassaRep,
                                           Currency Limite, std::int16_t GruppoStampa,
                                           std::int16_t SuperGruppoMerceologico,
                                           std::string_view UMFattura) {
  static const ops::Operation& op = ops::OperationNamed("opProgReparto");
  return RunTyped(*impl_, op,
                  {NReparto, DescReparto, Prezzo1, Prezzo2, Prezzo3, Item, NTassaRep, Limite,
                   GruppoStampa, SuperGruppoMerceologico, UMFattura});
}

std::int16_t TavirelControl::opProgTassa(std::int16_t NTassa, float Aliquota) {
  static const ops::Operation& op = ops::OperationNamed("opProgTassa");
  return RunTyped(*impl_, op, {NTassa, Aliquota});
}

std::int16_t TavirelControl::opProgCredCC(std::int16_t NCartaCC, std::string_view DescCartaCC) {
  static const ops::Operation& op = ops::OperationNamed("opProgCredCC");
  return RunTyped(*impl_, op, {NCartaCC, DescCartaCC});
}

std::int16_t TavirelControl::opProgTicket(std::int16_t NTipoTicket, std::string_view DescTicket,
                                          Currency ValoreTicket) {
  static const ops::Operation& op = ops::OperationNamed("opProgTicket");
  return RunTyped(*impl_, op, {NTipoTicket, DescTicket, ValoreTicket});
}

std::int16_t TavirelControl::opProgOpr(std::int16_t NumeroOperatore, std::string_view DescOpr,
                                       std::int16_t CodOprSegr, float PerOpr) {
  static const ops::Operation& op = ops::OperationNamed("opProgOpr");
  return RunTyped(*impl_, op, {NumeroOperatore, DescOpr, CodOprSegr, PerOpr});
}

std::int16_t TavirelControl::opProgFlag(std::int16_t NumFlag, std::int16_t Flag) {
  static const ops::Operation& op = ops::OperationNamed("opProgFlag");
  return RunTyped(*impl_, op, {NumFlag, Flag});
}

std::int16_t TavirelControl::opProgConf(std::int16_t NumConf, std::int16_t Conf) {
  static const ops::Operation& op = ops::OperationNamed("opProgConf");
  return RunTyped(*impl_, op, {NumConf, Conf});
}

std::int16_t TavirelControl::opProgTipoRigaInt(std::int16_t NumRiga, std::int16_t TipoStampa) {
  static const ops::Operation& op = ops::OperationNamed("opProgTipoRigaInt");
  return RunTyped(*impl_, op, {NumRiga, TipoStampa});
}

std::int16_t TavirelControl::opProgRigaInt(std::int16_t NRigaInt, std::string_view DescInt) {
  static const ops::Operation& op = ops::OperationNamed("opProgRigaInt");
  return RunTyped(*impl_, op, {NRigaInt, DescInt});
}

std::int16_t TavirelControl::opReadDataOra() {
  static const ops::Operation& op = ops::OperationNamed("opReadDataOra");
  return RunTyped(*impl_, op, {});
}

std::int16_t TavirelControl::opReadReparto(std::int16_t NReparto) {
  static const ops::Operation& op = ops::OperationNamed("opReadReparto");
  return RunTyped(*impl_, op, {NReparto});
}

std::int16_t TavirelControl::opReadTassa(std::int16_t NTassa) {
  static const ops::Operation& op = ops::OperationNamed("opReadTassa");
  return RunTyped(*impl_, op, {NTassa});
}

std::int16_t TavirelControl::opReadCredCC(std::int16_t NCartaCC) {
  static const ops::Operation& op = ops::OperationNamed("opReadCredCC");
  return RunTyped(*impl_, op, {NCartaCC});
}

std::int16_t TavirelControl::opReadTicket(std::int16_t NTipoTicket) {
  static const ops::Operation& op = ops::OperationNamed("opReadTicket");
  return RunTyped(*impl_, op, {NTipoTicket});
}

std::int16_t TavirelControl::opReadOpr(std::int16_t NumeroOperatore) {
  static const ops::Operation& op = ops::OperationNamed("opReadOpr");
  return RunTyped(*impl_, op, {NumeroOperatore});
}

std::int16_t TavirelControl::opReadFlag(std::int16_t NumFlag) {
  static const ops::Operation& op = ops::OperationNamed("opReadFlag");
  return RunTyped(*impl_, op, {NumFlag});
}

std::int16_t TavirelControl::opReadConf(std::int16_t NumConf) {
  static const ops::Operation& op = ops::OperationNamed("opReadConf");
  return RunTyped(*impl_, op, {NumConf});
}

std::int16_t TavirelControl::opReadTipoRigaInt(std::int16_t NumRiga) {
  static const ops::Operation& op = ops::OperationNamed("opReadTipoRigaInt");
  return RunTyped(*impl_, op, {NumRiga});
}

std::int16_t TavirelControl::opReadMatrFisc(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opReadMatrFisc");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opXTotFinGior(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opXTotFinGior");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opXTotRepGior(std::int16_t CodOpr, std::int16_t NumeroReparto) {
  static const ops::Operation& op = ops::OperationNamed("opXTotRepGior");
  return RunTyped(*impl_, op, {CodOpr, NumeroReparto});
}

std::int16_t TavirelControl::opXTotOreGior(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opXTotOreGior");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opXTotOprGior(std::int16_t CodOpr, std::int16_t NumeroOperatore) {
  static const ops::Operation& op = ops::OperationNamed("opXTotOprGior");
  return RunTyped(*impl_, op, {CodOpr, NumeroOperatore});
}

std::int16_t TavirelControl::opXTotFinPer(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opXTotFinPer");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opXTotRepPer(std::int16_t CodOpr, std::int16_t NumeroReparto) {
  static const ops::Operation& op = ops::OperationNamed("opXTotRepPer");
  return RunTyped(*impl_, op, {CodOpr, NumeroReparto});
}

std::int16_t TavirelControl::opXTotOrePer(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opXTotOrePer");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opXTotOprPer(std::int16_t CodOpr, std::int16_t NumeroOperatore) {
  static const ops::Operation& op = ops::OperationNamed("opXTotOprPer");
  return RunTyped(*impl_, op, {CodOpr, NumeroOperatore});
}

std::int16_t TavirelControl::opZChiusuraFisc(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opZChiusuraFisc");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opZTotFinGior(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opZTotFinGior");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opZTotOreGior(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opZTotOreGior");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opZTotOprGior(std::int16_t CodOpr, std::int16_t NumeroOperatore) {
  static const ops::Operation& op = ops::OperationNamed("opZTotOprGior");
  return RunTyped(*impl_, op, {CodOpr, NumeroOperatore});
}

std::int16_t TavirelControl::opZTotFinPer(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opZTotFinPer");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opZTotOrePer(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opZTotOrePer");
  return RunTyped(*impl_, op, {CodOpr});
}

std::int16_t TavirelControl::opZTotOprPer(std::int16_t CodOpr, std::int16_t NumeroOperatore) {
  static const ops::Operation& op = ops::OperationNamed("opZTotOprPer");
  return RunTyped(*impl_, op, {CodOpr, NumeroOperatore});
}

std::int16_t TavirelControl::opZFiscMem(std::int16_t CodOpr) {
  static const ops::Operation& op = ops::OperationNamed("opZFiscMem");
  return RunTyped(*impl_, op, {CodOpr});
}

}  // namespace tavirel
