#include "ui/batch_capture_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "core/atomic_write.h"
#include "core/prompt.h"
#include "device/live_sweep.h"
#include "device/measuring_session.h"
#include "files/points_file.h"
#include "plot/image_surface.h"
#include "plot/plot_renderer.h"
#include "ui/batch_parts_table.h"
#include "ui/batch_statistics_panel.h"

namespace kvt {

namespace {

std::string Trimmed(const QString& text) { return text.trimmed().toStdString(); }

// "LED, red, 5 mm": the tags, trimmed; empty when none, nothing when refused.
std::optional<std::vector<std::string>> ReadTags(const QString& text, std::string& error) {
  std::vector<std::string> tags;
  for (const QString& piece : text.split(',')) {
    const std::string tag = Trimmed(piece);
    if (tag.empty()) continue;
    if (std::find(tags.begin(), tags.end(), tag) != tags.end()) {
      error = "The tag \"" + tag + "\" is given twice.";
      return std::nullopt;
    }
    tags.push_back(tag);
  }
  return tags;
}

}  // namespace

BatchCaptureWindow::BatchCaptureWindow(BatchCaptureServices services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(std::move(services)) {
  setObjectName("BatchCaptureWindow");
  setWindowTitle("Batch capture");
  BuildControls();
  ShowBatch();
  SetStatus("Choose the library, lot and bins, then Start and probe the parts one after another.");
}

BatchCaptureWindow::~BatchCaptureWindow() {
  StopLive();
  if (storeThread_.joinable()) storeThread_.join();
  // A field losing its focus as the children go would call back into a
  // window whose members are gone.
  for (QObject* field : std::initializer_list<QObject*>{binsEdit_, parameter_}) field->disconnect(this);
}

void BatchCaptureWindow::BuildControls() {
  resize(1000, 680);
  auto* outer = new QVBoxLayout(this);

  auto* fields = new QGridLayout;
  const auto labelled = [this, fields](const char* caption, QWidget* field, int row, int column, int span = 1) {
    auto* label = new QLabel(caption, this);
    label->setBuddy(field);
    fields->addWidget(label, row, column);
    fields->addWidget(field, row, column + 1, 1, span);
  };
  libraryEdit_ = new QLineEdit(QString::fromLatin1(DefaultLibrary), this);
  libraryEdit_->setPlaceholderText("parts.sqlite or postgresql://user@host/database");
  libraryEdit_->setToolTip("A parts library file (made when missing), or a postgresql:// URL of a shared server.");
  labelled("&Library:", libraryEdit_, 0, 0, 3);
  browse_ = new QPushButton("&Browse...", this);
  connect(browse_, &QPushButton::clicked, this, [this] { ChooseLibraryFile(); });
  fields->addWidget(browse_, 0, 4);
  lot_ = new QLineEdit(this);
  lot_->setPlaceholderText("none");
  labelled("L&ot:", lot_, 1, 0);
  tags_ = new QLineEdit(this);
  tags_->setPlaceholderText("comma-separated, e.g. LED, red");
  labelled("&Tags:", tags_, 1, 2, 2);
  binsEdit_ = new QLineEdit(this);
  binsEdit_->setPlaceholderText("e.g. vf<0.6; 0.6<=vf<0.62; vf>=0.62");
  binsEdit_->setToolTip("Bins separated by \";\", each limits joined by \",\"; a part goes into the first it fits.");
  connect(binsEdit_, &QLineEdit::editingFinished, this, [this] { SetBins(Trimmed(binsEdit_->text())); });
  labelled("B&ins:", binsEdit_, 2, 0, 3);
  binsError_ = new QLabel(this);
  binsError_->setObjectName("BinsError");
  binsError_->setStyleSheet("color: rgb(200, 0, 0);");
  binsError_->setWordWrap(true);
  binsError_->hide();
  fields->addWidget(binsError_, 3, 1, 1, 4);
  fields->setColumnStretch(1, 1);
  fields->setColumnStretch(3, 2);
  outer->addLayout(fields);

  auto* bar = new QHBoxLayout;
  const auto barLabel = [this, bar](const char* caption, QWidget* field) {
    auto* label = new QLabel(caption, this);
    label->setBuddy(field);
    bar->addWidget(label);
    bar->addWidget(field);
  };
  parameter_ = new QComboBox(this);
  for (const PartParameter& p : AllPartParameters()) parameter_->addItem(p.name);
  connect(parameter_, &QComboBox::currentIndexChanged, this, [this] { ShowBatch(); });
  barLabel("&Statistics of:", parameter_);
  bar->addSpacing(16);
  pointsBox_ = new QComboBox(this);
  for (int n = 32; n <= 1024; n *= 2) pointsBox_->addItem(QString::number(n), n);
  pointsBox_->setCurrentIndex(pointsBox_->findData(DefaultPointCount));
  barLabel("&Points:", pointsBox_);
  bar->addStretch(1);
  start_ = new QPushButton("St&art", this);
  stop_ = new QPushButton("Sto&p", this);
  stop_->setEnabled(false);
  connect(start_, &QPushButton::clicked, this, [this] { Start(); });
  connect(stop_, &QPushButton::clicked, this, [this] { Stop(); });
  bar->addWidget(start_);
  bar->addWidget(stop_);
  outer->addLayout(bar);

  auto* split = new QSplitter(Qt::Horizontal, this);
  auto* left = new QWidget(split);
  auto* leftColumn = new QVBoxLayout(left);
  leftColumn->setContentsMargins(0, 0, 0, 0);
  count_ = new QLabel(left);
  leftColumn->addWidget(count_);
  table_ = new BatchPartsTable(left);
  leftColumn->addWidget(table_, 1);
  auto* side = new QWidget(split);
  auto* sideColumn = new QVBoxLayout(side);
  sideColumn->setContentsMargins(0, 0, 0, 0);
  plot_ = new QLabel(side);
  plot_->setObjectName("BatchLivePlot");
  plot_->setMinimumSize(240, 180);
  plot_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  plot_->installEventFilter(this);  // drawn anew at its own size, once laid out
  sideColumn->addWidget(plot_, 2);
  statistics_ = new BatchStatisticsPanel(side);
  sideColumn->addWidget(statistics_, 3);
  split->addWidget(left);
  split->addWidget(side);
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 2);
  outer->addWidget(split, 1);

  part_ = new QLabel(this);
  part_->setObjectName("BatchPart");
  part_->setAlignment(Qt::AlignCenter);
  part_->setMinimumHeight(48);
  outer->addWidget(part_);

  failureBar_ = new QWidget(this);
  failureBar_->setObjectName("BatchFailure");
  auto* failureRow = new QHBoxLayout(failureBar_);
  failureRow->setContentsMargins(0, 0, 0, 0);
  failure_ = new QLabel(failureBar_);
  failure_->setWordWrap(true);
  failure_->setStyleSheet("color: white; background: rgb(190, 0, 0); padding: 6px;");
  failureRow->addWidget(failure_, 1);
  auto* retry = new QPushButton("&Retry store", failureBar_);
  connect(retry, &QPushButton::clicked, this, [this] { RetryStore(); });
  failureRow->addWidget(retry);
  auto* save = new QPushButton("Sa&ve curves...", failureBar_);
  connect(save, &QPushButton::clicked, this, [this] { SaveUnstored(); });
  failureRow->addWidget(save);
  failureBar_->hide();
  outer->addWidget(failureBar_);

  status_ = new QLabel(this);
  status_->setWordWrap(true);
  outer->addWidget(status_);

  timer_ = new QTimer(this);
  timer_->setObjectName("LiveTimer");
  timer_->setInterval(0);  // one point per turn of the event loop
  connect(timer_, &QTimer::timeout, this, &BatchCaptureWindow::TickLive);
}

void BatchCaptureWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FitPartFont();
}

bool BatchCaptureWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == plot_ && event->type() == QEvent::Resize) DrawLivePlot();
  return QWidget::eventFilter(watched, event);
}

// Big enough to read from the bench, growing with the window, yet the whole
// line in view.
void BatchCaptureWindow::FitPartFont() {
  QFont font = part_->font();
  font.setBold(true);
  int pixels = std::max(18, height() / 26);
  const int room = std::max(100, width() - 40);
  for (font.setPixelSize(pixels); pixels > 11 && QFontMetrics(font).horizontalAdvance(part_->text()) > room;)
    font.setPixelSize(--pixels);
  part_->setFont(font);
  part_->setMinimumHeight(std::max(18, height() / 26) * 2);
}

// ---- fields ----

bool BatchCaptureWindow::ChooseLibraryFile() {
  std::string name = services_.prompt->SaveFileName(
      {"Parts library", {"Parts libraries (*.sqlite *.db)", "All Files (*)"}, 0, Trimmed(libraryEdit_->text())});
  if (name.empty()) return false;
  const QFileInfo file(QString::fromStdString(name));
  if (!file.exists() && file.suffix().isEmpty()) name += ".sqlite";
  libraryEdit_->setText(QString::fromStdString(name));
  return true;
}

void BatchCaptureWindow::SetBins(const std::string& text) {
  if (binsEdit_->text().toStdString() != text) binsEdit_->setText(QString::fromStdString(text));
  std::string error;
  bins_.clear();
  if (!text.empty()) {
    if (auto read = ParseBins(text, &error)) bins_ = std::move(*read);
  }
  binsError_->setText(QString::fromStdString("Bins not taken: " + error));
  binsError_->setVisible(!error.empty());
  ShowBatch();
}

std::string BatchCaptureWindow::Parameter() const { return parameter_->currentText().toStdString(); }

int BatchCaptureWindow::PointCount() const { return pointsBox_->currentData().toInt(); }

void BatchCaptureWindow::SetPointCount(int count) {
  const int index = pointsBox_->findData(count);
  if (index >= 0) pointsBox_->setCurrentIndex(index);
}

// ---- sweeping ----

bool BatchCaptureWindow::Sweeping() const { return live_ && live_->Running(); }

bool BatchCaptureWindow::Start() {
  if (Sweeping()) return true;
  const std::string libraryText = Trimmed(libraryEdit_->text());
  if (libraryText.empty()) {
    SetStatus("Name a parts library first: a file, or a postgresql:// URL.", true);
    return false;
  }
  std::string error;
  const auto tags = ReadTags(tags_->text(), error);
  if (!tags) {
    SetStatus(error, true);
    return false;
  }
  SetBins(Trimmed(binsEdit_->text()));
  if (!binsError_->isHidden()) {
    SetStatus("Correct the bins, or clear them, before starting.", true);
    return false;
  }
  if (const auto& problem = services_.session->Instrument().PortProblem()) {
    SetStatus("The instrument cannot be reached: " + *problem, true);
    return false;
  }
  const LocationRead location = ReadLibraryLocation(libraryText);
  if (!location.error.empty()) {
    SetStatus("The library cannot be used: " + location.error, true);
    return false;
  }
  const std::string lot = Trimmed(lot_->text());
  const std::string batch = location.location.text + "\n" + lot;
  if (batch != batchOf_) {
    // Parts of the last batch go into its own library and lot, or to files.
    WaitForStore();
    if (!pending_.empty()) {
      SetStatus("Parts of the last batch are not stored yet: retry, or save their curves, before another library "
                "or lot.",
                true);
      return false;
    }
  }
  // A library file this window has written to and that has gone since is
  // not made anew: its parts would be numbered from 1 again.
  const bool known = parts_.IsOpen() && parts_.Location().text == location.location.text;
  BatchLibrary library;
  // A server that does not answer takes its connect timeout to say so:
  // the user sees what is being waited for.
  SetStatus("Opening " + location.location.text + " ...");
  status_->repaint();
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const std::string refused =
      library.Open(libraryText, known ? PartsLibrary::Missing::Refuse : PartsLibrary::Missing::Create);
  QGuiApplication::restoreOverrideCursor();
  if (!refused.empty()) {
    SetStatus("The library cannot be used: " + refused, true);
    return false;
  }
  if (batch != batchOf_) {
    stored_.clear();
    batchOf_ = batch;
  }
  parts_ = library;  // a store under way has its own copy
  batchLot_ = lot.empty() ? std::nullopt : std::optional<std::string>(lot);
  batchTags_ = *tags;
  ShowBatch();

  if (services_.claimInstrument) services_.claimInstrument();
  StopLive();
  flow_.Reset();
  taken_.reset();
  live_ = std::make_unique<LiveSweep>(*services_.session, PointCount(), [this](const Curve& c) { OnSweep(c); });
  live_->Start();
  if (!live_->Running()) {
    SetStatus("Live sweeping cannot start with " + std::to_string(PointCount()) + " points.", true);
    return false;
  }
  timer_->start();
  SetRunning(true);
  SetStatus(stored_.empty() ? "Probe the first part." : "Probe the next part.");
  return true;
}

void BatchCaptureWindow::Stop() {
  const bool was = Sweeping();
  StopLive();
  SetRunning(false);
  if (flow_.Release() && taken_) {
    NewPart part = std::move(*taken_);
    taken_.reset();
    Keep(std::move(part));
  }
  taken_.reset();
  if (was) SetStatus("Live sweeping stopped.");
}

// The live sweep itself stays until the next start: this may run inside its
// tick, from the curve it hands on.
void BatchCaptureWindow::StopLive() {
  if (timer_) timer_->stop();
  if (live_) live_->Stop();  // 0 V on the output
}

void BatchCaptureWindow::SetRunning(bool running) {
  start_->setEnabled(!running);
  stop_->setEnabled(running);
  // What the parts are stored as stays as it was started.
  for (QWidget* field : std::initializer_list<QWidget*>{libraryEdit_, browse_, lot_, tags_, pointsBox_})
    field->setEnabled(!running);
}

void BatchCaptureWindow::TickLive() {
  if (live_) live_->Tick();
}

void BatchCaptureWindow::OnSweep(const Curve& sweep) {
  liveCurve_ = sweep;
  const BatchStep step = flow_.Add(sweep);
  if (step.kind == BatchStep::Kind::Take) OnTaken(step.curve);
  if (step.kind == BatchStep::Kind::Store && taken_) {
    NewPart part = std::move(*taken_);
    taken_.reset();
    Keep(std::move(part));
    SetStatus("Probe the next part.");
  }
  DrawLivePlot();
}

void BatchCaptureWindow::OnTaken(Curve curve) {
  curve.info.dateTime = LocalDateTimeNow();
  curve.info.source = services_.source;
  NewPart part{RecordOfCurve(curve), std::move(curve)};
  part.record.lot = batchLot_;
  part.record.tags = batchTags_;
  part.record.programVersion = std::string("kvt_win ") + KVT_VERSION;
  taken_ = std::move(part);
  ShowPart(taken_->record, PartState::Taken);
  SetStatus("Lift the probe to store the part.");
}

// ---- storing ----

void BatchCaptureWindow::Keep(NewPart part) {
  pending_.push_back(std::move(part));
  StorePending();
}

// The library is written on a thread of its own: a server that has gone
// away may keep the connection waiting for seconds, and the live sweep goes
// on meanwhile. One store at a time; parts taken during it follow with the
// next.
void BatchCaptureWindow::StorePending() {
  if (storing_ || pending_.empty()) return;
  storing_ = true;
  sent_ = pending_.size();
  if (storeThread_.joinable()) storeThread_.join();
  storeThread_ = std::thread([this, library = parts_, parts = pending_] {
    BatchStored result = library.Store(parts);
    QMetaObject::invokeMethod(this, [this, result = std::move(result)] { OnStored(result); }, Qt::QueuedConnection);
  });
}

void BatchCaptureWindow::OnStored(const BatchStored& result) {
  storing_ = false;
  if (!result.error.empty()) {
    ShowFailure(result.error);
    return;
  }
  for (std::size_t k = 0; k < sent_; ++k) {
    PartRecord record = pending_[k].record;
    record.number = result.numbers[k];
    stored_.push_back(std::move(record));
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(sent_));
  if (pending_.empty() && failureBar_->isVisibleTo(this)) {
    failureBar_->hide();
    SetStatus(Sweeping() ? "The parts kept are stored now. Probe the next part." : "The parts kept are stored now.");
  }
  ShowBatch();
  ShowPart(stored_.back(), PartState::Stored);
  if (!pending_.empty()) StorePending();
}

void BatchCaptureWindow::WaitForStore() {
  while (storing_) {
    if (storeThread_.joinable()) storeThread_.join();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
  }
}

void BatchCaptureWindow::RetryStore() {
  SetStatus("Storing the parts kept ...");
  StorePending();
}

void BatchCaptureWindow::ShowFailure(const std::string& error) {
  const std::string parts = pending_.size() == 1 ? "1 part is" : std::to_string(pending_.size()) + " parts are";
  failure_->setText(QString::fromStdString("Not stored: " + error + "\n" + parts +
                                           " kept here: retry, or save the curves to files." +
                                           (Sweeping() ? " Sweeping goes on." : "")));
  failureBar_->show();
  ShowPart(pending_.back().record, PartState::Kept);
  SetStatus("The last store failed; the parts measured are kept and go into the library with the next store.", true);
}

bool BatchCaptureWindow::SaveUnstored() {
  WaitForStore();  // what is being stored now is not also saved
  if (pending_.empty()) return true;
  std::string name = services_.prompt->SaveFileName(
      {"Save the curves of the parts not stored", {"Points files (*.kvt)", "All Files (*)"}, 0, "unstored_part.kvt"});
  if (name.empty()) return false;
  QString base = QString::fromStdString(name);
  if (base.endsWith(".kvt", Qt::CaseInsensitive)) base.chop(4);
  std::vector<std::string> written;
  int n = 1;
  for (const NewPart& part : pending_) {
    std::string path;
    do path = (base + "_" + QString::number(n++) + ".kvt").toStdString();
    while (QFileInfo::exists(QString::fromStdString(path)));  // earlier ones stay
    const std::optional<std::string> text = PointsFileText(part.curve);
    if (!text || !WriteFileAtomically(path, *text)) {
      services_.prompt->Message(path + ": cannot be written. The parts are still kept here.", PromptIcon::Exclamation,
                                PromptButtons::Ok, PromptAnswer::Ok);
      return false;
    }
    written.push_back(path);
  }
  pending_.clear();
  failureBar_->hide();
  SetStatus("Saved " + std::to_string(written.size()) + (written.size() == 1 ? " curve" : " curves") + " as " +
            written.front() + (written.size() > 1 ? " ... " + written.back() : "") +
            "; kvt parts add LIBRARY FILE... stores them later.");
  return true;
}

// ---- what is shown ----

PartBin BatchCaptureWindow::BinOf(const PartRecord& part) const {
  if (bins_.empty()) return {};
  return AssignBins(bins_, TableOf({part}), 1).parts.front();
}

void BatchCaptureWindow::ShowBatch() {
  const std::string parameter = Parameter();
  const PartTable table = TableOf(stored_);
  const BinCounts counts = AssignBins(bins_, table, stored_.size());
  const auto column = table.find(parameter);
  const std::optional<ParameterSummary> summary =
      column == table.end() ? std::nullopt : Summarise(column->second);
  table_->ShowParts(stored_, bins_, counts, parameter);
  statistics_->ShowStatistics(parameter, summary, bins_, counts);
  const std::string lot = batchLot_ ? ", lot " + *batchLot_ : "";
  count_->setText(QString::fromStdString(
      stored_.empty() ? "No parts stored in this batch yet."
                      : std::to_string(stored_.size()) + (stored_.size() == 1 ? " part" : " parts") +
                            " stored in this batch" + lot + " (" + parts_.Location().text + ")."));
}

void BatchCaptureWindow::ShowPart(const PartRecord& part, PartState state) {
  const PartBin bin = BinOf(part);
  std::string text = state == PartState::Stored ? "No. " + std::to_string(part.number)
                     : state == PartState::Taken  ? std::string("Taken:")
                                                  : std::string("Not stored:");
  // The chosen figure, or for a part without it (a resistor when the
  // junction's ideality is chosen) the figure that tells its kind apart.
  std::string shown = Parameter();
  if (const PartFigure* figure = part.Figure(shown); !figure || !figure->value)
    shown = part.component == "resistor" ? "resistance" : part.component == "zener" ? "vbr" : "vf";
  text += "  " + part.component + "  " + shown + " " + BatchFigureText(part, shown);
  if (!bins_.empty())
    text += "  bin " + BatchBinText(bins_, bin) + (bin.nearLimit ? BatchPartsTable::NearLimitMark : "");
  const QColor colour = bins_.empty() ? QColor(220, 230, 245) : BatchBinColour(bin.bin);
  part_->setStyleSheet(QString("color: black; background: %1;%2")
                           .arg(colour.name(), bin.nearLimit ? " border: 4px solid rgb(230, 140, 0);" : ""));
  part_->setText(QString::fromStdString(text));
  FitPartFont();
}

void BatchCaptureWindow::DrawLivePlot() {
  if (!plot_ || plot_->width() < 40 || plot_->height() < 40) return;
  ImageSurface surface(plot_->size());
  surface.SetFont(plot_->font());
  std::vector<ReferenceCurve> references;
  if (taken_) references.push_back({"taken", PairsOf(taken_->curve), ReferenceColour(0), 2});
  static const Curve none;
  kvt::DrawPlot(surface, services_.plot, liveCurve_ ? *liveCurve_ : none, QLocale().decimalPoint().toStdString(),
                references);
  plot_->setPixmap(QPixmap::fromImage(surface.Image()));
}

void BatchCaptureWindow::SetStatus(const std::string& text, bool problem) {
  status_->setStyleSheet(problem ? "color: rgb(200, 0, 0);" : "");
  status_->setText(QString::fromStdString(text));
}

void BatchCaptureWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && Sweeping()) {
    Stop();
    return;
  }
  QWidget::keyPressEvent(event);
}

void BatchCaptureWindow::closeEvent(QCloseEvent* event) {
  Stop();
  WaitForStore();
  if (!pending_.empty()) {
    const PromptAnswer answer = services_.prompt->Message(
        std::to_string(pending_.size()) +
            " measured parts could not be stored in the library. Save their curves to files before closing?",
        PromptIcon::Question, PromptButtons::YesNoCancel, PromptAnswer::Yes);
    if (answer == PromptAnswer::Cancel || (answer == PromptAnswer::Yes && !SaveUnstored())) {
      event->ignore();
      return;
    }
  }
  event->accept();
}

}  // namespace kvt
