#include "ui/points_file_commands.h"

#include <QFile>
#include <QString>
#include <unistd.h>

#include <optional>

#include "core/atomic_write.h"
#include "files/curve_files.h"
#include "files/points_file.h"

namespace kvt {

namespace {

constexpr char CantOpen[] = "Can't Open File!";

// CSV files open too (curves of several ranges live only there), so the
// dialog offers them after the points files it opens on.
FileDialogRequest OpenRequest() {
  return {"Open file with points", {"All Files (*.*)", "Files with Points(*.kvt)", "CSV Files (*.csv)"}, 1};
}

constexpr int PointsFilter = 1;  // "Files with Points (*.kvt)" in the save dialog

FileDialogRequest SaveRequest() {
  return {"Save Points", {"All Files (*.*)", "Files with Points (*.kvt)"}, 1};
}

constexpr int CsvFilter = 1;  // "CSV Files (*.csv)" in the CSV save dialog

// The same name with its extension (if any) made ".csv".
std::string AsCsvName(const std::string& name) {
  const auto slash = name.rfind('/');
  const auto dot = name.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return (hasExtension ? name.substr(0, dot) : name) + ".csv";
}

std::string FileName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// Names come from the file dialogs as text; the file system takes bytes.
std::string LocalPath(const std::string& name) {
  return QFile::encodeName(QString::fromStdString(name)).toStdString();
}

// A file that failed after its header leaves no points. The window shows
// that before the message: an empty plot, no Save or Clear, and the option
// buttons back on the stored choice (the failed count turned them all off).
// The message names the file and tells where in it the reading stopped.
void EmptyAfterLateFailure(Curve& curve, Prompt& prompt, PlotView& view, const std::string& name,
                           const std::string& problem) {
  curve = Curve{};
  view.UpdateParams();
  view.DrawPlot();
  const std::string file = name.substr(name.rfind('/') + 1);
  prompt.Message(std::string(CantOpen) + "\n\n" + file + ": " + problem + ".", PromptIcon::Exclamation,
                 PromptButtons::Ok, PromptAnswer::Ok);
}

// A CSV file (a stitched curve of several ranges, a spreadsheet's two
// columns): read whole before anything changes, so a bad one leaves the
// curve as it was. The point-count buttons follow a count they offer.
bool LoadCsvFile(const std::string& name, Curve& curve, Prompt& prompt, PointCountChoice& choice, PlotView& view) {
  CurveFile file = ReadCurveFile(LocalPath(name));
  if (!file.ok()) {
    prompt.Message(std::string(CantOpen) + "\n\n" + FileName(name) + ": " + file.error + ".", PromptIcon::Exclamation,
                   PromptButtons::Ok, PromptAnswer::Ok);
    return false;
  }
  curve = std::move(file.curve);
  curve.info.source = FileName(name);
  if (const int option = OptionForCount(static_cast<double>(curve.points.size())); option != 0) {
    choice.AllOptionsOff();
    choice.TurnOptionOn(option);
  } else {
    view.UpdateParams();
  }
  view.DrawPlot();
  return true;
}

// Only a regular file that can be read counts as existing; anything else
// (a folder, a device, a pipe) is never opened. A device named without an
// extension is refused as it is, not taken as the start of a new name.
bool WriteAfterAsking(const std::string& typed, const std::string& path, const std::optional<std::string>& text,
                      Prompt& prompt) {
  if (OutputRefusal(typed) || OutputRefusal(path)) {
    prompt.Message("Can't save file", PromptIcon::Exclamation, PromptButtons::OkCancel, PromptAnswer::Ok);
    return false;
  }
  if (::access(path.c_str(), R_OK) == 0) {
    const PromptAnswer answer =
        prompt.Message("Overwrite existing file?", PromptIcon::Question, PromptButtons::YesNo, PromptAnswer::No);
    if (answer != PromptAnswer::Yes) return false;
  }
  if (text && WriteFileAtomically(path, *text)) return true;
  prompt.Message("Can't save file", PromptIcon::Exclamation, PromptButtons::OkCancel, PromptAnswer::Ok);
  return false;
}

std::optional<std::string> CsvText(const Curve& curve) {
  CsvMetadata meta;
  meta.program = "kvt_win";
  meta.version = KVT_VERSION;
  meta.dateTime = LocalDateTimeNow();
  const CurveText out = CurveFileText(curve, CurveFormat::Csv, meta);
  if (!out.error.empty()) return std::nullopt;
  return out.text;
}

// A points file holds one range: a curve of several is never written as
// one. Under a .csv name it goes to CSV at once; otherwise the user is told
// and may save it as CSV, the dialog proposing the same name.
bool SaveMixedRanges(const Curve& curve, Prompt& prompt, const std::string& typed, const std::string& path) {
  if (CurveFormatOfName(path) == CurveFormat::Csv) return WriteAfterAsking(typed, path, CsvText(curve), prompt);
  const PromptAnswer answer = prompt.Message(
      "This curve has points from " + RangeList(curve) +
          ". A points file (.kvt) holds one range and would lose them.\n\nSave the curve as CSV instead?",
      PromptIcon::Question, PromptButtons::YesNo, PromptAnswer::Yes);
  if (answer != PromptAnswer::Yes) return false;
  FileDialogRequest request{"Save Points as CSV", {"All Files (*.*)", "CSV Files (*.csv)"}, CsvFilter};
  request.fileName = AsCsvName(path);
  const SaveChoice choice = prompt.SaveFile(request);
  if (choice.name.empty()) return false;
  const std::string csvTyped = LocalPath(choice.name);
  const std::string csvPath = choice.filter == CsvFilter ? WithDefaultSuffix(csvTyped, ".csv") : csvTyped;
  return WriteAfterAsking(csvTyped, csvPath, CsvText(curve), prompt);
}

}  // namespace

bool LoadPointsFile(Curve& curve, Prompt& prompt, PointCountChoice& choice, PlotView& view) {
  const std::string name = prompt.OpenFileName(OpenRequest());
  if (name.empty()) return false;
  if (CurveFormatOfName(name) == CurveFormat::Csv) return LoadCsvFile(name, curve, prompt, choice, view);

  std::string bytes;
  const bool opened = ReadFileStart(LocalPath(name), MaxPointsFileBytes, bytes);
  const bool whole = bytes.size() <= MaxPointsFileBytes;
  if (!whole) bytes.resize(MaxPointsFileBytes);
  const PointsFileContent content = opened ? ReadPointsText(bytes, whole) : PointsFileContent{};

  if (content.status == PointsReadStatus::NotAPointsFile) {
    prompt.Message(CantOpen, PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
    return false;
  }
  if (content.status == PointsReadStatus::BadData) {
    EmptyAfterLateFailure(curve, prompt, view, name, content.problem);
    return true;
  }
  choice.AllOptionsOff();
  if (content.status == PointsReadStatus::BadCount) {
    EmptyAfterLateFailure(curve, prompt, view, name, content.problem);
    return true;
  }
  // The curve is replaced before the option button is turned on, so the
  // panel update its click runs already sees the new points (save and clear
  // become available).
  curve = CurveFromPointsFile(content);
  curve.info.source = name.substr(name.rfind('/') + 1);
  choice.TurnOptionOn(OptionForCount(content.count));
  view.DrawPlot();
  return true;
}

bool SavePointsFile(const Curve& curve, Prompt& prompt) {
  if (curve.empty()) {
    prompt.Message("There are no points!", PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
    return false;
  }
  const SaveChoice choice = prompt.SaveFile(SaveRequest());
  if (choice.name.empty()) return false;
  const std::string typed = LocalPath(choice.name);
  const std::string path = choice.filter == PointsFilter ? WithDefaultSuffix(typed, ".kvt") : typed;
  if (HasMixedRanges(curve)) return SaveMixedRanges(curve, prompt, typed, path);
  return WriteAfterAsking(typed, path, PointsFileText(curve), prompt);
}

std::string WithDefaultSuffix(const std::string& name, const std::string& suffix) {
  const auto slash = name.rfind('/');
  const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  if (base.empty() || base.find('.') != std::string::npos) return name;
  return name + suffix;
}

}  // namespace kvt
