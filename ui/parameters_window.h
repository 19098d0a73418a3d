#pragma once
// "Parameters": the figures of the measured curve and of each reference,
// side by side, one row per figure. Not modal; it follows the plot. Close,
// Escape or Ctrl+W close it, also where no window manager gives it a frame.
#include <QWidget>
#include <string>
#include <vector>

#include "analysis/parameter_report.h"

class QPushButton;
class QTableWidget;

namespace kvt {

struct ParameterColumn {
  std::string title;  // "measured" or the reference's file name
  std::vector<ParameterRow> rows;
};

class ParametersWindow : public QWidget {
  Q_OBJECT
 public:
  explicit ParametersWindow(QWidget* parent = nullptr);

  void Show(const std::vector<ParameterColumn>& columns);
  QTableWidget* Table() const { return table_; }
  QPushButton* CloseButton() const { return close_; }

 private:
  QTableWidget* table_ = nullptr;
  QPushButton* close_ = nullptr;
};

}  // namespace kvt
