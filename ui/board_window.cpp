// The board window's controls, the verdict and the live plot they show, and
// the keys and closing that end a session. Its boards, points and sessions
// are in board_window_files.cpp, _points.cpp and _session.cpp.
#include "ui/board_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "device/live_sweep.h"
#include "plot/image_surface.h"
#include "plot/plot_renderer.h"
#include "ui/board_cue.h"
#include "ui/board_photo_view.h"

namespace kvt {

namespace {

std::string Volts(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f V", v);
  return text;
}

std::string VerdictText(const PointTest& test) {
  char score[32];
  std::snprintf(score, sizeof score, "%.1f", test.score);
  std::string text = std::string(test.verdict == PointVerdict::Pass ? "PASS" : "FAIL") + "  score " + score;
  if (test.differsFromVolts && test.differsToVolts)
    text += "  differs " + Volts(*test.differsFromVolts) + " ... " + Volts(*test.differsToVolts);
  return text;
}

}  // namespace

BoardWindow::BoardWindow(BoardWindowServices services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(std::move(services)) {
  setObjectName("BoardWindow");
  setAttribute(Qt::WA_DeleteOnClose, false);
  if (!services_.cue) {
    ownCue_ = std::make_unique<BoardCue>();
    services_.cue = [cue = ownCue_.get()](bool pass) { cue->Play(pass); };
  }
  BuildControls();
  NewBoard();
}

BoardWindow::~BoardWindow() { StopLive(); }

void BoardWindow::BuildControls() {
  resize(1000, 680);
  auto* outer = new QVBoxLayout(this);

  auto* bar = new QHBoxLayout;
  const auto button = [this, bar](const char* caption, auto slot) {
    auto* b = new QPushButton(caption, this);
    b->setFocusPolicy(Qt::NoFocus);  // Space stays "next"
    connect(b, &QPushButton::clicked, this, slot);
    bar->addWidget(b);
    return b;
  };
  button("&New", [this] {
    if (MayDiscard()) NewBoard();
  });
  button("&Open...", [this] { OpenBoardAsked(); });
  button("&Save", [this] { Save(); });
  button("Save &As...", [this] { SaveAs(); });
  button("&Photo...", [this] { ChoosePhoto(); });
  bar->addSpacing(16);
  button("&Add point", [this] {
    AddPoint(std::nullopt, std::nullopt);
    PlaceOnPhoto();
  });
  button("&Delete point", [this] { RemoveSelectedPoint(); });
  bar->addStretch(1);
  auto* modeLabel = new QLabel("&Mode:", this);
  modeBox_ = new QComboBox(this);
  modeBox_->addItems({"Edit", "Capture (good board)", "Test (suspect board)"});
  modeBox_->setFocusPolicy(Qt::NoFocus);
  modeLabel->setBuddy(modeBox_);
  connect(modeBox_, &QComboBox::activated, this, [this](int index) { SetMode(static_cast<Mode>(index)); });
  bar->addWidget(modeLabel);
  bar->addWidget(modeBox_);
  auto* pointsLabel = new QLabel("Poi&nts:", this);
  pointsBox_ = new QComboBox(this);
  for (int n = 32; n <= 1024; n *= 2) pointsBox_->addItem(QString::number(n), n);
  pointsBox_->setCurrentIndex(pointsBox_->findData(DefaultPointCount));
  pointsBox_->setFocusPolicy(Qt::NoFocus);
  pointsLabel->setBuddy(pointsBox_);
  connect(pointsBox_, &QComboBox::activated, this, [this] {
    if (Sweeping()) StartLive();
  });
  bar->addWidget(pointsLabel);
  bar->addWidget(pointsBox_);
  cancel_ = button("Cancel", [this] { Cancel(); });
  cancel_->setEnabled(false);
  outer->addLayout(bar);

  auto* split = new QSplitter(Qt::Horizontal, this);
  photo_ = new BoardPhotoView(split);
  connect(photo_, &BoardPhotoView::AddRequested, this, [this](double x, double y) { AddPoint(x, y); });
  connect(photo_, &BoardPhotoView::PointPressed, this, [this](int index) { Select(index); });
  connect(photo_, &BoardPhotoView::PointMoved, this, [this](int index, double x, double y) { MovePoint(index, x, y); });
  auto* side = new QWidget(split);
  auto* column = new QVBoxLayout(side);
  column->setContentsMargins(0, 0, 0, 0);
  list_ = new QListWidget(side);
  list_->setObjectName("BoardPoints");
  list_->setFocusPolicy(Qt::ClickFocus);
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!filling_ && row >= 0) Select(row);
  });
  connect(list_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    if (!filling_) RenamePoint(list_->row(item), item->text().section("  ", 0, 0).trimmed().toStdString());
  });
  column->addWidget(list_, 2);
  plot_ = new QLabel(side);
  plot_->setMinimumSize(260, 200);
  plot_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  column->addWidget(plot_, 3);
  split->addWidget(photo_);
  split->addWidget(side);
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 2);
  outer->addWidget(split, 1);

  verdict_ = new QLabel(this);
  verdict_->setObjectName("BoardVerdict");
  verdict_->setAlignment(Qt::AlignCenter);
  verdict_->setMinimumHeight(60);
  outer->addWidget(verdict_);
  status_ = new QLabel(this);
  status_->setWordWrap(true);
  outer->addWidget(status_);

  // A shortcut rather than a key press: the list must not take the key first,
  // while a name being edited still gets its spaces.
  auto* next = new QShortcut(QKeySequence(Qt::Key_Space), this);
  next->setContext(Qt::WindowShortcut);
  connect(next, &QShortcut::activated, this, &BoardWindow::Next);

  timer_ = new QTimer(this);
  timer_->setObjectName("LiveTimer");
  timer_->setInterval(0);  // one point per turn of the event loop
  connect(timer_, &QTimer::timeout, this, &BoardWindow::TickLive);
}

// Big enough to read from the bench, and growing with the window.
void BoardWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  QFont font = verdict_->font();
  font.setBold(true);
  font.setPixelSize(std::max(22, height() / 18));
  verdict_->setFont(font);
  verdict_->setMinimumHeight(font.pixelSize() * 2);
  DrawLivePlot();
}

void BoardWindow::ShowVerdict(const TestPoint& point) {
  if (!point.latest || point.latest->verdict == PointVerdict::Untested) {
    verdict_->clear();
    return;
  }
  const bool pass = point.latest->verdict == PointVerdict::Pass;
  verdict_->setStyleSheet(pass ? "color: white; background: rgb(0, 150, 0);" : "color: white; background: rgb(210, 0, 0);");
  verdict_->setText(QString::fromStdString(point.name + "  " + VerdictText(*point.latest)));
}

void BoardWindow::DrawLivePlot() {
  if (!plot_ || plot_->width() < 40 || plot_->height() < 40) return;
  ImageSurface surface(plot_->size());
  surface.SetFont(plot_->font());
  std::vector<ReferenceCurve> references;
  static const Curve none;
  const Curve* shown = liveCurve_ ? &*liveCurve_ : &none;
  if (selected_ >= 0 && selected_ < static_cast<int>(board_.points.size())) {
    const TestPoint& point = board_.points[static_cast<std::size_t>(selected_)];
    if (point.knownGood) references.push_back({"known good", PairsOf(*point.knownGood), ReferenceColour(0), 2});
    // Until the probe gives a curve, the point's latest test beside its
    // known-good one, as its verdict was made.
    if (!liveCurve_ && point.latest) shown = &point.latest->curve;
  }
  kvt::DrawPlot(surface, services_.plot, *shown, QLocale().decimalPoint().toStdString(), references);
  plot_->setPixmap(QPixmap::fromImage(surface.Image()));
}

void BoardWindow::SetStatus(const std::string& text, bool problem) {
  status_->setStyleSheet(problem ? "color: rgb(200, 0, 0);" : "");
  status_->setText(QString::fromStdString(text));
}

void BoardWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && Sweeping()) {
    Cancel();
    return;
  }
  QWidget::keyPressEvent(event);
}

void BoardWindow::closeEvent(QCloseEvent* event) {
  StopLive();
  mode_ = Mode::Edit;
  modeBox_->setCurrentIndex(0);
  if (!MayDiscard()) {
    event->ignore();
    return;
  }
  event->accept();
}

}  // namespace kvt
