#include "ui/qt_prompt.h"

#include <QMessageBox>
#include <QWidget>

#include "ui/file_dialog.h"

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

std::string FirstFile(const FileDialogOutcome& outcome) {
  return outcome.files.isEmpty() ? std::string() : outcome.files.front().toStdString();
}

}  // namespace

PromptAnswer QtPrompt::Message(const std::string& text, PromptIcon icon, PromptButtons buttons,
                               PromptAnswer defaultAnswer) {
  // A file dialog that has just closed left part of the window to be drawn
  // again; behind the box that part would stay empty (the plot without its
  // curve) until the box is gone.
  if (parent_ && parent_->window()->isVisible()) parent_->window()->repaint();
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
  const FileDialogOutcome outcome = RunFileDialog(parent_, request, QFileDialog::AcceptSave);
  return {FirstFile(outcome), outcome.filter};
}

std::vector<std::string> QtPrompt::OpenFileNames(const FileDialogRequest& request, int maxCount) {
  const FileDialogOutcome outcome = RunFileDialog(parent_, request, QFileDialog::AcceptOpen, QFileDialog::ExistingFiles);
  std::vector<std::string> names;
  for (const QString& file : outcome.files)
    if (static_cast<int>(names.size()) < maxCount) names.push_back(file.toStdString());
  return names;
}

}  // namespace kvt
