#pragma once
// The main window: plot, parameter panel, range dial and menu; its load
// sequence brings the program up and ExitApplication takes it down.
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ui/curve_menu.h"
#include "ui/main_menu.h"
#include "core/plot_view.h"
#include "core/typed_options.h"
#include "core/twips.h"
#include "core/curve.h"

class QDialog;
class QFrame;
class QStatusBar;
class QTimer;

namespace kvt {

class BatchCaptureWindow;
class BoardStore;
class BoardWindow;
class Clock;
class CurveTools;
class Device;
class MeasuringSession;
class ParameterPanel;
class PortIo;
class RangeIndicator;
class PictureBox;
class Prompt;
class ViewMenu;
struct PlotPicture;

struct MainWindowServices {
  Prompt* prompt = nullptr;  // message boxes and file dialogs; the real ones when not given
  // The instrument's port and the clock for the delay calibration. When not
  // given, the port library is loaded by name at the first port access.
  PortIo* port = nullptr;
  Clock* clock = nullptr;
  // The port library's file, loaded instead of "portio" when not empty (the
  // simulated instrument).
  QString portLibrary;
  // Turns the range switch when a wide-range curve asks for another range
  // (the simulated instrument's hand); empty: the user turns it.
  std::function<void(double rangeOhms)> switchHand;
  // Keeps the about box on screen at start-up for the given seconds, or
  // until it is clicked away.
  std::function<void(QDialog& about, double seconds)> startupPause;
  // Ends the program once the configuration is written.
  std::function<void()> quit;
};

class MainWindow : public QMainWindow, public PlotView {
  Q_OBJECT
 public:
  explicit MainWindow(MainWindowServices services, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Shows the window in the state the load sequence asked for.
  void ShowLoaded();

  void UpdateParams() override;
  void DrawPlot() override;
  void ShowPartialCurve(const std::vector<std::pair<double, double>>& points) override;
  void ClearPoints();
  void CopyPlotImage();
  // The once-a-second poll of the range switch.
  void PollRange();
  // The exit sequence without a question, for a request to end from outside
  // (the desktop's logout, a terminal's Ctrl+C): the options are written as
  // File → Exit writes them, a failure is told on stderr, and the program ends.
  void EndWithoutAsking();

  TypedOptions& Options() { return options_; }
  const Settings& Table() const { return options_.Table(); }
  // The curve on the plot: the last run's or the file's.
  Curve& Measured() { return measured_; }
  // What the last run's range advice says in the status line; empty when none.
  QString RangeAdviceShown() const;
  ParameterPanel& Panel() { return *panel_; }
  const MainMenu& Menu() const { return menu_; }
  const CurveMenu& CurveItems() const { return curveMenu_; }
  CurveTools& Tools() { return *tools_; }
  ViewMenu& View() { return *viewMenu_; }
  // The plot as on screen: the panel's controls under the View menu's.
  PlotPicture ShownPicture() const;
  Device& Instrument();
  // The range resistance the last poll found; 0 before the first poll.
  double RangeResistorOhms() const;
  PictureBox* PlotBox() const { return plotBox_; }
  QFrame* PlotBorder() const { return plotBorder_; }
  QFrame* DialBorder() const { return dialBorder_; }
  QWidget* Backdrop() const { return backdrop_; }
  // The board window once File → Board test has opened it.
  BoardWindow* BoardTest() const { return boardWindow_.get(); }
  // The batch capture window once Tools → Batch capture has opened it.
  BatchCaptureWindow* BatchCapture() const { return batchWindow_.get(); }

  static QString Title() { return QStringLiteral("\"Ostrel\" v1.2b"); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Load();
  void ShowStartupAbout();
  void ApplyStoredGeometry();
  void KeepOnScreen();
  void ArrangeLayout();
  // Writes the options and ends the program; false when the options could
  // not be written and the user chose to stay.
  bool ExitApplication();
  void ConnectMenu();
  void ShowAbout();
  void OpenGeneralOptions();
  void GetPointsFromDevice();
  void WideRangeCurveFromDevice();
  void OpenWindowOptions();
  void ViewChanged();
  void ShowMaxIOverride();
  void OpenBoardWindow();
  void OpenBatchWindow();
  std::string InstrumentUnavailableText(const std::string& reason) const;
  void TellInstrumentUnavailable(const std::string& reason);
  void ShowRangeAdvice(const std::string& text);

  MainWindowServices services_;
  TwipScale scale_;
  std::string configDir_;
  TypedOptions options_;
  Curve measured_;
  MainMenu menu_{};
  CurveMenu curveMenu_{};
  std::unique_ptr<ParameterPanel> panel_;
  std::unique_ptr<Prompt> ownPrompt_;
  std::unique_ptr<PortIo> ownPort_;
  std::unique_ptr<Clock> ownClock_;
  std::unique_ptr<MeasuringSession> session_;
  // Declared after the session: destroyed first, leaving 0 V on it.
  std::unique_ptr<BoardStore> boardStore_;
  std::unique_ptr<BoardWindow> boardWindow_;
  std::unique_ptr<BatchCaptureWindow> batchWindow_;
  std::unique_ptr<RangeIndicator> range_;
  std::unique_ptr<CurveTools> tools_;
  ViewMenu* viewMenu_ = nullptr;  // owned by the menu bar
  QTimer* rangePollTimer_ = nullptr;
  PictureBox* plotBox_ = nullptr;
  PictureBox* rangeDial_ = nullptr;
  QWidget* backdrop_ = nullptr;  // the client area the layout works in
  QFrame* plotBorder_ = nullptr;
  QFrame* dialBorder_ = nullptr;
  QStatusBar* adviceLine_ = nullptr;  // made with the first advice
  std::set<std::string> instrumentMessages_;  // the instrument's complaints already shown
  int loadedState_ = 0;
  bool exiting_ = false;
  bool askBeforeExit_ = true;
  bool askingToExit_ = false;
  bool toldUnavailable_ = false;
};

}  // namespace kvt
