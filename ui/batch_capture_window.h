#pragma once
// Batch capture: parts probed one after another are numbered and stored in a
// parts library with live sweeping. A part is taken when the probe holds
// still on it and stored when the probe is lifted; its figures and bin show
// at once, in the batch's table and in the running statistics beside it.
// A store that fails keeps the parts, to store again or to save as files.
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "analysis/part_statistics.h"
#include "core/typed_options.h"
#include "library/parts_library.h"
#include "ui/batch_flow.h"
#include "ui/batch_library.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace kvt {

class BatchPartsTable;
class BatchStatisticsPanel;
class LiveSweep;
class MeasuringSession;
class Prompt;

struct BatchCaptureServices {
  MeasuringSession* session = nullptr;
  Prompt* prompt = nullptr;
  PlotOptions plot;
  std::string source = "instrument";  // what the stored curves name as theirs
  // Called before live sweeping starts, so nothing else sweeps the instrument.
  std::function<void()> claimInstrument;
};

class BatchCaptureWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr int DefaultPointCount = 64;
  static constexpr const char* DefaultLibrary = "parts.sqlite";

  explicit BatchCaptureWindow(BatchCaptureServices services, QWidget* parent = nullptr);
  ~BatchCaptureWindow() override;

  // Opens the library and starts live sweeping; false, with the reason in
  // the status line, when a field is refused or the library cannot be used.
  // The same library and lot go on with the batch shown; others begin a new one.
  bool Start();
  // Ends live sweeping with 0 V on the output. A part taken and still under
  // the probe is stored: it held still, so it was measured.
  void Stop();
  // One point of the live sweep: what the timer runs.
  void TickLive();
  // Stores the parts a failed store kept, as any store, in the background.
  void RetryStore();
  // Until no store is under way, its outcome shown.
  void WaitForStore();
  bool Storing() const { return storing_; }
  // Writes the curves of the parts not stored as points files, numbered
  // after the name asked for; false when cancelled or not written.
  bool SaveUnstored();
  // The library file from a file dialog: an existing file or a new one.
  bool ChooseLibraryFile();
  // The bins as text (ParseBins); a text that is no bins is shown refused
  // with its reason and leaves the batch without bins.
  void SetBins(const std::string& text);

  bool Sweeping() const;
  int PointCount() const;
  void SetPointCount(int count);
  const std::vector<PartRecord>& Stored() const { return stored_; }
  std::size_t Unstored() const { return pending_.size(); }
  const std::vector<BinDefinition>& Bins() const { return bins_; }
  const std::optional<NewPart>& Taken() const { return taken_; }

  QLineEdit* LibraryEdit() const { return libraryEdit_; }
  QLineEdit* LotEdit() const { return lot_; }
  QLineEdit* TagsEdit() const { return tags_; }
  QLineEdit* BinsEdit() const { return binsEdit_; }
  QLabel* BinsError() const { return binsError_; }
  QComboBox* ParameterBox() const { return parameter_; }
  BatchPartsTable* PartsTable() const { return table_; }
  BatchStatisticsPanel* Statistics() const { return statistics_; }
  QLabel* PartLabel() const { return part_; }
  QLabel* StatusLabel() const { return status_; }
  QLabel* FailureLabel() const { return failure_; }
  QWidget* FailureBar() const { return failureBar_; }
  QLabel* PlotLabel() const { return plot_; }
  QTimer* LiveTimer() const { return timer_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void StopLive();
  void OnSweep(const Curve& sweep);
  void OnTaken(Curve curve);
  // Queues the part behind any a failed store kept and stores them all.
  void Keep(NewPart part);
  void StorePending();
  void OnStored(const BatchStored& result);
  void ShowBatch();
  enum class PartState { Taken, Stored, Kept };
  void ShowPart(const PartRecord& part, PartState state);
  void ShowFailure(const std::string& error);
  void FitPartFont();
  void SetRunning(bool running);
  void DrawLivePlot();
  void SetStatus(const std::string& text, bool problem = false);
  PartBin BinOf(const PartRecord& part) const;
  std::string Parameter() const;

  BatchCaptureServices services_;
  BatchLibrary parts_;
  BatchFlow flow_;
  std::unique_ptr<LiveSweep> live_;
  std::optional<Curve> liveCurve_;
  std::optional<NewPart> taken_;      // held still on, not yet lifted off
  std::vector<PartRecord> stored_;   // this batch's, in the order stored
  std::vector<NewPart> pending_;     // measured, not yet in the library
  std::thread storeThread_;
  bool storing_ = false;
  std::size_t sent_ = 0;  // the first pending parts, being stored
  std::vector<BinDefinition> bins_;
  std::string batchOf_;  // the library and lot the batch shown belongs to
  std::optional<std::string> batchLot_;
  std::vector<std::string> batchTags_;

  QLineEdit* libraryEdit_ = nullptr;
  QPushButton* browse_ = nullptr;
  QLineEdit* lot_ = nullptr;
  QLineEdit* tags_ = nullptr;
  QLineEdit* binsEdit_ = nullptr;
  QLabel* binsError_ = nullptr;
  QComboBox* parameter_ = nullptr;
  QComboBox* pointsBox_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  QLabel* count_ = nullptr;
  BatchPartsTable* table_ = nullptr;
  BatchStatisticsPanel* statistics_ = nullptr;
  QLabel* plot_ = nullptr;
  QLabel* part_ = nullptr;
  QWidget* failureBar_ = nullptr;
  QLabel* failure_ = nullptr;
  QLabel* status_ = nullptr;
  QTimer* timer_ = nullptr;
};

}  // namespace kvt
