#pragma once
// The four framed groups beside the plot: smoothing, Max V, Max I and the
// number of points. Each control mirrors one settings entry; a value set by
// the program runs the same handler as a user's change, so UpdateParams
// nests until every control agrees with the table.
#include <QObject>
#include <array>
#include <functional>

#include "core/settings.h"
#include "core/twips.h"
#include "plot/plot_renderer.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QScrollBar;
class QWidget;

namespace kvt {

class ParameterPanel : public QObject {
  Q_OBJECT
 public:
  struct Hooks {
    std::function<void()> updateParams;  // the main window's UpdateParams
    std::function<void()> drawPlot;
  };

  ParameterPanel(QWidget* parent, Settings& settings, TwipScale scale, Hooks hooks);

  // Steps 1 to 6 of UpdateParams: bring the controls in line with the table.
  void Sync();

  // What the plot reads from the panel when it draws.
  PlotControls Controls() const;
  // Number (1..6) of the first option button that is on; 0 when none is.
  int CheckedOption() const;
  void AllOptionsOff();
  // Turns option k on, which runs its click behaviour when it was off.
  void TurnOptionOn(int k);

  // The four frames, for the layout.
  std::array<QGroupBox*, 4> Frames() const { return {Frame2, Frame3, Frame4, Frame5}; }

  QGroupBox* Frame2;
  QGroupBox* Frame3;
  QGroupBox* Frame4;
  QGroupBox* Frame5;
  QCheckBox* Check1;
  QScrollBar* HScroll1;
  QScrollBar* HScroll2;
  QScrollBar* HScroll3;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  std::array<QRadioButton*, 6> Option;  // Option[0] is Option1

 private:
  void Check1_Click();
  // A settled value (arrow, trough, keyboard, program, end of a drag) redraws;
  // a value that follows the dragged thumb only updates the table and labels.
  void ScrollChanged(QScrollBar* bar, int entry);
  void ScrollReleased(QScrollBar* bar, int entry);
  void OptionClick(int k);
  void Place(QWidget* widget, double left, double top, double width, double height);

  Settings& settings_;
  TwipScale scale_;
  Hooks hooks_;
  QButtonGroup* options_;
};

}  // namespace kvt
