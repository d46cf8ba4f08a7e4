#pragma once
// The words of the operations reference that the catalogue cannot give:
// what each operation does for the register's user, what each parameter
// means, and the refusals that commonly answer it. Everything else (codes,
// fields, limits, what a reply fills) is read from the catalogue itself.
#include <span>
#include <string_view>
#include <vector>

namespace tavirel::opdoc {

/// The groups, in the order a register's user meets them.
enum class Group { Sales, Adjustments, Payments, Documents, Programming, Readings, Reports };

/// The register's error numbers the descriptions cite (LastEERR after EERR).
enum PrinterError : int {
  kCartaGiornale = 1,
  kCartaScontrino = 2,
  kDataInferiore = 9,
  kDataErrata = 10,
  kSequenzaErrata = 11,
  kDatiInesistenti = 12,
  kValoreErrato = 13,
  kNonPrevisto = 16,
  kImpossibileOra = 17,
  kNonPossibile = 18,
  kSuperaValore = 20,
  kSuperaLimite = 21,
  kNonProgrammato = 22,
  kChiudiScontrino = 23,
  kChiudiPagamento = 24,
  kMancaOperatore = 25,
};

/// A refusal: the register's error number and when it answers with it.
struct Refusal {
  int number;
  std::string_view when;
};

struct OperationText {
  std::string_view name;
  Group group;
  std::string_view what;  // what it does, in a few sentences (Markdown)
  std::vector<Refusal> refusals;
};

/// What a parameter means. `operation` empty: for every operation with a
/// parameter of that name, unless a row names the operation.
struct ParameterText {
  std::string_view operation;
  std::string_view parameter;
  std::string_view meaning;  // Markdown
};

/// Every operation's words, each group in reading order.
std::span<const OperationText> OperationTexts();
/// Every parameter's meaning.
std::span<const ParameterText> ParameterTexts();

/// The rows of one group (split over two files by group).
std::vector<OperationText> ReceiptTexts();  // sales, adjustments, payments
std::vector<OperationText> OtherTexts();    // documents, programming, readings, reports

}  // namespace tavirel::opdoc
