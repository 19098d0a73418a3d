// The board window's test points: added, moved, renamed, removed, chosen,
// and listed beside the photo with their state.
#include <QColor>
#include <QListWidget>
#include <algorithm>
#include <cstdio>

#include "ui/board_photo_view.h"
#include "ui/board_window.h"

namespace kvt {

int BoardWindow::AddPoint(std::optional<double> x, std::optional<double> y) {
  int n = static_cast<int>(board_.points.size()) + 1;
  const auto taken = [this](const std::string& name) {
    return std::any_of(board_.points.begin(), board_.points.end(),
                       [&](const TestPoint& p) { return p.name == name; });
  };
  while (taken("P" + std::to_string(n))) ++n;
  TestPoint point;
  point.name = "P" + std::to_string(n);
  point.x = x;
  point.y = y;
  board_.points.push_back(point);
  modified_ = true;
  selected_ = static_cast<int>(board_.points.size()) - 1;
  ShowBoard();
  return selected_;
}

void BoardWindow::PlaceOnPhoto() {
  if (photo_->HasPhoto()) {
    const QSize size = photo_->PhotoSize();
    PlaceUnplacedPoints(board_, size.width(), size.height());
  }
  ShowBoard();
}

void BoardWindow::RemoveSelectedPoint() {
  if (selected_ < 0 || selected_ >= static_cast<int>(board_.points.size())) return;
  board_.points.erase(board_.points.begin() + selected_);
  modified_ = true;
  selected_ = std::min(selected_, static_cast<int>(board_.points.size()) - 1);
  watch_.Reset();
  ShowBoard();
}

void BoardWindow::RenamePoint(int index, const std::string& name) {
  if (index < 0 || index >= static_cast<int>(board_.points.size())) return;
  const bool taken = std::any_of(board_.points.begin(), board_.points.end(), [&](const TestPoint& p) {
    return &p != &board_.points[static_cast<std::size_t>(index)] && p.name == name;
  });
  if (name.empty() || taken) {
    SetStatus(name.empty() ? "A test point needs a name." : "There is a test point \"" + name + "\" already.", true);
  } else if (board_.points[static_cast<std::size_t>(index)].name != name) {
    board_.points[static_cast<std::size_t>(index)].name = name;
    modified_ = true;
  }
  ShowBoard();
}

void BoardWindow::MovePoint(int index, double x, double y) {
  if (index < 0 || index >= static_cast<int>(board_.points.size())) return;
  TestPoint& point = board_.points[static_cast<std::size_t>(index)];
  point.x = x;
  point.y = y;
  modified_ = true;
  photo_->update();
}

void BoardWindow::Select(int index) {
  if (index < -1 || index >= static_cast<int>(board_.points.size())) return;
  if (index != selected_) {
    // A point chosen by hand is probed from now on; whatever the probe
    // rests on may still be the last one.
    leftCurve_ = watch_.Latest();
    armed_ = !leftCurve_;
    watch_.Reset();
    judged_ = false;
  }
  selected_ = index;
  ShowBoard();
  if (selected_ >= 0) ShowVerdict(board_.points[static_cast<std::size_t>(selected_)]);
  DrawLivePlot();
}

std::string BoardWindow::PointLine(const TestPoint& point) const {
  std::string line = point.name;
  if (point.latest && point.latest->verdict != PointVerdict::Untested) {
    char score[16];
    std::snprintf(score, sizeof score, "%.1f", point.latest->score);
    line += std::string("  ") + (point.latest->verdict == PointVerdict::Pass ? "pass " : "FAIL ") + score;
  } else if (point.knownGood) {
    line += "  captured";
  }
  return line;
}

void BoardWindow::ShowBoard() {
  filling_ = true;
  list_->clear();
  for (const TestPoint& point : board_.points) {
    auto* item = new QListWidgetItem(QString::fromStdString(PointLine(point)), list_);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    if (point.latest && point.latest->verdict == PointVerdict::Fail) item->setForeground(QColor(200, 0, 0));
    if (point.latest && point.latest->verdict == PointVerdict::Pass) item->setForeground(QColor(0, 140, 0));
  }
  list_->setCurrentRow(selected_);
  filling_ = false;
  photo_->SetBoard(&board_, selected_);
  setWindowTitle(QString::fromStdString("Board test - " + board_.name + (path_.empty() ? "" : " (" + path_ + ")")));
}

}  // namespace kvt
