#include "ui/parameters_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace kvt {

ParametersWindow::ParametersWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Parameters");
  setWindowTitle("Parameters");
  table_ = new QTableWidget(this);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  close_ = new QPushButton("&Close", this);
  close_->setObjectName("Close");
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
  for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
    connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);

  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(6, 6, 6, 6);
  buttons->addStretch();
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(table_);
  layout->addLayout(buttons);
}

void ParametersWindow::Show(const std::vector<ParameterColumn>& columns) {
  // Curves of different parts give different rows (a fit or not): one row
  // per label, in the order the labels first come, each curve's value in it.
  std::vector<std::string> labels;
  for (const ParameterColumn& column : columns)
    for (const ParameterRow& row : column.rows)
      if (std::find(labels.begin(), labels.end(), row.label) == labels.end()) labels.push_back(row.label);
  table_->clear();
  table_->setRowCount(static_cast<int>(labels.size()));
  table_->setColumnCount(static_cast<int>(columns.size()));
  QStringList headers;
  for (const ParameterColumn& column : columns) headers << QString::fromStdString(column.title);
  table_->setHorizontalHeaderLabels(headers);
  QStringList rowNames;
  for (const std::string& label : labels) rowNames << QString::fromStdString(label);
  table_->setVerticalHeaderLabels(rowNames);
  for (std::size_t c = 0; c < columns.size(); ++c)
    for (const ParameterRow& row : columns[c].rows) {
      const auto r = std::find(labels.begin(), labels.end(), row.label) - labels.begin();
      auto* item = new QTableWidgetItem(QString::fromStdString(row.value));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      table_->setItem(static_cast<int>(r), static_cast<int>(c), item);
    }
  // The window takes the table's size, so no empty space and no scrolling.
  // Header sizes come from their hints: before the first show the headers
  // have no geometry yet.
  table_->resizeColumnsToContents();
  table_->resizeRowsToContents();
  int width = table_->verticalHeader()->sizeHint().width() + 2 * table_->frameWidth() + 2;
  for (int c = 0; c < table_->columnCount(); ++c) width += table_->columnWidth(c);
  int height = table_->horizontalHeader()->sizeHint().height() + 2 * table_->frameWidth() + 2;
  for (int r = 0; r < table_->rowCount(); ++r) height += table_->rowHeight(r);
  const QSize buttons = layout()->itemAt(1)->sizeHint();
  resize(std::max(width, buttons.width()), height + buttons.height());
}

}  // namespace kvt
