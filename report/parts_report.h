#pragma once
// The report of a parts library: where and when it was made, the parts per
// lot, each parameter's statistics and histogram, and every part with its
// figures; as one self-contained HTML page, or the part table as CSV.
#include <QFont>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/part_figures.h"

namespace kvt {

struct ReportedPart {
  long long number = 0;
  std::optional<std::string> lot;
  std::vector<std::string> tags;
  std::string measuredAt;
  std::string component;
};

struct PartsReport {
  std::string library;  // as the user named it (no password)
  std::string program;  // "kvt 1.2"
  std::string date;     // when the report was made
  std::optional<std::string> lot;  // the one lot reported, or all
  std::vector<std::pair<std::optional<std::string>, long long>> lots;  // parts per lot
  std::vector<ReportedPart> parts;
  PartTable figures;  // by parameter name, one entry per part
};

std::string PartsReportHtml(const PartsReport& report, const QFont& font);

// One row per part: number, lot, tags, time, kind, then each parameter's
// value and uncertainty in SI units (empty without a value).
std::string PartsReportCsv(const PartsReport& report);

}  // namespace kvt
