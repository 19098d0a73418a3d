#include "ui/qt_prompt.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QStringList>
#include <algorithm>

namespace kvt {

namespace {

QMessageBox::Icon BoxIcon(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::Exclamation: return QMessageBox::Warning;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::Information: return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons BoxButtons(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::Ok: return QMessageBox::Ok;
    case PromptButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

QMessageBox::StandardButton BoxButton(PromptAnswer answer) {
  switch (answer) {
    case PromptAnswer::Ok: return QMessageBox::Ok;
    case PromptAnswer::Cancel: return QMessageBox::Cancel;
    case PromptAnswer::Yes: return QMessageBox::Yes;
    case PromptAnswer::No: return QMessageBox::No;
  }
  return QMessageBox::NoButton;
}

// A box closed without a button (window manager, Escape) gives the
// answer that does nothing.
PromptAnswer ClosedAnswer(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::Ok: return PromptAnswer::Ok;
    case PromptButtons::OkCancel: return PromptAnswer::Cancel;
    case PromptButtons::YesNo: return PromptAnswer::No;
    case PromptButtons::YesNoCancel: return PromptAnswer::Cancel;
  }
  return PromptAnswer::Cancel;
}

// "All Files (*.*)" is meant to list every file; Qt takes "*.*" literally
// and would hide names without a dot.
void ListEveryFileForStarDotStar(QFileDialog& dialog) {
  const auto apply = [&dialog](const QString& filter) {
    if (!filter.endsWith(QLatin1String("(*.*)"))) return;
    if (auto* model = dialog.findChild<QFileSystemModel*>()) model->setNameFilters({QStringLiteral("*")});
  };
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, apply);
  apply(dialog.selectedNameFilter());
}

struct DialogOutcome {
  QStringList files;  // empty: cancelled
  int filter = 0;
};

DialogOutcome RunFileDialog(QWidget* parent, const FileDialogRequest& request, QFileDialog::AcceptMode mode,
                            QFileDialog::FileMode fileMode = QFileDialog::AnyFile) {
  QFileDialog dialog(parent, QString::fromStdString(request.title));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(mode);
  // The commands decide themselves what a missing or existing file means.
  dialog.setFileMode(fileMode);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setDefaultSuffix(QString());
  QStringList filters;
  for (const std::string& f : request.filters) filters << QString::fromStdString(f);
  dialog.setNameFilter(filters.join(QStringLiteral(";;")));
  if (request.selectedFilter >= 0 && request.selectedFilter < filters.size())
    dialog.selectNameFilter(filters[request.selectedFilter]);
  ListEveryFileForStarDotStar(dialog);
  if (dialog.exec() != QDialog::Accepted) return {};
  return {dialog.selectedFiles(), std::max<int>(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())))};
}

std::string FirstFile(const DialogOutcome& outcome) {
  return outcome.files.isEmpty() ? std::string() : outcome.files.front().toStdString();
}

}  // namespace

PromptAnswer QtPrompt::Message(const std::string& text, PromptIcon icon, PromptButtons buttons,
                               PromptAnswer defaultAnswer) {
  QMessageBox box(BoxIcon(icon), BlankTitle(), QString::fromStdString(text), BoxButtons(buttons), parent_);
  box.setDefaultButton(BoxButton(defaultAnswer));
  switch (box.exec()) {
    case QMessageBox::Ok: return PromptAnswer::Ok;
    case QMessageBox::Cancel: return PromptAnswer::Cancel;
    case QMessageBox::Yes: return PromptAnswer::Yes;
    case QMessageBox::No: return PromptAnswer::No;
    default: return ClosedAnswer(buttons);
  }
}

std::string QtPrompt::OpenFileName(const FileDialogRequest& request) {
  return FirstFile(RunFileDialog(parent_, request, QFileDialog::AcceptOpen));
}

std::string QtPrompt::SaveFileName(const FileDialogRequest& request) {
  return FirstFile(RunFileDialog(parent_, request, QFileDialog::AcceptSave));
}

SaveChoice QtPrompt::SaveFile(const FileDialogRequest& request) {
  const DialogOutcome outcome = RunFileDialog(parent_, request, QFileDialog::AcceptSave);
  return {FirstFile(outcome), outcome.filter};
}

std::vector<std::string> QtPrompt::OpenFileNames(const FileDialogRequest& request, int maxCount) {
  const DialogOutcome outcome = RunFileDialog(parent_, request, QFileDialog::AcceptOpen, QFileDialog::ExistingFiles);
  std::vector<std::string> names;
  for (const QString& file : outcome.files)
    if (static_cast<int>(names.size()) < maxCount) names.push_back(file.toStdString());
  return names;
}

}  // namespace kvt
