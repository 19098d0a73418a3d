#include "ui/curve_tools.h"

#include <QColor>
#include <QFile>
#include <QScreen>
#include <QString>

#include "files/curve_files.h"
#include "analysis/parameter_report.h"
#include "analysis/parameters.h"
#include "plot/log_current_plot.h"
#include "ui/export_command.h"
#include "ui/parameters_placement.h"
#include "ui/parameters_window.h"
#include "ui/picture_box.h"
#include "ui/plot_overlay.h"
#include "ui/points_file_commands.h"

namespace kvt {

namespace {

std::string FileName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

bool SamePoints(const std::vector<CurvePoint>& a, const std::vector<CurvePoint>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].volts != b[i].volts || a[i].amps != b[i].amps) return false;
  return true;
}

}  // namespace

CurveTools::CurveTools(CurveToolsHost host, QWidget* window) : host_(std::move(host)), window_(window) {
  overlay_ = new PlotOverlay(host_.plotBox, host_.controls);
  overlay_->SetScaleSource([this](const PlotGeometry& g) { return PictureScale(host_.picture(), g); });
}

CurveTools::~CurveTools() = default;

void CurveTools::OpenReferences() {
  const FileDialogRequest request{
      "Open reference curve", {"Curves (*.kvt *.csv)", "All Files (*.*)"}, 0};
  const std::vector<std::string> names = host_.prompt.OpenFileNames(request, MaxReferences);
  if (names.empty()) return;
  for (const std::string& name : names) {
    CurveFile file = ReadCurveFile(QFile::encodeName(QString::fromStdString(name)).toStdString());
    if (file.ok() && file.curve.points.empty()) file.error = "no points";
    if (!file.ok()) {
      host_.prompt.Message("Can't open reference curve " + FileName(name) + ": " + file.error,
                           PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
      continue;
    }
    references_.push_back({FileName(name), std::move(file.curve)});
  }
  if (references_.size() > MaxReferences)
    references_.erase(references_.begin(), references_.end() - MaxReferences);
  ++generation_;
  host_.view.DrawPlot();
}

void CurveTools::ClearReferences() {
  if (references_.empty()) return;
  references_.clear();
  ++generation_;
  host_.view.DrawPlot();
}

void CurveTools::Export() {
  ExportCurve(host_.prompt, host_.picture());
}

void CurveTools::ShowParameters() {
  if (!parameters_) {
    parameters_ = new ParametersWindow(window_);
    FillParameters();
  }
  if (!parameters_->isVisible()) PlaceParameters();
  parameters_->show();
  parameters_->raise();
  parameters_->activateWindow();
}

std::vector<ReferenceCurve> CurveTools::PlotReferences(Colour lineColour) const {
  std::vector<ReferenceCurve> curves;
  for (std::size_t i = 0; i < references_.size(); ++i)
    curves.push_back({references_[i].name, PairsOf(references_[i].curve), ReferenceColour(static_cast<int>(i)), 1,
                      RangesOf(references_[i].curve)});
  // The measured curve's own pen, so the run looks as it will at the end.
  if (!partial_.empty()) curves.push_back({"", partial_, lineColour, 2});
  return curves;
}

void CurveTools::PlotRedrawn() {
  const PlotColours colours = host_.picture().plot.colours;
  overlay_->SetLegendColour(QColor(RedOf(colours.text), GreenOf(colours.text), BlueOf(colours.text)));
  if (!partial_.empty()) {
    // The curve still holds the previous points while a run goes on.
    overlay_->SetCurve(CurveFromPairs(partial_));
    overlay_->SetMatch(std::nullopt);
    shownPoints_.reset();
    return;
  }
  const Curve& curve = host_.measured;
  if (shownPoints_ && SamePoints(*shownPoints_, curve.points) && shownGeneration_ == generation_) return;
  shownPoints_ = curve.points;
  shownGeneration_ = generation_;

  overlay_->SetCurve(curve);
  if (curve.points.empty() || references_.empty()) {
    overlay_->SetMatch(std::nullopt);
  } else {
    const CompareOptions options = host_.matchOptions ? host_.matchOptions() : CompareOptions{};
    const ReferenceMatch match = MatchReferences(curve, references_, options);
    const Comparison& best = match.comparisons[*match.best];
    std::vector<std::string> lines = MatchLines(match, references_);
    // A tolerance of the user's own is named, so the verdict is read with it.
    if (options.volts || options.percent)
      lines.push_back("tolerance " + WithUnit(best.toleranceVolts, "V") + ", " + WithUnit(best.toleranceAmps, "A"));
    overlay_->SetMatch(MatchBox{lines, best.pass, best.outside, static_cast<int>(references_.size())});
  }
  if (parameters_) FillParameters();
}

void CurveTools::PlaceParameters() {
  const QScreen* screen = window_ ? window_->screen() : nullptr;
  if (!screen) return;
  // Before the first show the frame is not known: the main window's own.
  const QSize frame = window_->frameGeometry().size() - window_->size();
  const QSize size = parameters_->isVisible() ? parameters_->frameGeometry().size() : parameters_->size() + frame;
  const QRect plot(host_.plotBox.mapToGlobal(QPoint(0, 0)), host_.plotBox.size());
  parameters_->move(PlaceBeside(window_->frameGeometry(), plot, size, screen->availableGeometry()));
  placedAt_ = parameters_->pos();
}

void CurveTools::FillParameters() {
  std::vector<ParameterColumn> columns;
  const auto add = [&columns](const std::string& title, const Curve& curve) {
    const AnalysisOptions options;
    columns.push_back({title, ParameterRows(curve, AnalysePart(curve, options), options)});
  };
  if (!host_.measured.empty() && partial_.empty()) add("measured", host_.measured);
  for (const NamedCurve& reference : references_) add(reference.name, reference.curve);
  parameters_->Show(columns);
  // Grown by new columns: placed again, unless the user moved it.
  if (parameters_->isVisible() && parameters_->pos() == placedAt_) PlaceParameters();
}

void CurveTools::RunFinished() { unsaved_ = !host_.measured.empty(); }

void CurveTools::PointsLoaded() { unsaved_ = false; }

bool CurveTools::MayDropMeasurement() {
  if (!unsaved_ || host_.measured.empty()) return true;
  switch (host_.prompt.Message("The measured points have not been saved. Save them first?", PromptIcon::Question,
                               PromptButtons::YesNoCancel, PromptAnswer::Yes)) {
    case PromptAnswer::Yes:
      if (!SavePointsFile(host_.measured, host_.prompt)) return false;
      unsaved_ = false;
      return true;
    case PromptAnswer::No:
      return true;
    default:
      return false;
  }
}

}  // namespace kvt
