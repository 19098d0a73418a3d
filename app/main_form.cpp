#include "app/main_form.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "app/about_window.h"
#include "app/prompt.h"
#include "app/text_number.h"
#include "plot/parameter_panel.h"
#include "plot/picture_box.h"

namespace {

// Allowances between the stored outer size and the client area, in twips.
constexpr double OuterExtraWidth = 120;
constexpr double OuterExtraHeight = 690;

TwipScale ScreenScale() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return TwipScale::FromDpi(screen ? screen->logicalDotsPerInch() : 96);
}

// Stored positions may hold anything; keep them within what a window can take.
int PixelsWithin(const TwipScale& scale, double twips) {
  if (!std::isfinite(twips)) return 0;
  return scale.Px(std::clamp(twips, -1.0e6, 1.0e6));
}

}  // namespace

MainForm::MainForm(MainFormServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), scale_(ScreenScale()) {
  setObjectName("MainForm");
  setWindowTitle(Title());
  menu_ = BuildMainMenu(menuBar());

  Frame1 = new QWidget(this);
  Frame1->setObjectName("Frame1");
  setCentralWidget(Frame1);
  Frame1->setMinimumSize(scale_.Px(8175 - OuterExtraWidth), scale_.Px(6225 - OuterExtraHeight));

  Picture1 = new PictureBox(Frame1);
  Picture1->setObjectName("Picture1");
  Picture1->setGeometry(scale_.Px(120), scale_.Px(240), scale_.Px(5655), scale_.Px(5175));
  Picture2 = new PictureBox(Frame1, MakeColour(0xE0, 0xE0, 0xE0));
  Picture2->setObjectName("Picture2");
  Picture2->setGeometry(scale_.Px(5880), scale_.Px(3840), scale_.Px(2055), scale_.Px(1575));

  panel_ = std::make_unique<ParameterPanel>(Frame1, settings_, scale_,
                                            ParameterPanel::Hooks{[this] { UpdateParams(); }, [this] { DrawPlot(); }});
  ConnectMenu();
  Load();
}

MainForm::~MainForm() = default;

void MainForm::Load() {
  configDir_ = ConfigDirFrom(QDir::currentPath().toStdString());
  ReadSettings(settings_, configDir_);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize screenPixels = screen ? screen->geometry().size() : QSize(1024, 768);
  ValidateSettings(settings_, AllGroups, {scale_.Twips(screenPixels.width()), scale_.Twips(screenPixels.height())});

  if (settings_.IsOn(ShowAboutAtStart)) ShowStartupAbout();
  ApplyStoredGeometry();
  points_.PointCount = 0;
  ArrangeLayout();
}

void MainForm::ShowStartupAbout() {
  auto* about = new AboutWindow();
  about->show();
  about->repaint();
  if (services_.startupPause) services_.startupPause(2.0);
  about->close();
}

void MainForm::ApplyStoredGeometry() {
  move(PixelsWithin(scale_, settings_.Value(WindowLeft)), PixelsWithin(scale_, settings_.Value(WindowTop)));
  if (settings_.Value(WindowState) != 2) {
    const double width = settings_.Value(WindowWidth) - OuterExtraWidth;
    const double height = settings_.Value(WindowHeight) - OuterExtraHeight;
    const int menuHeight = menuBar()->sizeHint().height();
    resize(PixelsWithin(scale_, width), PixelsWithin(scale_, height) + menuHeight);
  }
  const auto state = ToInt16(settings_.Value(WindowState));
  loadedState_ = state.value_or(0);
}

void MainForm::ShowLoaded() {
  switch (loadedState_) {
    case 1:
      showMinimized();
      break;
    case 2:
      showMaximized();
      break;
    default:  // unknown states open as a normal window
      show();
      break;
  }
}

void MainForm::ArrangeLayout() {
  if (isMinimized()) return;
  UpdateParams();
  DrawPlot();
}

void MainForm::UpdateParams() {
  panel_->Sync();
  const bool havePoints = points_.PointCount != 0;
  menu_.File_Save->setEnabled(havePoints);
  menu_.Tools_Clear->setEnabled(havePoints);
}

void MainForm::DrawPlot() {}

void MainForm::ConnectMenu() {
  connect(menu_.File_Exit, &QAction::triggered, this, [this] { ExitApplication(); });
  connect(menu_.Help_About, &QAction::triggered, this, [this] { HelpAbout(); });
  connect(menu_.Tools_Clear, &QAction::triggered, this, [this] { ClearPoints(); });
  connect(menu_.Tools_Copy, &QAction::triggered, this, [this] { CopyPlotImage(); });
}

void MainForm::ClearPoints() {
  if (points_.PointCount == 0) return;
  if (services_.prompt->Message("Are you sure in clearing plot?", PromptIcon::Question, PromptButtons::YesNo,
                                PromptAnswer::Yes) == PromptAnswer::No)
    return;
  points_.PointCount = 0;
  UpdateParams();
  DrawPlot();
}

void MainForm::CopyPlotImage() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();
  clipboard->setImage(Picture1->Image());
}

void MainForm::HelpAbout() {
  AboutWindow about(this);
  about.setAttribute(Qt::WA_DeleteOnClose, false);
  about.exec();
}

void MainForm::ExitApplication() {
  if (exiting_) return;
  exiting_ = true;
  if (settings_.IsOn(SaveWindowOnExit)) {
    const QPoint position = pos();
    const QSize client = Frame1->size();
    settings_[WindowLeft] = SignedDecimal(scale_.Twips(position.x()));
    settings_[WindowTop] = SignedDecimal(scale_.Twips(position.y()));
    settings_[WindowWidth] = SignedDecimal(scale_.Twips(client.width()) + OuterExtraWidth);
    settings_[WindowHeight] = SignedDecimal(scale_.Twips(client.height()) + OuterExtraHeight);
    const int state = isMinimized() ? 1 : isMaximized() ? 2 : 0;
    settings_[WindowState] = SignedDecimal(state);
  }
  WriteSettings(settings_, configDir_);
  if (services_.quit) services_.quit();
}

void MainForm::closeEvent(QCloseEvent* event) {
  ExitApplication();
  event->accept();
}

void MainForm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  ArrangeLayout();
}

void MainForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) ArrangeLayout();
}
