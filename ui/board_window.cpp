#include "ui/board_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
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

#include "analysis/point_verdict.h"
#include "core/prompt.h"
#include "device/live_sweep.h"
#include "device/measuring_session.h"
#include "plot/image_surface.h"
#include "plot/plot_renderer.h"
#include "ui/board_cue.h"
#include "ui/board_photo_view.h"
#include "ui/board_store.h"

namespace kvt {

namespace {

const FileDialogRequest BoardFiles{"Board", {"Boards (*.kvtboard)", "All Files (*)"}, 0};

std::string Volts(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f V", v);
  return text;
}

std::string WrittenBy() { return std::string("kvt_win ") + KVT_VERSION; }

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
  button("&Add point", [this] { AddPoint(std::nullopt, std::nullopt); });
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

// ---- the board ----

void BoardWindow::NewBoard() {
  StopLive();
  board_ = Board{};
  board_.name = "Board";
  path_.clear();
  photoFile_.clear();
  modified_ = false;
  selected_ = -1;
  liveCurve_.reset();
  LoadPhoto();
  ShowBoard();
  verdict_->clear();
  SetStatus("Click on the photo to add a test point, or add points to the list.");
}

bool BoardWindow::OpenBoard(const std::string& path) {
  BoardLoad loaded = services_.store->Load(path);
  if (!loaded.board) {
    services_.prompt->Message(loaded.error, PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
    return false;
  }
  StopLive();
  board_ = std::move(*loaded.board);
  path_ = path;
  photoFile_ = board_.photoPath.empty()
                   ? std::string()
                   : QFileInfo(QFileInfo(QString::fromStdString(path)).dir(), QString::fromStdString(board_.photoPath))
                         .filePath()
                         .toStdString();
  modified_ = false;
  selected_ = board_.points.empty() ? -1 : 0;
  liveCurve_.reset();
  LoadPhoto();
  ShowBoard();
  verdict_->clear();
  if (selected_ >= 0) ShowVerdict(board_.points.front());
  DrawLivePlot();
  SetStatus("Opened " + path + ".");
  return true;
}

bool BoardWindow::OpenBoardAsked() {
  if (!MayDiscard()) return false;
  FileDialogRequest request = BoardFiles;
  request.title = "Open board";
  const std::string name = services_.prompt->OpenFileName(request);
  return !name.empty() && OpenBoard(name);
}

bool BoardWindow::Save() {
  if (path_.empty()) return SaveAs();
  // The photo's path as the file holds it: relative to the file's folder.
  if (!photoFile_.empty())
    board_.photoPath =
        QFileInfo(QString::fromStdString(path_)).dir().relativeFilePath(QString::fromStdString(photoFile_)).toStdString();
  board_.writtenBy = WrittenBy();
  const std::string error = services_.store->Save(path_, board_);
  if (!error.empty()) {
    services_.prompt->Message(error, PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
    return false;
  }
  modified_ = false;
  SetStatus("Saved " + path_ + ".");
  return true;
}

bool BoardWindow::SaveAs() {
  FileDialogRequest request = BoardFiles;
  request.title = "Save board as";
  std::string name = services_.prompt->SaveFileName(request);
  if (name.empty()) return false;
  if (QFileInfo(QString::fromStdString(name)).suffix().isEmpty()) name += ".kvtboard";
  const std::string before = path_;
  path_ = name;
  if (Save()) {
    setWindowTitle(QString::fromStdString("Board test - " + board_.name + " (" + path_ + ")"));
    return true;
  }
  path_ = before;
  return false;
}

bool BoardWindow::ChoosePhoto() {
  const std::string name =
      services_.prompt->OpenFileName({"Photo of the board", {"Pictures (*.png *.jpg *.jpeg *.bmp)", "All Files (*)"}, 0});
  if (name.empty()) return false;
  if (QPixmap(QString::fromStdString(name)).isNull()) {
    services_.prompt->Message(name + ": not a picture that can be read.", PromptIcon::Exclamation, PromptButtons::Ok,
                              PromptAnswer::Ok);
    return false;
  }
  photoFile_ = name;
  board_.photoPath = name;  // made relative when the board is saved
  modified_ = true;
  LoadPhoto();
  ShowBoard();
  return true;
}

bool BoardWindow::MayDiscard() {
  if (!modified_) return true;
  const PromptAnswer answer = services_.prompt->Message("The board has changes that are not saved. Save them?",
                                                        PromptIcon::Question, PromptButtons::YesNoCancel,
                                                        PromptAnswer::Yes);
  if (answer == PromptAnswer::Cancel) return false;
  return answer == PromptAnswer::No || Save();
}

void BoardWindow::LoadPhoto() {
  QPixmap photo;
  if (!photoFile_.empty()) {
    photo.load(QString::fromStdString(photoFile_));
    if (photo.isNull()) SetStatus(photoFile_ + ": the photo cannot be read; the points are listed without it.", true);
  }
  photo_->SetPhoto(photo);
  // Without a photo the list is the board.
  photo_->setVisible(!photo.isNull());
}

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

// ---- sessions ----

bool BoardWindow::Sweeping() const { return live_ && live_->Running(); }

int BoardWindow::PointCount() const { return pointsBox_->currentData().toInt(); }

void BoardWindow::SetPointCount(int count) {
  const int index = pointsBox_->findData(count);
  if (index >= 0) pointsBox_->setCurrentIndex(index);
}

void BoardWindow::SetMode(Mode mode) {
  StopLive();
  mode_ = mode;
  modeBox_->setCurrentIndex(static_cast<int>(mode));
  verdict_->clear();
  if (mode == Mode::Edit) {
    SetStatus("Live sweeping stopped.");
    return;
  }
  if (board_.points.empty()) {
    mode_ = Mode::Edit;
    modeBox_->setCurrentIndex(0);
    SetStatus("The board has no test points yet: add some first.", true);
    return;
  }
  if (mode == Mode::Test && CountPoints(board_).captured == 0) {
    mode_ = Mode::Edit;
    modeBox_->setCurrentIndex(0);
    SetStatus("No point has a known-good curve yet: capture the good board first.", true);
    return;
  }
  // Where the session goes on: the first point it still needs.
  const auto needed = [&](const TestPoint& p) {
    return mode == Mode::Capture ? !p.knownGood : (p.knownGood && !p.latest);
  };
  const auto first = std::find_if(board_.points.begin(), board_.points.end(), needed);
  // Another point can be chosen by hand once it runs.
  selected_ = first != board_.points.end() ? static_cast<int>(first - board_.points.begin()) : std::max(selected_, 0);
  watch_.Reset();
  leftCurve_.reset();
  armed_ = true;
  judged_ = false;
  ShowBoard();
  StartLive();
}

void BoardWindow::StartLive() {
  StopLive();
  live_ = std::make_unique<LiveSweep>(*services_.session, PointCount(), [this](const Curve& c) { OnSweep(c); });
  live_->Start();
  if (!live_->Running()) return;
  timer_->start();
  cancel_->setEnabled(true);
  const TestPoint& point = board_.points[static_cast<std::size_t>(selected_)];
  SetStatus(mode_ == Mode::Capture ? "Probe " + point.name + " on the good board."
                                   : "Probe " + point.name + " on the board under test.");
}

// The live sweep itself stays until the next start: this may run inside its
// tick, from the curve it hands on.
void BoardWindow::StopLive() {
  if (timer_) timer_->stop();
  if (live_) live_->Stop();  // 0 V on the output
  if (cancel_) cancel_->setEnabled(false);
}

void BoardWindow::Cancel() { SetMode(Mode::Edit); }

void BoardWindow::TickLive() {
  if (live_) live_->Tick();
}

void BoardWindow::EndSession(const std::string& why) {
  StopLive();
  mode_ = Mode::Edit;
  modeBox_->setCurrentIndex(0);
  SetStatus(why);
}

void BoardWindow::OnSweep(const Curve& sweep) {
  if (selected_ < 0) return;
  liveCurve_ = sweep;
  // The probe has left the point last stored once it reads open or
  // something else.
  if (!armed_) armed_ = IsOpenCircuit(sweep) || !leftCurve_ || !SweepsAgree(sweep, *leftCurve_);
  watch_.Add(sweep);
  DrawLivePlot();
  if (mode_ == Mode::Capture) OnCaptureSweep(sweep);
  if (mode_ == Mode::Test) OnTestSweep(sweep);
}

void BoardWindow::OnCaptureSweep(const Curve& sweep) {
  if (!armed_ || !watch_.Stable()) return;
  TestPoint& point = board_.points[static_cast<std::size_t>(selected_)];
  point.knownGood = sweep;
  point.knownGood->info.dateTime = LocalDateTimeNow();
  point.knownGood->info.source = services_.source;
  verdict_->setStyleSheet("color: rgb(0, 90, 220);");
  verdict_->setText(QString::fromStdString(point.name + " captured"));
  StoreResult();
  Advance();
}

void BoardWindow::OnTestSweep(const Curve& sweep) {
  TestPoint& point = board_.points[static_cast<std::size_t>(selected_)];
  if (judged_) {
    if (watch_.Lifted()) Advance();
    return;
  }
  if (!point.knownGood) {
    SetStatus(point.name + " has no known-good curve: Space goes on to the next point.", true);
    return;
  }
  if (!armed_ || !watch_.Stable()) return;
  const auto options = ToleranceOptions(ToleranceOf(board_, point));
  if (!options) {
    SetStatus(point.name + ": the tolerance \"" + ToleranceOf(board_, point) + "\" is not auto, a percentage or VOLTS,AMPS.",
              true);
    return;
  }
  PointTest result = JudgePoint(sweep, *point.knownGood, *options);
  result.curve.info.dateTime = result.dateTime = LocalDateTimeNow();
  result.curve.info.source = services_.source;
  point.latest = result;
  judged_ = true;
  ShowVerdict(point);
  StoreResult();
  services_.cue(result.verdict == PointVerdict::Pass);
  SetStatus("Lift the probe (or press Space) for the next point.");
}

void BoardWindow::Next() {
  if (mode_ == Mode::Capture && selected_ >= 0 && liveCurve_) {
    // By hand: the point as it reads now, open or not.
    TestPoint& point = board_.points[static_cast<std::size_t>(selected_)];
    point.knownGood = *liveCurve_;
    point.knownGood->info.dateTime = LocalDateTimeNow();
    point.knownGood->info.source = services_.source;
    StoreResult();
  }
  if (mode_ != Mode::Edit) Advance();
}

void BoardWindow::Advance() {
  const int count = static_cast<int>(board_.points.size());
  const auto needed = [&](int i) {
    const TestPoint& p = board_.points[static_cast<std::size_t>(i)];
    return mode_ == Mode::Capture ? !p.knownGood : static_cast<bool>(p.knownGood);
  };
  int next = -1;
  for (int i = selected_ + 1; i < count && next < 0; ++i)
    if (needed(i)) next = i;
  // Capture goes round to points skipped before; a test ends with the last.
  if (next < 0 && mode_ == Mode::Capture)
    for (int i = 0; i < selected_ && next < 0; ++i)
      if (needed(i)) next = i;
  leftCurve_ = watch_.Latest();
  armed_ = !leftCurve_;
  watch_.Reset();
  judged_ = false;
  if (next < 0) {
    const BoardCounts counts = CountPoints(board_);
    EndSession(mode_ == Mode::Capture
                   ? "Every point is captured."
                   : "Test done: " + std::to_string(counts.failed) + " of " + std::to_string(counts.tested) +
                         " points failed.");
    ShowBoard();
    return;
  }
  selected_ = next;
  ShowBoard();
  const TestPoint& point = board_.points[static_cast<std::size_t>(selected_)];
  SetStatus(mode_ == Mode::Capture ? "Probe " + point.name + " on the good board."
                                   : "Probe " + point.name + " on the board under test.");
}

void BoardWindow::StoreResult() {
  modified_ = true;
  ShowBoard();
  if (path_.empty()) {
    SetStatus("Kept in the window; the board has no file yet (Save As).");
    return;
  }
  board_.writtenBy = WrittenBy();
  if (const std::string error = services_.store->Save(path_, board_); !error.empty()) {
    SetStatus("Not saved: " + error, true);
    return;
  }
  modified_ = false;
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
