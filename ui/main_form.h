#pragma once
// The main window: plot, parameter panel, range dial and menu; its load
// sequence brings the program up and ExitApplication takes it down.
#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "ui/main_menu.h"
#include "core/settings.h"
#include "core/twips.h"
#include "core/point_set.h"

class QFrame;
class QTimer;

namespace kvt {

class Clock;
class Device;
class ParameterPanel;
class PortIo;
class RangeIndicator;
class PictureBox;
class Prompt;

struct MainFormServices {
  Prompt* prompt = nullptr;  // message boxes and file dialogs; the real ones when not given
  // The instrument's port and the clock for the delay calibration. When not
  // given, the port library is loaded by name at the first port access and
  // `fatal` reports a library that cannot be used.
  PortIo* port = nullptr;
  Clock* clock = nullptr;
  std::function<void(const std::string& message)> fatal;
  // Keeps the about box on screen for the given seconds at start-up.
  std::function<void(double seconds)> startupPause;
  // Ends the program once the configuration is written.
  std::function<void()> quit;
};

class MainForm : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainForm(MainFormServices services, QWidget* parent = nullptr);
  ~MainForm() override;

  // Shows the window in the state the load sequence asked for.
  void ShowLoaded();

  void UpdateParams();
  void DrawPlot();
  void ClearPoints();
  void CopyPlotImage();
  // The range poll that Timer1 runs every second.
  void Timer1_Timer();

  Settings& Table() { return settings_; }
  PointSet& Points() { return points_; }
  ParameterPanel& Panel() { return *panel_; }
  const MainMenu& Menu() const { return menu_; }
  Device& Instrument() { return *device_; }
  double RangeResistorOhms = 0;  // kept by the range monitor
  QTimer* Timer1 = nullptr;      // polls the range switch every second
  PictureBox* Picture1 = nullptr;
  PictureBox* Picture2 = nullptr;
  QWidget* Frame1 = nullptr;
  QFrame* Picture1Border = nullptr;
  QFrame* Picture2Border = nullptr;

  static QString Title() { return QStringLiteral("\"Ostrel\" v1.2b"); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Load();
  void ShowStartupAbout();
  void ApplyStoredGeometry();
  void ArrangeLayout();
  void ExitApplication();
  void ConnectMenu();
  void HelpAbout();
  void OptionsKvt();
  void GetPointsFromDevice();
  void OptionsWindowDialog();

  MainFormServices services_;
  TwipScale scale_;
  std::string configDir_;
  Settings settings_;
  PointSet points_;
  MainMenu menu_{};
  std::unique_ptr<ParameterPanel> panel_;
  std::unique_ptr<Prompt> ownPrompt_;
  std::unique_ptr<PortIo> ownPort_;
  std::unique_ptr<Clock> ownClock_;
  std::unique_ptr<Device> device_;
  std::unique_ptr<RangeIndicator> range_;
  int loadedState_ = 0;
  bool exiting_ = false;
};

}  // namespace kvt
