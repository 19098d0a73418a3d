#include "files/points_commands.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include "files/points_file.h"

namespace kvt {

namespace {

constexpr char CantOpen[] = "Can't Open File!";

FileDialogRequest OpenRequest() {
  return {"Open file with points", {"All Files (*.*)", "Files with Points(*.kvt)"}, 1};
}

FileDialogRequest SaveRequest() {
  return {"Save Points", {"All Files (*.*)", "Files with Points (*.kvt)"}, 1};
}

struct FileBytes {
  bool opened = false;
  QByteArray bytes;
  bool whole = true;  // false: the file goes on beyond `bytes`
};

// Reads at most MaxPointsFileBytes of a regular file.
FileBytes ReadStart(const QString& path) {
  FileBytes result;
  const QFileInfo info(path);
  if (info.exists() && !info.isFile()) return result;  // folders, devices, pipes
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return result;
  const qint64 wanted = static_cast<qint64>(MaxPointsFileBytes) + 1;
  while (result.bytes.size() < wanted) {
    const QByteArray chunk = file.read(wanted - result.bytes.size());
    if (chunk.isEmpty()) break;
    result.bytes += chunk;
  }
  if (file.error() != QFileDevice::NoError) return result;
  if (result.bytes.size() > static_cast<qint64>(MaxPointsFileBytes)) {
    result.bytes.truncate(static_cast<qsizetype>(MaxPointsFileBytes));
    result.whole = false;
  }
  result.opened = true;
  return result;
}

bool WritePointsFile(const QString& path, const PointSet& points) {
  const auto text = PointsFileText(points);
  if (!text) return false;
  // Replacing by rename would get past a write-protected file.
  const QFileInfo info(path);
  if (info.exists() && !info.isWritable()) return false;
  QSaveFile file(path);
  // Unbuffered: a buffered QSaveFile can report success after a short
  // write (disk full, size limit) and put a truncated file in place.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
  const auto size = static_cast<qint64>(text->size());
  if (file.write(text->data(), size) != size) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace

void LoadPointsFile(PointSet& points, Prompt& prompt, PointCountChoice& choice, PlotView& view) {
  const std::string name = prompt.OpenFileName(OpenRequest());
  if (name.empty()) return;

  const FileBytes file = ReadStart(QString::fromStdString(name));
  const PointsFileContent content =
      file.opened ? ReadPointsText(std::string_view(file.bytes.constData(), file.bytes.size()), file.whole)
                  : PointsFileContent{};

  if (content.status == PointsReadStatus::NotAPointsFile) {
    prompt.Message(CantOpen, PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
    return;
  }
  for (const PointsSample& s : content.samples) {
    points.PointVolts[s.slot] = s.volts;
    points.PointAmps[s.slot] = s.amps;
  }
  if (content.status == PointsReadStatus::BadData) {
    points.PointCount = 0;
    prompt.Message(CantOpen, PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
    return;
  }
  choice.AllOptionsOff();
  if (content.status == PointsReadStatus::BadCount) {
    points.PointCount = 0;
    prompt.Message(CantOpen, PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
    return;
  }
  // The count is set before the option button is turned on, so the panel
  // update its click runs already sees the new points (save and clear
  // become available).
  points.PointCount = static_cast<std::int16_t>(content.count);
  choice.TurnOptionOn(OptionForCount(content.count));
  view.DrawPlot();
}

void SavePointsFile(const PointSet& points, Prompt& prompt) {
  if (points.PointCount == 0) {
    prompt.Message("There are no points!", PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
    return;
  }
  const std::string name = prompt.SaveFileName(SaveRequest());
  if (name.empty()) return;
  const QString path = QString::fromStdString(name);

  // Only a file that can be read counts as existing.
  if (QFile existing(path); existing.open(QIODevice::ReadOnly)) {
    existing.close();
    const PromptAnswer answer =
        prompt.Message("Overwrite existing file?", PromptIcon::Question, PromptButtons::YesNo, PromptAnswer::No);
    if (answer != PromptAnswer::Yes) return;
  }
  if (!WritePointsFile(path, points))
    prompt.Message("Can't save file", PromptIcon::Exclamation, PromptButtons::OkCancel, PromptAnswer::Ok);
}

}  // namespace kvt
