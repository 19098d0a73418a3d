#include "ui/points_file_commands.h"

#include <QFile>
#include <QString>
#include <unistd.h>

#include "core/atomic_write.h"
#include "files/points_file.h"

namespace kvt {

namespace {

constexpr char CantOpen[] = "Can't Open File!";

FileDialogRequest OpenRequest() {
  return {"Open file with points", {"All Files (*.*)", "Files with Points(*.kvt)"}, 1};
}

constexpr int PointsFilter = 1;  // "Files with Points (*.kvt)" in the save dialog

FileDialogRequest SaveRequest() {
  return {"Save Points", {"All Files (*.*)", "Files with Points (*.kvt)"}, 1};
}

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

}  // namespace

bool LoadPointsFile(Curve& curve, Prompt& prompt, PointCountChoice& choice, PlotView& view) {
  const std::string name = prompt.OpenFileName(OpenRequest());
  if (name.empty()) return false;

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

  // Only a regular file that can be read counts as existing; anything else
  // (a folder, a device, a pipe) is never opened. A device named without an
  // extension is refused as it is, not taken as the start of a new name.
  if (OutputRefusal(typed) || OutputRefusal(path)) {
    prompt.Message("Can't save file", PromptIcon::Exclamation, PromptButtons::OkCancel, PromptAnswer::Ok);
    return false;
  }
  if (::access(path.c_str(), R_OK) == 0) {
    const PromptAnswer answer =
        prompt.Message("Overwrite existing file?", PromptIcon::Question, PromptButtons::YesNo, PromptAnswer::No);
    if (answer != PromptAnswer::Yes) return false;
  }
  const auto text = PointsFileText(curve);
  if (text && WriteFileAtomically(path, *text)) return true;
  prompt.Message("Can't save file", PromptIcon::Exclamation, PromptButtons::OkCancel, PromptAnswer::Ok);
  return false;
}

std::string WithDefaultSuffix(const std::string& name, const std::string& suffix) {
  const auto slash = name.rfind('/');
  const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  if (base.empty() || base.find('.') != std::string::npos) return name;
  return name + suffix;
}

}  // namespace kvt
