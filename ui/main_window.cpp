#include "ui/main_window.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLocale>
#include <QVBoxLayout>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ui/about_window.h"
#include "ui/batch_capture_window.h"
#include "ui/board_file_store.h"
#include "ui/board_window.h"
#include "ui/curve_tools.h"
#include "ui/main_layout.h"
#include "core/prompt.h"
#include "ui/qt_prompt.h"
#include "ui/points_file_commands.h"
#include "core/text_number.h"
#include "ui/window_geometry.h"
#include "ui/parameter_panel.h"
#include "ui/picture_box.h"
#include "core/view_options.h"
#include "plot/plot_export.h"
#include "device/acquisition.h"
#include "device/device_routines.h"
#include "device/measuring_session.h"
#include "ui/acquisition_window.h"
#include "ui/wide_range_window.h"
#include "device/library_port_io.h"
#include "ui/range_indicator.h"
#include "core/steady_clock.h"
#include "ui/general_options_dialog.h"
#include "ui/view_menu.h"
#include "ui/window_options_dialog.h"
#include "analysis/range_advice.h"

namespace kvt {

namespace {

// Stored positions may hold anything; keep them within what a window can take.
int PixelsWithin(const TwipScale& scale, double twips) {
  if (!std::isfinite(twips)) return 0;
  return scale.Px(std::clamp(twips, -2.0e5, 2.0e5));  // well inside what X11 accepts
}

}  // namespace

MainWindow::MainWindow(MainWindowServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), scale_(ScaleOf(nullptr)) {
  setObjectName("MainForm");
  setWindowTitle(Title());
  menu_ = BuildMainMenu(menuBar());
  curveMenu_ = AddCurveMenu(menuBar());

  backdrop_ = new QWidget(this);
  backdrop_->setObjectName("Frame1");
  setCentralWidget(backdrop_);
  backdrop_->setMinimumSize(scale_.Px(LayoutMinClientWidth), scale_.Px(LayoutMinClientHeight));

  plotBorder_ = new QFrame(backdrop_);
  plotBox_ = NewBorderedPicture(plotBorder_, 2, MakeColour(255, 255, 255));
  plotBox_->setObjectName("Picture1");
  plotBorder_->setGeometry(scale_.Px(120), scale_.Px(240), scale_.Px(5655), scale_.Px(5175));
  dialBorder_ = new QFrame(backdrop_);
  rangeDial_ = NewBorderedPicture(dialBorder_, 2, MakeColour(0xF0, 0xF0, 0xF0));
  rangeDial_->setObjectName("Picture2");
  dialBorder_->setGeometry(scale_.Px(5880), scale_.Px(3840), scale_.Px(2055), scale_.Px(1575));

  panel_ = std::make_unique<ParameterPanel>(backdrop_, options_, scale_, *this);
  if (!services_.prompt) {
    ownPrompt_ = std::make_unique<QtPrompt>(this);
    services_.prompt = ownPrompt_.get();
  }
  if (!services_.port) {
    const auto unavailable = [this](const std::string& why) { TellInstrumentUnavailable(why); };
    ownPort_ = services_.portLibrary.isEmpty() ? std::make_unique<LibraryPortIo>(unavailable)
                                               : std::make_unique<LibraryPortIo>(unavailable, services_.portLibrary);
    services_.port = ownPort_.get();
  }
  if (!services_.clock) {
    ownClock_ = std::make_unique<SteadyClock>();
    services_.clock = ownClock_.get();
  }
  session_ = std::make_unique<MeasuringSession>(*services_.port, *services_.clock, options_.Device());
  range_ = std::make_unique<RangeIndicator>(*rangeDial_, session_->Range());
  viewMenu_ = new ViewMenu(menuBar(), *services_.prompt, [this] { ViewChanged(); });
  tools_ = std::make_unique<CurveTools>(
      CurveToolsHost{measured_, *services_.prompt, *plotBox_, *this,
                     [this] { return ViewedControls(options_.Plot().controls, viewMenu_->Options()); },
                     [this] { return ShownPicture(); }, [this] { return viewMenu_->MatchOptions(); }},
      this);

  ConnectMenu();
  Load();

  rangePollTimer_ = new QTimer(this);
  rangePollTimer_->setObjectName("Timer1");
  rangePollTimer_->setInterval(1000);
  connect(rangePollTimer_, &QTimer::timeout, this, &MainWindow::PollRange);
  rangePollTimer_->start();
}

MainWindow::~MainWindow() = default;

Device& MainWindow::Instrument() { return session_->Instrument(); }

double MainWindow::RangeResistorOhms() const { return session_->RangeOhms(); }

void MainWindow::Load() {
  configDir_ = ConfigDirFrom(CurrentDirectory());
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize screenPixels = screen ? screen->geometry().size() : QSize(1024, 768);
  options_.Load(configDir_, {scale_.Twips(screenPixels.width()), scale_.Twips(screenPixels.height())});
  viewMenu_->Load(configDir_);
  ShowMaxIOverride();

  session_->Connect();  // the first port access: loads the port library
  if (options_.Window().showAboutAtStart) ShowStartupAbout();
  ApplyStoredGeometry();
  measured_ = Curve{};
  Instrument().SetBlinkLine(0);
  range_->Reset();
  ArrangeLayout();
}

void MainWindow::ShowStartupAbout() {
  // A click closes (and deletes) the picture before the pause is over.
  QPointer<AboutWindow> about = new AboutWindow();
  about->show();
  about->repaint();
  if (services_.startupPause) services_.startupPause(*about, 2.0);
  if (about) about->close();
}

void MainWindow::ApplyStoredGeometry() {
  const WindowOptions& stored = options_.Window();
  move(PixelsWithin(scale_, stored.left), PixelsWithin(scale_, stored.top));
  if (stored.state != 2) {
    const double width = stored.width - LayoutWidthAllowance;
    const double height = stored.height - LayoutHeightAllowance;
    const int menuHeight = menuBar()->sizeHint().height();
    resize(PixelsWithin(scale_, width), PixelsWithin(scale_, height) + menuHeight);
  }
  KeepOnScreen();
  loadedState_ = ToInt16(stored.state).value_or(0);
}

void MainWindow::KeepOnScreen() {
  // A hand-edited file may ask for any size or place; a huge window would
  // also take its size in memory for the plot. The frame counts once the
  // window system has given the window one.
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect frame = frameGeometry();
  const QRect fitted = FitOnScreen(frame, screen->availableGeometry());
  if (fitted.size() != frame.size()) resize(size() - (frame.size() - fitted.size()));
  if (fitted.topLeft() != frame.topLeft()) move(fitted.topLeft());
}

void MainWindow::ShowLoaded() {
  switch (loadedState_) {
    case 1:
      showMinimized();
      break;
    case 2:
      showMaximized();
      break;
    default:  // unknown states open as a normal window
      show();
      KeepOnScreen();
      break;
  }
  // Said over the window, which stays usable for the files and the plot.
  if (const auto& problem = Instrument().PortProblem()) TellInstrumentUnavailable(*problem);
}

// The reason, with where the port address is kept: the real port library
// names the file already, but only by its name.
std::string MainWindow::InstrumentUnavailableText(const std::string& reason) const {
  const std::string bare = std::string("line 26 of ") + ConfigFileName;
  const std::string full = "line 26 of " + configDir_ + ConfigFileName;
  if (const auto at = reason.find(bare); at != std::string::npos)
    return std::string(reason).replace(at, bare.size(), full);
  return reason + "\n\nThe port address is \"Port of device\" in \"KVT Options\" (PortHex, " + full + ").";
}

// Once per loss of the instrument: the range poll and every later access
// would otherwise repeat it.
void MainWindow::TellInstrumentUnavailable(const std::string& reason) {
  if (toldUnavailable_) return;
  toldUnavailable_ = true;
  services_.prompt->Message("The instrument cannot be reached; the program goes on without it (points files can "
                            "still be opened, plotted and saved).\n\n" +
                                InstrumentUnavailableText(reason),
                            PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
}

void MainWindow::ArrangeLayout() {
  if (isMinimized()) return;
  const auto twips = [this](int pixels) { return scale_.Twips(pixels); };
  const auto frames = panel_->Frames();
  const LayoutControlSizes sizes{.smoothingFrameWidth = twips(frames[0]->width()),
                                  .maxVoltsFrameWidth = twips(frames[1]->width()),
                                  .maxMilliampsFrameWidth = twips(frames[2]->width()),
                                  .pointCountFrameWidth = twips(frames[3]->width()),
                                  .dialWidth = twips(dialBorder_->width()),
                                  .dialHeight = twips(dialBorder_->height())};
  const MainLayout layout = ArrangeClientLayout(twips(backdrop_->width()), twips(backdrop_->height()), sizes);
  const double lefts[4] = {layout.smoothingFrameLeft, layout.maxVoltsFrameLeft, layout.maxMilliampsFrameLeft,
                           layout.pointCountFrameLeft};
  for (int i = 0; i < 4; ++i) frames[i]->move(scale_.Px(lefts[i]), frames[i]->y());
  dialBorder_->move(scale_.Px(layout.dialLeft), scale_.Px(layout.dialTop));
  plotBorder_->resize(scale_.Px(layout.plotWidth), scale_.Px(layout.plotHeight));
  if (layout.grown) {
    // Raises the resize event again, which lays the window out once more.
    resize(scale_.Px(layout.width),
           scale_.Px(layout.height) + menuBar()->height() + (adviceLine_ ? adviceLine_->height() : 0));
  }
  UpdateParams();
  DrawPlot();
}

void MainWindow::UpdateParams() {
  panel_->Sync();
  const bool havePoints = !measured_.empty();
  menu_.savePoints->setEnabled(havePoints);
  menu_.clearPlot->setEnabled(havePoints);
}

void MainWindow::DrawPlot() {
  // The surface must have the size the layout gave it, even before the
  // window has been shown.
  plotBorder_->layout()->activate();
  DrawPicture(plotBox_->Picture(), ShownPicture());
  if (tools_) tools_->PlotRedrawn();
}

PlotPicture MainWindow::ShownPicture() const {
  // While a run goes on the curve still holds the previous points; only the
  // live curve is shown.
  const bool live = tools_ && tools_->HasPartial();
  const PlotOptions& plot = options_.Plot();
  const ViewOptions view = viewMenu_ ? viewMenu_->Options() : ViewOptions{};
  PlotPicture picture{{plot.colours, ViewedControls(plot.controls, view)},
                      live ? Curve{} : measured_,
                      tools_ ? tools_->PlotReferences(plot.colours.line) : std::vector<ReferenceCurve>{},
                      QLocale().decimalPoint().toStdString(),
                      plotBox_->Image().size(),
                      plotBox_->font()};
  picture.logCurrent = view.logCurrent;
  return picture;
}

void MainWindow::ViewChanged() {
  tools_->MatchOptionsChanged();
  ShowMaxIOverride();
  DrawPlot();
}

// A larger current scale takes the plot's Max I over: the scroll bar and its
// value are greyed and say what rules instead.
void MainWindow::ShowMaxIOverride() {
  const bool overridden = OverridesMaxI(viewMenu_->Options());
  const QString why = overridden ? QString("Max I is %1 mA, set in View \u2192 Current scale")
                                       .arg(viewMenu_->Options().currentScaleMilliamps)
                                 : QString();
  for (const char* name : {"HScroll3", "Label3"})
    if (auto* widget = backdrop_->findChild<QWidget*>(name)) {
      widget->setEnabled(!overridden);
      widget->setToolTip(why);
    }
  if (auto* frame = backdrop_->findChild<QWidget*>("Frame4")) frame->setToolTip(why);
}

void MainWindow::ShowPartialCurve(const std::vector<std::pair<double, double>>& points) {
  tools_->SetPartial(points);
  if (!points.empty()) DrawPlot();
}

void MainWindow::ConnectMenu() {
  connect(menu_.openPoints, &QAction::triggered, this, [this] {
    if (!tools_->MayDropMeasurement()) return;
    if (LoadPointsFile(measured_, *services_.prompt, *panel_, *this)) {
      tools_->PointsLoaded();
      ShowRangeAdvice("");
    }
  });
  connect(menu_.savePoints, &QAction::triggered, this, [this] {
    if (SavePointsFile(measured_, *services_.prompt)) tools_->PointsSaved();
  });
  connect(menu_.exit, &QAction::triggered, this, [this] {
    if (tools_->MayDropMeasurement()) ExitApplication();
  });
  connect(curveMenu_.openReference, &QAction::triggered, this, [this] { tools_->OpenReferences(); });
  connect(curveMenu_.clearReferences, &QAction::triggered, this, [this] { tools_->ClearReferences(); });
  connect(curveMenu_.exportCurve, &QAction::triggered, this, [this] { tools_->Export(); });
  connect(curveMenu_.parameters, &QAction::triggered, this, [this] { tools_->ShowParameters(); });
  connect(menu_.about, &QAction::triggered, this, [this] { ShowAbout(); });
  connect(menu_.clearPlot, &QAction::triggered, this, [this] { ClearPoints(); });
  connect(menu_.copyPlot, &QAction::triggered, this, [this] { CopyPlotImage(); });
  connect(menu_.getPoints, &QAction::triggered, this, [this] { GetPointsFromDevice(); });
  connect(menu_.wideRangeCurve, &QAction::triggered, this, [this] { WideRangeCurveFromDevice(); });
  connect(menu_.generalOptions, &QAction::triggered, this, [this] { OpenGeneralOptions(); });
  connect(menu_.windowOptions, &QAction::triggered, this, [this] { OpenWindowOptions(); });
  connect(menu_.boardTest, &QAction::triggered, this, [this] { OpenBoardWindow(); });
  connect(menu_.batchCapture, &QAction::triggered, this, [this] { OpenBatchWindow(); });
}

void MainWindow::OpenBoardWindow() {
  if (batchWindow_) batchWindow_->Stop();  // one sweep at a time on the instrument
  if (!boardWindow_) {
    boardStore_ = MakeBoardFileStore();
    boardWindow_ = std::make_unique<BoardWindow>(
        BoardWindowServices{session_.get(), boardStore_.get(), services_.prompt, options_.Plot(),
                            services_.portLibrary.isEmpty() ? "instrument" : "simulated instrument", {},
                            [this] {
                              if (batchWindow_) batchWindow_->Stop();  // one sweep at a time on the instrument
                            }},
        this);
  }
  boardWindow_->show();
  boardWindow_->raise();
  boardWindow_->activateWindow();
}

void MainWindow::OpenBatchWindow() {
  if (!batchWindow_)
    batchWindow_ = std::make_unique<BatchCaptureWindow>(
        BatchCaptureServices{session_.get(), services_.prompt, options_.Plot(),
                             services_.portLibrary.isEmpty() ? "instrument" : "simulated instrument",
                             [this] {
                               if (boardWindow_) boardWindow_->Cancel();  // one sweep at a time on the instrument
                             }},
        this);
  batchWindow_->show();
  batchWindow_->raise();
  batchWindow_->activateWindow();
}

void MainWindow::OpenGeneralOptions() {
  Device& device = Instrument();
  const bool hadPort = device.HasPort();
  GeneralOptionsDialog dialog(options_, configDir_, device, *this, *services_.prompt, this);
  dialog.exec();
  if (hadPort || !device.HasPort()) return;
  // The instrument is reachable again: bring it to its start-up state, and
  // the range poll takes up the switch from here.
  toldUnavailable_ = false;
  if (device.ReadsPerMicrosecond() == 0) device.CalibrateDelay();
  device.SetBlinkLine(0);
  range_->Reset();
}

// Without a port the dial shows no position. A poll that falls into the
// pauses of a measured point waits for the next one, so that transfers
// never interleave.
void MainWindow::PollRange() {
  if (!Instrument().HasPort() || Instrument().Measuring()) return;
  range_->Poll();
  // Each complaint is shown once: the instrument repeats it at every poll,
  // and may lose and find it again while its control file is being saved.
  const std::string message = services_.port->InstrumentMessage();
  if (message.empty() || !instrumentMessages_.insert(message).second) return;
  services_.prompt->Message(message, PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
}

void MainWindow::GetPointsFromDevice() {
  if (const auto& problem = Instrument().PortProblem()) {
    services_.prompt->Message("Can't get points from device: the instrument cannot be reached.\n\n" +
                                  InstrumentUnavailableText(*problem),
                              PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
    return;
  }
  if (!tools_->MayDropMeasurement()) return;
  if (boardWindow_) boardWindow_->Cancel();  // one sweep at a time on the instrument
  if (batchWindow_) batchWindow_->Stop();
  std::array<bool, 6> checked{};
  for (int k = 0; k < 6; ++k) checked[k] = panel_->CheckedOption() == k + 1;
  AcquisitionWindow window(measured_, PointCountForOptions(checked), session_->SweepCalls(), *this, this);
  Instrument().SetKeepResponsive([&window] { return window.KeepResponsive(); });
  window.exec();
  Instrument().SetKeepResponsive({});
  if (!measured_.empty()) {
    measured_.info.dateTime = LocalDateTimeNow();
    measured_.info.source = services_.portLibrary.isEmpty() ? "instrument" : "simulated instrument";
  }
  tools_->RunFinished();
  ShowRangeAdvice(measured_.empty() ? std::string() : AdviseRange(measured_).text);
}

QString MainWindow::RangeAdviceShown() const { return adviceLine_ ? adviceLine_->currentMessage() : QString(); }

// The status line appears with the first advice, the window growing by its
// height so the plot and panel keep their size (and the stored geometry).
void MainWindow::ShowRangeAdvice(const std::string& text) {
  if (!adviceLine_) {
    if (text.empty()) return;
    const int before = height();
    adviceLine_ = statusBar();
    adviceLine_->setSizeGripEnabled(false);
    // Shown and taken into the layout at once (a window at its smallest
    // grows by itself then), so the resize below lays the plot out for the
    // backdrop it keeps, not for one the line has yet to take from.
    adviceLine_->show();
    if (layout()) layout()->activate();
    if (!isMaximized() && !isMinimized()) resize(width(), before + adviceLine_->sizeHint().height());
  }
  adviceLine_->showMessage(QString::fromStdString(text));
}

// The sweeps on all three ranges, stitched into the measured curve; Cancel
// leaves the curve on the plot as it was.
void MainWindow::WideRangeCurveFromDevice() {
  if (const auto& problem = Instrument().PortProblem()) {
    services_.prompt->Message("Can't get points from device: the instrument cannot be reached.\n\n" +
                                  InstrumentUnavailableText(*problem),
                              PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
    return;
  }
  if (!tools_->MayDropMeasurement()) return;
  if (batchWindow_) batchWindow_->Stop();  // one sweep at a time on the instrument
  std::array<bool, 6> checked{};
  for (int k = 0; k < 6; ++k) checked[k] = panel_->CheckedOption() == k + 1;
  // From the end the switch is nearer to, so it moves past each position once.
  std::vector<double> ranges{10000, 1000, 100};
  if (session_->RangeOhms() == 100) std::reverse(ranges.begin(), ranges.end());
  WideRangeWindow window(*session_, ranges, PointCountForOptions(checked), services_.switchHand, this);
  Instrument().SetKeepResponsive([&window] { return window.KeepResponsive(); });
  window.exec();
  Instrument().SetKeepResponsive({});
  if (!window.Result()) return;
  measured_ = window.Result()->curve;
  measured_.info.dateTime = LocalDateTimeNow();
  measured_.info.source = services_.portLibrary.isEmpty() ? "instrument" : "simulated instrument";
  tools_->RunFinished();
  UpdateParams();
  DrawPlot();
  services_.prompt->Message("Wide-range curve of " + std::to_string(measured_.points.size()) +
                                " points.\n\nMismatch where the ranges overlap, in steps of the coarser range: " +
                                MismatchSummary(window.Result()->mismatches),
                            PromptIcon::Information, PromptButtons::Ok, PromptAnswer::Ok);
}

void MainWindow::OpenWindowOptions() {
  WindowOptionsDialog dialog(options_, configDir_, *services_.prompt, this);
  dialog.exec();
}

void MainWindow::ClearPoints() {
  if (measured_.empty()) return;
  if (services_.prompt->Message("Are you sure in clearing plot?", PromptIcon::Question, PromptButtons::YesNo,
                                PromptAnswer::Yes) == PromptAnswer::No)
    return;
  measured_ = Curve{};
  ShowRangeAdvice("");
  UpdateParams();
  DrawPlot();
}

void MainWindow::CopyPlotImage() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();
  clipboard->setImage(plotBox_->Image());
}

void MainWindow::ShowAbout() {
  AboutWindow about(this);
  about.setAttribute(Qt::WA_DeleteOnClose, false);
  about.exec();
}

bool MainWindow::ExitApplication() {
  if (exiting_) return !askingToExit_;  // a second request while the question is up waits for its answer
  // The board window stops its sweeping and may keep the program for its changes.
  if (boardWindow_ && boardWindow_->isVisible() && !boardWindow_->close()) return false;
  // So does the batch window, which may keep it for parts not yet stored.
  if (batchWindow_ && batchWindow_->isVisible() && !batchWindow_->close()) return false;
  exiting_ = true;
  if (options_.Window().saveOnExit) {
    const QPoint position = pos();
    const QSize client = backdrop_->size();
    const int state = isMinimized() ? 1 : isMaximized() ? 2 : 0;
    options_.SetWindowGeometry(scale_.Twips(position.x()), scale_.Twips(position.y()),
                               scale_.Twips(client.width()) + LayoutWidthAllowance,
                               scale_.Twips(client.height()) + LayoutHeightAllowance, state);
  }
  if (const auto failure = WriteSettingsOrSayWhy(options_.Table(), configDir_)) {
    if (!askBeforeExit_) {
      std::fprintf(stderr, "kvt_win: %s\n", failure->c_str());
    } else {
      askingToExit_ = true;
      const PromptAnswer answer =
          services_.prompt->Message(*failure + "\n\nExit anyway? The options of this session are then lost.",
                                    PromptIcon::Exclamation, PromptButtons::OkCancel, PromptAnswer::Cancel);
      askingToExit_ = false;
      if (answer != PromptAnswer::Ok) {
        exiting_ = false;
        return false;
      }
    }
  }
  if (services_.quit) services_.quit();
  return true;
}

void MainWindow::EndWithoutAsking() {
  askBeforeExit_ = false;
  // A question of the exit sequence may be up already: ending the event
  // loops closes it.
  if (exiting_) {
    if (services_.quit) services_.quit();
    return;
  }
  ExitApplication();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!exiting_ && !tools_->MayDropMeasurement()) {
    event->ignore();
    return;
  }
  if (!ExitApplication()) {
    event->ignore();
    return;
  }
  event->accept();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  ArrangeLayout();
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) ArrangeLayout();
}

}  // namespace kvt
