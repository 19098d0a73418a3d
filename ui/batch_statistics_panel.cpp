#include "ui/batch_statistics_panel.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "analysis/parameter_report.h"
#include "analysis/part_figures.h"

namespace kvt {

namespace {

const std::pair<const char*, const char*> Rows[] = {
    {"count", "Count"}, {"mean", "Mean"},  {"std", "Std. deviation"}, {"min", "Minimum"},
    {"max", "Maximum"}, {"p5", "5 %"},     {"p25", "25 %"},          {"p50", "Median"},
    {"p75", "75 %"},    {"p95", "95 %"},
};

}  // namespace

BatchStatisticsPanel::BatchStatisticsPanel(QWidget* parent) : QWidget(parent) {
  setObjectName("BatchStatistics");
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  figures_ = new QGroupBox(this);
  auto* form = new QFormLayout(figures_);
  for (const auto& [key, caption] : Rows) {
    auto* value = new QLabel(figures_);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(caption, value);
    values_[key] = value;
  }
  column->addWidget(figures_);
  binBox_ = new QGroupBox("Bins", this);
  binForm_ = new QFormLayout(binBox_);
  column->addWidget(binBox_);
  column->addStretch(1);
  ShowStatistics("vf", std::nullopt, {}, {});
}

void BatchStatisticsPanel::ShowStatistics(const std::string& parameter, const std::optional<ParameterSummary>& summary,
                                          const std::vector<BinDefinition>& bins, const BinCounts& counts) {
  const PartParameter* known = FindPartParameter(parameter);
  const char* unit = known ? known->unit : "";
  figures_->setTitle(QString::fromStdString(parameter + " over the batch"));
  for (auto& [key, label] : values_) label->setText("-");
  if (summary) {
    const auto set = [&](const char* key, double value) {
      values_[key]->setText(QString::fromStdString(WithUnit(value, unit)));
    };
    std::string count = std::to_string(summary->count);
    if (summary->missing > 0) count += " (" + std::to_string(summary->missing) + " without)";
    values_["count"]->setText(QString::fromStdString(count));
    set("mean", summary->mean);
    set("std", summary->std);
    set("min", summary->min);
    set("max", summary->max);
    set("p5", summary->p5);
    set("p25", summary->p25);
    set("p50", summary->p50);
    set("p75", summary->p75);
    set("p95", summary->p95);
  }

  while (binForm_->rowCount() > 0) binForm_->removeRow(0);
  binBox_->setVisible(!bins.empty());
  for (std::size_t b = 0; b < bins.size(); ++b) {
    const int count = b < counts.counts.size() ? counts.counts[b] : 0;
    binForm_->addRow(QString::fromStdString(std::to_string(b + 1) + ": " + bins[b].text),
                     new QLabel(QString::number(count), binBox_));
  }
  if (!bins.empty()) binForm_->addRow("none", new QLabel(QString::number(counts.unbinned), binBox_));
}

QString BatchStatisticsPanel::Shown(const std::string& row) const {
  const auto found = values_.find(row);
  return found == values_.end() ? QString() : found->second->text();
}

std::vector<std::pair<QString, QString>> BatchStatisticsPanel::BinRows() const {
  std::vector<std::pair<QString, QString>> rows;
  for (int r = 0; r < binForm_->rowCount(); ++r) {
    const auto* name = qobject_cast<QLabel*>(binForm_->itemAt(r, QFormLayout::LabelRole)->widget());
    const auto* count = qobject_cast<QLabel*>(binForm_->itemAt(r, QFormLayout::FieldRole)->widget());
    rows.emplace_back(name ? name->text() : QString(), count ? count->text() : QString());
  }
  return rows;
}

}  // namespace kvt
