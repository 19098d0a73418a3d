#pragma once
// The board window: a board's test points on its photo (or in a plain list),
// and the two sessions run on them with live sweeping. Capture stores each
// point's known-good curve once the probe holds still on it; test judges the
// same point of a suspect board, shows and sounds the verdict, and moves on
// when the probe is lifted or on Space.
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "analysis/probe_state.h"
#include "core/board.h"
#include "core/typed_options.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace kvt {

class BoardCue;
class BoardPhotoView;
class BoardStore;
class LiveSweep;
class MeasuringSession;
class Prompt;

struct BoardWindowServices {
  MeasuringSession* session = nullptr;
  BoardStore* store = nullptr;
  Prompt* prompt = nullptr;
  PlotOptions plot;
  std::string source = "instrument";  // what the stored curves name as theirs
  // Told of every verdict; the window's own tones when not given.
  std::function<void(bool pass)> cue;
  // Called before live sweeping starts, so nothing else sweeps the instrument.
  std::function<void()> claimInstrument;
};

class BoardWindow : public QWidget {
  Q_OBJECT
 public:
  enum class Mode { Edit, Capture, Test };
  static constexpr int DefaultPointCount = 64;

  explicit BoardWindow(BoardWindowServices services, QWidget* parent = nullptr);
  ~BoardWindow() override;

  // The board commands; false when cancelled or failed (the user was told).
  void NewBoard();
  bool OpenBoard(const std::string& path);
  bool OpenBoardAsked();
  bool Save();
  bool SaveAs();
  bool ChoosePhoto();

  // A point named after the ones there ("P1", "P2" ...) at a place on the photo.
  int AddPoint(std::optional<double> x, std::optional<double> y);
  void RemoveSelectedPoint();
  void RenamePoint(int index, const std::string& name);
  void MovePoint(int index, double x, double y);
  void Select(int index);

  // Capture and test start live sweeping on the selected point (the first
  // uncaptured or untested one when none is); Edit stops it.
  void SetMode(Mode mode);
  // Cancel: live sweeping stops, 0 V on the output, back to Edit.
  void Cancel();
  // Space: in test, the next point; in capture, the live curve stored as
  // the point's known-good one as it is (a point that reads open, say).
  void Next();
  // One point of the live sweep: what the timer runs.
  void TickLive();

  const Board& CurrentBoard() const { return board_; }
  const std::string& Path() const { return path_; }
  int Selected() const { return selected_; }
  Mode CurrentMode() const { return mode_; }
  bool Sweeping() const;
  bool Modified() const { return modified_; }
  int PointCount() const;
  void SetPointCount(int count);
  QLabel* VerdictLabel() const { return verdict_; }
  QLabel* StatusLabel() const { return status_; }
  QLabel* PlotLabel() const { return plot_; }
  BoardPhotoView* PhotoView() const { return photo_; }
  QListWidget* PointList() const { return list_; }
  QTimer* LiveTimer() const { return timer_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildControls();
  void OnSweep(const Curve& sweep);
  void OnCaptureSweep(const Curve& sweep);
  void OnTestSweep(const Curve& sweep);
  void StartLive();
  void StopLive();
  // Selects the next point the session still needs; ends the session when none.
  void Advance();
  void EndSession(const std::string& why);
  // Writes the board when it has a file; a failure is shown, not asked.
  void StoreResult();
  bool MayDiscard();
  void LoadPhoto();
  // Points without a place put along the photo's lower margin, where they
  // show and can be dragged (nothing without a photo).
  void PlaceOnPhoto();
  void ShowBoard();
  void ShowVerdict(const TestPoint& point);
  void DrawLivePlot();
  void SetStatus(const std::string& text, bool problem = false);
  std::string PointLine(const TestPoint& point) const;

  BoardWindowServices services_;
  std::unique_ptr<BoardCue> ownCue_;
  Board board_;
  std::string path_;
  std::string photoFile_;  // the photo's own path, as it is found now
  bool modified_ = false;
  int selected_ = -1;
  Mode mode_ = Mode::Edit;
  std::unique_ptr<LiveSweep> live_;
  ProbeWatch watch_;
  std::optional<Curve> liveCurve_;
  // After a point is stored or left, the next one is taken only once the
  // probe has left the last: an open sweep or one unlike this.
  bool armed_ = true;
  std::optional<Curve> leftCurve_;
  bool judged_ = false;  // test: the selected point has its verdict

  BoardPhotoView* photo_ = nullptr;
  QListWidget* list_ = nullptr;
  QLabel* plot_ = nullptr;
  QLabel* verdict_ = nullptr;
  QLabel* status_ = nullptr;
  QComboBox* modeBox_ = nullptr;
  QComboBox* pointsBox_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QTimer* timer_ = nullptr;
  bool filling_ = false;  // the list is being refilled: its signals are ours
};

}  // namespace kvt
