#include "ui/batch_parts_table.h"

#include <QHeaderView>
#include <algorithm>

#include "analysis/parameter_report.h"

namespace kvt {

namespace {

// What tells the kinds apart at a glance: a diode's, LED's or zener's
// forward side, a zener's breakdown, a resistor's value.
const std::vector<std::string> MainFigures{"vf", "rd", "vbr", "resistance"};

QTableWidgetItem* Cell(const std::string& text) {
  auto* item = new QTableWidgetItem(QString::fromStdString(text));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

}  // namespace

std::string BatchFigureText(const PartRecord& part, const std::string& parameter) {
  const PartFigure* figure = part.Figure(parameter);
  const PartParameter* known = FindPartParameter(parameter);
  if (!figure || !figure->value || !known) return "-";
  return WithUncertainty(*figure->value, figure->uncertainty.value_or(0.0), known->unit);
}

std::string BatchBinText(const std::vector<BinDefinition>& bins, const PartBin& bin) {
  if (bins.empty()) return {};
  if (bin.bin < 0 || bin.bin >= static_cast<int>(bins.size())) return "none";
  return std::to_string(bin.bin + 1) + ": " + bins[static_cast<std::size_t>(bin.bin)].text;
}

QColor BatchBinColour(int bin) {
  static const QColor colours[] = {{150, 220, 150}, {150, 190, 240}, {210, 170, 230},
                                   {130, 215, 215}, {235, 165, 165}, {200, 220, 120}};
  if (bin < 0) return QColor(200, 200, 200);
  return colours[bin % 6];
}

BatchPartsTable::BatchPartsTable(QWidget* parent) : QTableWidget(parent) {
  setObjectName("BatchParts");
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  verticalHeader()->setVisible(false);
  // Rows as tight as the text: a batch of fifty parts should mostly be in view.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  horizontalHeader()->setStretchLastSection(true);
  ShowParts({}, {}, {}, "vf");
}

void BatchPartsTable::ShowParts(const std::vector<PartRecord>& parts, const std::vector<BinDefinition>& bins,
                                const BinCounts& assigned, const std::string& parameter) {
  columns_ = {"", ""};
  columns_.insert(columns_.end(), MainFigures.begin(), MainFigures.end());
  if (std::find(MainFigures.begin(), MainFigures.end(), parameter) == MainFigures.end()) columns_.push_back(parameter);
  columns_.push_back("");
  QStringList headers{"No.", "Kind"};
  for (std::size_t c = 2; c + 1 < columns_.size(); ++c) headers << QString::fromStdString(columns_[c]);
  headers << "Bin";

  setUpdatesEnabled(false);
  clearContents();
  setColumnCount(static_cast<int>(columns_.size()));
  setHorizontalHeaderLabels(headers);
  setRowCount(static_cast<int>(parts.size()));
  const int binColumn = static_cast<int>(columns_.size()) - 1;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    const PartRecord& part = parts[k];
    const int row = static_cast<int>(parts.size() - 1 - k);  // newest on top
    setItem(row, 0, Cell(std::to_string(part.number)));
    setItem(row, 1, Cell(part.component));
    for (int c = 2; c < binColumn; ++c)
      setItem(row, c, Cell(BatchFigureText(part, columns_[static_cast<std::size_t>(c)])));
    const PartBin bin = k < assigned.parts.size() ? assigned.parts[k] : PartBin{};
    QTableWidgetItem* binCell = Cell(BatchBinText(bins, bin) + (bin.nearLimit ? NearLimitMark : ""));
    if (!bins.empty()) binCell->setBackground(BatchBinColour(bin.bin));
    if (bin.nearLimit) {
      binCell->setBackground(QColor(255, 200, 90));
      binCell->setToolTip("Within its uncertainty of a limit of its bin: measured again, it may land in another.");
    }
    setItem(row, binColumn, binCell);
  }
  for (int c = 0; c < binColumn; ++c) resizeColumnToContents(c);
  setUpdatesEnabled(true);
  if (rowCount() > 0) scrollToTop();
}

}  // namespace kvt
