#include "tavirel/documents/reports.hpp"

#include <array>

namespace tavirel::documents {
namespace {

constexpr std::array kReports = {
    ReportKind{"x-financial-daily", "opXTotFinGior", false, "X: daily financial totals"},
    ReportKind{"x-department-daily", "opXTotRepGior", true, "X: daily, one department"},
    ReportKind{"x-hourly-daily", "opXTotOreGior", false, "X: daily totals by hour"},
    ReportKind{"x-operator-daily", "opXTotOprGior", true, "X: daily, one operator"},
    ReportKind{"x-financial-periodic", "opXTotFinPer", false, "X: periodic financial totals"},
    ReportKind{"x-department-periodic", "opXTotRepPer", true, "X: periodic, one department"},
    ReportKind{"x-hourly-periodic", "opXTotOrePer", false, "X: periodic totals by hour"},
    ReportKind{"x-operator-periodic", "opXTotOprPer", true, "X: periodic, one operator"},
    ReportKind{"fiscal-closure", "opZChiusuraFisc", false, "the daily fiscal closure"},
    ReportKind{"z-financial-daily", "opZTotFinGior", false, "Z: daily financial totals"},
    ReportKind{"z-hourly-daily", "opZTotOreGior", false, "Z: daily totals by hour"},
    ReportKind{"z-operator-daily", "opZTotOprGior", true, "Z: daily, one operator"},
    ReportKind{"z-financial-periodic", "opZTotFinPer", false, "Z: periodic financial totals"},
    ReportKind{"z-hourly-periodic", "opZTotOrePer", false, "Z: periodic totals by hour"},
    ReportKind{"z-operator-periodic", "opZTotOprPer", true, "Z: periodic, one operator"},
    ReportKind{"fiscal-memory", "opZFiscMem", false, "the fiscal memory report"},
};

}  // namespace

std::span<const ReportKind> Reports() { return kReports; }

const ReportKind* FindReport(std::string_view name) {
  for (const ReportKind& report : kReports) {
    if (report.name == name) return &report;
  }
  return nullptr;
}

}  // namespace tavirel::documents
