// The board window's board commands: new, open, save, the photo, and every
// result written to the board file the moment it is made.
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>

#include "core/prompt.h"
#include "ui/board_photo_view.h"
#include "ui/board_store.h"
#include "ui/board_window.h"

namespace kvt {

namespace {

const FileDialogRequest BoardFiles{"Board", {"Boards (*.kvtboard)", "All Files (*)"}, 0};

std::string WrittenBy() { return std::string("kvt_win ") + KVT_VERSION; }

}  // namespace

void BoardWindow::NewBoard() {
  StopLive();
  board_ = Board{};
  board_.name = "Board";
  path_.clear();
  photoFile_.clear();
  modified_ = false;
  selected_ = -1;
  liveCurve_.reset();
  LoadPhoto();
  ShowBoard();
  verdict_->clear();
  SetStatus("Click on the photo to add a test point, or add points to the list.");
}

bool BoardWindow::OpenBoard(const std::string& path) {
  BoardLoad loaded = services_.store->Load(path);
  if (!loaded.board) {
    services_.prompt->Message(loaded.error, PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
    return false;
  }
  StopLive();
  board_ = std::move(*loaded.board);
  path_ = path;
  photoFile_ = board_.photoPath.empty()
                   ? std::string()
                   : QFileInfo(QFileInfo(QString::fromStdString(path)).dir(), QString::fromStdString(board_.photoPath))
                         .filePath()
                         .toStdString();
  modified_ = false;
  selected_ = board_.points.empty() ? -1 : 0;
  liveCurve_.reset();
  LoadPhoto();
  ShowBoard();
  verdict_->clear();
  if (selected_ >= 0) ShowVerdict(board_.points.front());
  DrawLivePlot();
  SetStatus("Opened " + path + ".");
  return true;
}

bool BoardWindow::OpenBoardAsked() {
  if (!MayDiscard()) return false;
  FileDialogRequest request = BoardFiles;
  request.title = "Open board";
  const std::string name = services_.prompt->OpenFileName(request);
  return !name.empty() && OpenBoard(name);
}

bool BoardWindow::Save() {
  if (path_.empty()) return SaveAs();
  // The photo's path as the file holds it: relative to the file's folder.
  if (!photoFile_.empty())
    board_.photoPath =
        QFileInfo(QString::fromStdString(path_)).dir().relativeFilePath(QString::fromStdString(photoFile_)).toStdString();
  board_.writtenBy = WrittenBy();
  const std::string error = services_.store->Save(path_, board_);
  if (!error.empty()) {
    services_.prompt->Message(error, PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
    return false;
  }
  modified_ = false;
  SetStatus("Saved " + path_ + ".");
  return true;
}

bool BoardWindow::SaveAs() {
  FileDialogRequest request = BoardFiles;
  request.title = "Save board as";
  std::string name = services_.prompt->SaveFileName(request);
  if (name.empty()) return false;
  if (QFileInfo(QString::fromStdString(name)).suffix().isEmpty()) name += ".kvtboard";
  const std::string before = path_;
  path_ = name;
  if (Save()) {
    setWindowTitle(QString::fromStdString("Board test - " + board_.name + " (" + path_ + ")"));
    return true;
  }
  path_ = before;
  return false;
}

bool BoardWindow::ChoosePhoto() {
  const std::string name =
      services_.prompt->OpenFileName({"Photo of the board", {"Pictures (*.png *.jpg *.jpeg *.bmp)", "All Files (*)"}, 0});
  if (name.empty()) return false;
  if (QPixmap(QString::fromStdString(name)).isNull()) {
    services_.prompt->Message(name + ": not a picture that can be read.", PromptIcon::Exclamation, PromptButtons::Ok,
                              PromptAnswer::Ok);
    return false;
  }
  photoFile_ = name;
  board_.photoPath = name;  // made relative when the board is saved
  modified_ = true;
  LoadPhoto();
  PlaceOnPhoto();
  return true;
}

bool BoardWindow::MayDiscard() {
  if (!modified_) return true;
  const PromptAnswer answer = services_.prompt->Message("The board has changes that are not saved. Save them?",
                                                        PromptIcon::Question, PromptButtons::YesNoCancel,
                                                        PromptAnswer::Yes);
  if (answer == PromptAnswer::Cancel) return false;
  return answer == PromptAnswer::No || Save();
}

void BoardWindow::LoadPhoto() {
  QPixmap photo;
  if (!photoFile_.empty()) {
    photo.load(QString::fromStdString(photoFile_));
    if (photo.isNull()) SetStatus(photoFile_ + ": the photo cannot be read; the points are listed without it.", true);
  }
  photo_->SetPhoto(photo);
  // Without a photo the list is the board.
  photo_->setVisible(!photo.isNull());
}

void BoardWindow::StoreResult() {
  modified_ = true;
  ShowBoard();
  if (path_.empty()) {
    SetStatus("Kept in the window; the board has no file yet (Save As).");
    return;
  }
  board_.writtenBy = WrittenBy();
  if (const std::string error = services_.store->Save(path_, board_); !error.empty()) {
    SetStatus("Not saved: " + error, true);
    return;
  }
  modified_ = false;
}

}  // namespace kvt
