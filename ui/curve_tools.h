#pragma once
// What the window does with curves beyond showing the measured one:
// reference curves beside it and the match against them, the pointer's
// readout, the Parameters window, Export, the live curve of a run, and the
// question before measured points that were never saved are thrown away.
#include <QPoint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "analysis/reference_match.h"
#include "core/plot_view.h"
#include "core/curve.h"
#include "core/prompt.h"
#include "plot/plot_export.h"

class QWidget;

namespace kvt {

class ParametersWindow;
class PictureBox;
class PlotOverlay;

struct CurveToolsHost {
  Curve& measured;  // the window's curve: measured or loaded
  Prompt& prompt;
  PictureBox& plotBox;
  PlotView& view;  // redraws after the references change
  std::function<PlotControls()> controls;
  std::function<PlotPicture()> picture;  // the plot as on screen, for Export
  // The match's tolerance; the comparison's own when not given.
  std::function<CompareOptions()> matchOptions = {};
};

class CurveTools {
 public:
  static constexpr int MaxReferences = 4;

  CurveTools(CurveToolsHost host, QWidget* window);
  ~CurveTools();

  // File menu. Opening adds to the references; beyond four the oldest go.
  void OpenReferences();
  void ClearReferences();
  void Export();
  // Tools menu.
  void ShowParameters();

  // Drawn under the measured curve: the references, then the run's live
  // curve in the line colour.
  std::vector<ReferenceCurve> PlotReferences(Colour lineColour) const;
  void SetPartial(std::vector<std::pair<double, double>> points) { partial_ = std::move(points); }
  bool HasPartial() const { return !partial_.empty(); }
  // After every redraw: the overlay and the Parameters window follow the
  // points and references.
  void PlotRedrawn();
  // The match is made again at the next redraw.
  void MatchOptionsChanged() { ++generation_; }

  // Where the points came from, for the question before they are dropped.
  void RunFinished();
  void PointsLoaded();
  void PointsSaved() { unsaved_ = false; }
  // True when nothing unsaved is at stake, or the user saved it or let it
  // go; false when the user cancelled (or a chosen save did not happen).
  bool MayDropMeasurement();

  const std::vector<NamedCurve>& References() const { return references_; }
  PlotOverlay& Overlay() const { return *overlay_; }
  ParametersWindow* Parameters() const { return parameters_; }

 private:
  void FillParameters();
  void PlaceParameters();

  CurveToolsHost host_;
  QWidget* window_;
  std::vector<NamedCurve> references_;
  std::vector<std::pair<double, double>> partial_;
  PlotOverlay* overlay_ = nullptr;
  ParametersWindow* parameters_ = nullptr;
  QPoint placedAt_;  // where the Parameters window was last put
  bool unsaved_ = false;
  // What the overlay and the Parameters window were last made from.
  std::optional<std::vector<CurvePoint>> shownPoints_;
  int shownGeneration_ = -1;
  int generation_ = 0;  // counts changes of the references and the tolerance
};

}  // namespace kvt
