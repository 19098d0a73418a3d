#pragma once
// The parts stored in a batch, newest on top: each one's number, kind, main
// figures with their uncertainties and its bin, marked when its value lies
// within its uncertainty of a limit of that bin.
#include <QColor>
#include <QTableWidget>
#include <string>
#include <vector>

#include "analysis/part_statistics.h"
#include "library/part_figures.h"

namespace kvt {

// "612 ± 2 mV"; "-" when the part has no value for it.
std::string BatchFigureText(const PartRecord& part, const std::string& parameter);

// "1: vf<0.6", "none" when no bin fits; "" without bins.
std::string BatchBinText(const std::vector<BinDefinition>& bins, const PartBin& bin);

// A colour per bin, light enough for black text, told apart at a glance;
// grey for none.
QColor BatchBinColour(int bin);

class BatchPartsTable : public QTableWidget {
  Q_OBJECT
 public:
  static constexpr const char* NearLimitMark = " (near limit)";

  explicit BatchPartsTable(QWidget* parent = nullptr);

  // `assigned` holds a bin per part, in the parts' order; `parameter` gets a
  // column of its own when it is not one of the main figures.
  void ShowParts(const std::vector<PartRecord>& parts, const std::vector<BinDefinition>& bins,
                 const BinCounts& assigned, const std::string& parameter);

  // The columns' parameter names, "" for number, kind and bin.
  const std::vector<std::string>& ColumnParameters() const { return columns_; }

 private:
  std::vector<std::string> columns_;
};

}  // namespace kvt
