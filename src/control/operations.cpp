// The operations: each one a row of the catalogue.
#include "tavirel/tavirel_control.hpp"

namespace tavirel {

std::int16_t TavirelControl::opReparto(std::int16_t CodOpr, const std::string& DescProd,
                                       Currency Prezzo, std::int16_t Rep, std::int16_t TipoPrezzo,
                                       const std::string& CodProd) {
  return RunOperation("opReparto", {CodOpr, DescProd, Prezzo, Rep, TipoPrezzo, CodProd});
}

std::int16_t TavirelControl::opRepartoQInt(std::int16_t CodOpr, const std::string& DescProd,
                                           std::int16_t Qta, Currency Prezzo, std::int16_t Rep,
                                           std::int16_t TipoPrezzo, const std::string& CodProd) {
  return RunOperation("opRepartoQInt", {CodOpr, DescProd, Qta, Prezzo, Rep, TipoPrezzo, CodProd});
}

std::int16_t TavirelControl::opRepartoQDec(std::int16_t CodOpr, const std::string& DescProd,
                                           float QtaDec, Currency Prezzo, std::int16_t Rep,
                                           std::int16_t TipoPrezzo, const std::string& CodProd) {
  return RunOperation("opRepartoQDec",
                      {CodOpr, DescProd, QtaDec, Prezzo, Rep, TipoPrezzo, CodProd});
}

std::int16_t TavirelControl::opRepartoReso(std::int16_t CodOpr, const std::string& DescProd,
                                           Currency Prezzo, std::int16_t Rep,
                                           std::int16_t TipoPrezzo, const std::string& CodProd) {
  return RunOperation("opRepartoReso", {CodOpr, DescProd, Prezzo, Rep, TipoPrezzo, CodProd});
}

std::int16_t TavirelControl::opRepartoResoQInt(std::int16_t CodOpr, const std::string& DescProd,
                                               std::int16_t Qta, Currency Prezzo, std::int16_t Rep,
                                               std::int16_t TipoPrezzo,
                                               const std::string& CodProd) {
  return RunOperation("opRepartoResoQInt",
                      {CodOpr, DescProd, Qta, Prezzo, Rep, TipoPrezzo, CodProd});
}

std::int16_t TavirelControl::opRepartoResoQDec(std::int16_t CodOpr, const std::string& DescProd,
                                               float QtaDec, Currency Prezzo, std::int16_t Rep,
                                               std::int16_t TipoPrezzo,
                                               const std::string& CodProd) {
  return RunOperation("opRepartoResoQDec",
                      {CodOpr, DescProd, QtaDec, Prezzo, Rep, TipoPrezzo, CodProd});
}

std::int16_t TavirelControl::opRepartoStorno(std::int16_t CodOpr, const std::string& DescProd,
                                             Currency Prezzo, std::int16_t Rep,
                                             std::int16_t TipoPrezzo, const std::string& CodProd) {
  return RunOperation("opRepartoStorno", {CodOpr, DescProd, Prezzo, Rep, TipoPrezzo, CodProd});
}

std::int16_t TavirelControl::opRepartoStornoQInt(std::int16_t CodOpr, const std::string& DescProd,
                                                 std::int16_t Qta, Currency Prezzo,
                                                 std::int16_t Rep, std::int16_t TipoPrezzo,
                                                 const std::string& CodProd) {
  return RunOperation("opRepartoStornoQInt",
                      {CodOpr, DescProd, Qta, Prezzo, Rep, TipoPrezzo, CodProd});
}

std::int16_t TavirelControl::opRepartoStornoQDec(std::int16_t CodOpr, const std::string& DescProd,
                                                 float QtaDec, Currency Prezzo, std::int16_t Rep,
                                                 std::int16_t TipoPrezzo,
                                                 const std::string& CodProd) {
  return RunOperation("opRepartoStornoQDec",
                      {CodOpr, DescProd, QtaDec, Prezzo, Rep, TipoPrezzo, CodProd});
}

std::int16_t TavirelControl::opSubTot(std::int16_t CodOpr) {
  return RunOperation("opSubTot", {CodOpr});
}

std::int16_t TavirelControl::opSubTotAbbuono(std::int16_t CodOpr, Currency Importo) {
  return RunOperation("opSubTotAbbuono", {CodOpr, Importo});
}

std::int16_t TavirelControl::opSubTotPercPlus(std::int16_t CodOpr, float Perc) {
  return RunOperation("opSubTotPercPlus", {CodOpr, Perc});
}

std::int16_t TavirelControl::opSubTotPercMinus(std::int16_t CodOpr, float Perc) {
  return RunOperation("opSubTotPercMinus", {CodOpr, Perc});
}

std::int16_t TavirelControl::opCorr(std::int16_t CodOpr) {
  return RunOperation("opCorr", {CodOpr});
}

std::int16_t TavirelControl::opVoidTot(std::int16_t CodOpr) {
  return RunOperation("opVoidTot", {CodOpr});
}

std::int16_t TavirelControl::opContante(std::int16_t CodOpr, Currency Importo) {
  return RunOperation("opContante", {CodOpr, Importo});
}

std::int16_t TavirelControl::opAssegno(std::int16_t CodOpr, Currency ImportoAssegno) {
  return RunOperation("opAssegno", {CodOpr, ImportoAssegno});
}

std::int16_t TavirelControl::opCredCC(std::int16_t CodOpr, std::int16_t NCartaCC) {
  return RunOperation("opCredCC", {CodOpr, NCartaCC});
}

std::int16_t TavirelControl::opTicket(std::int16_t CodOpr, std::int16_t NTipoTicket,
                                      Currency ValoreTicket) {
  return RunOperation("opTicket", {CodOpr, NTipoTicket, ValoreTicket});
}

std::int16_t TavirelControl::opRistampaScontr(std::int16_t CodOpr) {
  return RunOperation("opRistampaScontr", {CodOpr});
}

std::int16_t TavirelControl::opApriCassetto(std::int16_t CodOpr) {
  return RunOperation("opApriCassetto", {CodOpr});
}

std::int16_t TavirelControl::opBloccoTastiera(std::int16_t CodOpr) {
  return RunOperation("opBloccoTastiera", {CodOpr});
}

std::int16_t TavirelControl::opSBloccoTastiera(std::int16_t CodOpr) {
  return RunOperation("opSBloccoTastiera", {CodOpr});
}

std::int16_t TavirelControl::opMsgVisoreCortesia(std::int16_t CodOpr, const std::string& Descr,
                                                 std::int16_t NumVisore, std::int16_t Cursore) {
  return RunOperation("opMsgVisoreCortesia", {CodOpr, Descr, NumVisore, Cursore});
}

std::int16_t TavirelControl::opIniSNoFisc(std::int16_t CodOpr) {
  return RunOperation("opIniSNoFisc", {CodOpr});
}

std::int16_t TavirelControl::opDatiSNoFisc(std::int16_t CodOpr, std::int16_t Font,
                                           const std::string& DescRiga) {
  return RunOperation("opDatiSNoFisc", {CodOpr, Font, DescRiga});
}

Variant TavirelControl::opEndSNoFisc(std::int16_t CodOpr) {
  return Variant(RunOperation("opEndSNoFisc", {CodOpr}));
}

std::int16_t TavirelControl::opDescAgg(std::int16_t CodOpr, const std::string& Descr) {
  return RunOperation("opDescAgg", {CodOpr, Descr});
}

std::int16_t TavirelControl::opRigheAgg(std::int16_t CodOpr, std::int16_t NRiga,
                                        const std::string& DescRiga) {
  return RunOperation("opRigheAgg", {CodOpr, NRiga, DescRiga});
}

std::int16_t TavirelControl::opRiavvioStampaDaFineCarta(std::int16_t CodOpr) {
  return RunOperation("opRiavvioStampaDaFineCarta", {CodOpr});
}

std::int16_t TavirelControl::opAttivazioneEuro(std::int16_t CodOpr) {
  return RunOperation("opAttivazioneEuro", {CodOpr});
}

std::int16_t TavirelControl::opProgDataOra(std::int16_t Giorno, std::int16_t Mese,
                                           std::int16_t Anno, std::int16_t Ore,
                                           std::int16_t Minuti) {
  return RunOperation("opProgDataOra", {Giorno, Mese, Anno, Ore, Minuti});
}

std::int16_t TavirelControl::opProgReparto(std::int16_t NReparto, const std::string& DescReparto,
                                           Currency Prezzo1, Currency Prezzo2, Currency Prezzo3,
                                           std::int16_t Item, std::int16_t NTassaRep,
                                           Currency Limite, std::int16_t GruppoStampa,
                                           std::int16_t SuperGruppoMerceologico,
                                           const std::string& UMFattura) {
  return RunOperation("opProgReparto",
                      {NReparto, DescReparto, Prezzo1, Prezzo2, Prezzo3, Item, NTassaRep, Limite,
                       GruppoStampa, SuperGruppoMerceologico, UMFattura});
}

std::int16_t TavirelControl::opProgTassa(std::int16_t NTassa, float Aliquota) {
  return RunOperation("opProgTassa", {NTassa, Aliquota});
}

std::int16_t TavirelControl::opProgCredCC(std::int16_t NCartaCC, const std::string& DescCartaCC) {
  return RunOperation("opProgCredCC", {NCartaCC, DescCartaCC});
}

std::int16_t TavirelControl::opProgTicket(std::int16_t NTipoTicket, const std::string& DescTicket,
                                          Currency ValoreTicket) {
  return RunOperation("opProgTicket", {NTipoTicket, DescTicket, ValoreTicket});
}

std::int16_t TavirelControl::opProgOpr(std::int16_t NumeroOperatore, const std::string& DescOpr,
                                       std::int16_t CodOprSegr, float PerOpr) {
  return RunOperation("opProgOpr", {NumeroOperatore, DescOpr, CodOprSegr, PerOpr});
}

std::int16_t TavirelControl::opProgFlag(std::int16_t NumFlag, std::int16_t Flag) {
  return RunOperation("opProgFlag", {NumFlag, Flag});
}

std::int16_t TavirelControl::opProgConf(std::int16_t NumConf, std::int16_t Conf) {
  return RunOperation("opProgConf", {NumConf, Conf});
}

std::int16_t TavirelControl::opProgTipoRigaInt(std::int16_t NumRiga, std::int16_t TipoStampa) {
  return RunOperation("opProgTipoRigaInt", {NumRiga, TipoStampa});
}

std::int16_t TavirelControl::opProgRigaInt(std::int16_t NRigaInt, const std::string& DescInt) {
  return RunOperation("opProgRigaInt", {NRigaInt, DescInt});
}

std::int16_t TavirelControl::opReadDataOra() { return RunOperation("opReadDataOra", {}); }

std::int16_t TavirelControl::opReadReparto(std::int16_t NReparto) {
  return RunOperation("opReadReparto", {NReparto});
}

std::int16_t TavirelControl::opReadTassa(std::int16_t NTassa) {
  return RunOperation("opReadTassa", {NTassa});
}

std::int16_t TavirelControl::opReadCredCC(std::int16_t NCartaCC) {
  return RunOperation("opReadCredCC", {NCartaCC});
}

std::int16_t TavirelControl::opReadTicket(std::int16_t NTipoTicket) {
  return RunOperation("opReadTicket", {NTipoTicket});
}

std::int16_t TavirelControl::opReadOpr(std::int16_t NumeroOperatore) {
  return RunOperation("opReadOpr", {NumeroOperatore});
}

std::int16_t TavirelControl::opReadFlag(std::int16_t NumFlag) {
  return RunOperation("opReadFlag", {NumFlag});
}

std::int16_t TavirelControl::opReadConf(std::int16_t NumConf) {
  return RunOperation("opReadConf", {NumConf});
}

std::int16_t TavirelControl::opReadTipoRigaInt(std::int16_t NumRiga) {
  return RunOperation("opReadTipoRigaInt", {NumRiga});
}

std::int16_t TavirelControl::opReadMatrFisc(std::int16_t CodOpr) {
  return RunOperation("opReadMatrFisc", {CodOpr});
}

std::int16_t TavirelControl::opXTotFinGior(std::int16_t CodOpr) {
  return RunOperation("opXTotFinGior", {CodOpr});
}

std::int16_t TavirelControl::opXTotRepGior(std::int16_t CodOpr, std::int16_t NumeroReparto) {
  return RunOperation("opXTotRepGior", {CodOpr, NumeroReparto});
}

std::int16_t TavirelControl::opXTotOreGior(std::int16_t CodOpr) {
  return RunOperation("opXTotOreGior", {CodOpr});
}

std::int16_t TavirelControl::opXTotOprGior(std::int16_t CodOpr, std::int16_t NumeroOperatore) {
  return RunOperation("opXTotOprGior", {CodOpr, NumeroOperatore});
}

std::int16_t TavirelControl::opXTotFinPer(std::int16_t CodOpr) {
  return RunOperation("opXTotFinPer", {CodOpr});
}

std::int16_t TavirelControl::opXTotRepPer(std::int16_t CodOpr, std::int16_t NumeroReparto) {
  return RunOperation("opXTotRepPer", {CodOpr, NumeroReparto});
}

std::int16_t TavirelControl::opXTotOrePer(std::int16_t CodOpr) {
  return RunOperation("opXTotOrePer", {CodOpr});
}

std::int16_t TavirelControl::opXTotOprPer(std::int16_t CodOpr, std::int16_t NumeroOperatore) {
  return RunOperation("opXTotOprPer", {CodOpr, NumeroOperatore});
}

std::int16_t TavirelControl::opZChiusuraFisc(std::int16_t CodOpr) {
  return RunOperation("opZChiusuraFisc", {CodOpr});
}

std::int16_t TavirelControl::opZTotFinGior(std::int16_t CodOpr) {
  return RunOperation("opZTotFinGior", {CodOpr});
}

std::int16_t TavirelControl::opZTotOreGior(std::int16_t CodOpr) {
  return RunOperation("opZTotOreGior", {CodOpr});
}

std::int16_t TavirelControl::opZTotOprGior(std::int16_t CodOpr, std::int16_t NumeroOperatore) {
  return RunOperation("opZTotOprGior", {CodOpr, NumeroOperatore});
}

std::int16_t TavirelControl::opZTotFinPer(std::int16_t CodOpr) {
  return RunOperation("opZTotFinPer", {CodOpr});
}

std::int16_t TavirelControl::opZTotOrePer(std::int16_t CodOpr) {
  return RunOperation("opZTotOrePer", {CodOpr});
}

std::int16_t TavirelControl::opZTotOprPer(std::int16_t CodOpr, std::int16_t NumeroOperatore) {
  return RunOperation("opZTotOprPer", {CodOpr, NumeroOperatore});
}

std::int16_t TavirelControl::opZFiscMem(std::int16_t CodOpr) {
  return RunOperation("opZFiscMem", {CodOpr});
}

}  // namespace tavirel
