#include "ui/qt_prompt.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QStringList>

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

std::string RunFileDialog(QWidget* parent, const FileDialogRequest& request, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, QString::fromStdString(request.title));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(mode);
  // The commands decide themselves what a missing or existing file means.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setDefaultSuffix(QString());
  QStringList filters;
  for (const std::string& f : request.filters) filters << QString::fromStdString(f);
  dialog.setNameFilter(filters.join(QStringLiteral(";;")));
  if (request.selectedFilter >= 0 && request.selectedFilter < filters.size())
    dialog.selectNameFilter(filters[request.selectedFilter]);
  ListEveryFileForStarDotStar(dialog);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? std::string() : files.front().toStdString();
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
  return RunFileDialog(parent_, request, QFileDialog::AcceptOpen);
}

std::string QtPrompt::SaveFileName(const FileDialogRequest& request) {
  return RunFileDialog(parent_, request, QFileDialog::AcceptSave);
}

}  // namespace kvt
