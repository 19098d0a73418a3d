#pragma once
// Beside a batch's parts: the running statistics of one parameter over them
// and how many parts each bin holds.
#include <QWidget>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "analysis/part_statistics.h"

class QFormLayout;
class QGroupBox;
class QLabel;

namespace kvt {

class BatchStatisticsPanel : public QWidget {
  Q_OBJECT
 public:
  explicit BatchStatisticsPanel(QWidget* parent = nullptr);

  void ShowStatistics(const std::string& parameter, const std::optional<ParameterSummary>& summary,
                      const std::vector<BinDefinition>& bins, const BinCounts& counts);

  // What a row shows: "count", "mean", "std", "min", "max", "p5" ... "p95".
  QString Shown(const std::string& row) const;
  // The bins' rows as shown, the parts no bin takes last ("none").
  std::vector<std::pair<QString, QString>> BinRows() const;

 private:
  QGroupBox* figures_ = nullptr;
  QGroupBox* binBox_ = nullptr;
  QFormLayout* binForm_ = nullptr;
  std::map<std::string, QLabel*> values_;
};

}  // namespace kvt
