#pragma once
// The View menu: the current scale beyond the Max I scroll bar, the
// log-current view and the reference match's tolerance. What it sets is
// kept in kvt_win_view.cfg beside kvt_win.cfg, written at every change.
#include <QObject>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/comparison.h"
#include "core/prompt.h"
#include "core/view_options.h"

class QAction;
class QMenuBar;

namespace kvt {

// Asks for the tolerance's text, showing `current`; nothing when cancelled.
using AskText = std::function<std::optional<std::string>(const std::string& current)>;

class ViewMenu : public QObject {
  Q_OBJECT
 public:
  // Adds "&View" before "&Options". `changed` runs after every change, to
  // redraw. `ask` defaults to a text input dialog over the menu bar's window.
  ViewMenu(QMenuBar* bar, Prompt& prompt, std::function<void()> changed, AskText ask = {});

  // Reads the file of `configDir`; a tolerance the comparison cannot take
  // is dropped for "auto".
  void Load(const std::string& configDir);
  const ViewOptions& Options() const { return options_; }
  // The tolerance as the comparison takes it.
  CompareOptions MatchOptions() const;

  void SetCurrentScale(int milliamps);
  void SetLogCurrent(bool on);
  // Asks until the text is good or the user cancels; a bad text is refused
  // with the reason and asked again.
  void AskMatchTolerance();

  // The items, for the window's tests: one per CurrentScales entry.
  const std::vector<QAction*>& ScaleItems() const { return scaleItems_; }
  QAction* LogCurrentItem() const { return logCurrent_; }
  QAction* MatchToleranceItem() const { return matchTolerance_; }

 private:
  void Changed();
  void ShowChecks();

  Prompt& prompt_;
  std::function<void()> changed_;
  AskText ask_;
  std::string configDir_;
  ViewOptions options_;
  std::vector<QAction*> scaleItems_;
  QAction* logCurrent_ = nullptr;
  QAction* matchTolerance_ = nullptr;
  bool toldWriteFailure_ = false;
};

}  // namespace kvt
