#pragma once
// The printer's own error numbers, as the register puts them in an error reply.
namespace tavirel::sim::perr {

inline constexpr int kCartaGiornale = 1;
inline constexpr int kCartaScontrino = 2;
inline constexpr int kDataInferiore = 9;
inline constexpr int kDataErrata = 10;
inline constexpr int kSequenzaErrata = 11;
inline constexpr int kDatiInesistenti = 12;
inline constexpr int kValoreErrato = 13;
inline constexpr int kNonPrevisto = 16;
inline constexpr int kImpossibileOra = 17;
inline constexpr int kNonPossibile = 18;
inline constexpr int kSuperaValore = 20;
inline constexpr int kSuperaLimite = 21;
inline constexpr int kNonProgrammato = 22;
inline constexpr int kChiudiScontrino = 23;
inline constexpr int kChiudiPagamento = 24;
inline constexpr int kMancaOperatore = 25;
inline constexpr int kChecksumErrato = 30;

}  // namespace tavirel::sim::perr
