#pragma once
// One part swept on several ranges in turn, the user asked to move the range
// switch between them: the capture waits until the switch reads the range
// asked for, then sweeps it. The window ticks it from its 100 ms timer, kvt
// measure drives it back to back; both through the measuring session.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/curve.h"
#include "device/acquisition.h"

namespace kvt {

class MeasuringSession;

// The request shown while the capture waits: "Move the range switch to 1 kΩ".
std::string MoveSwitchRequest(double ohms);

// The ranges of a text such as "10k,1k,100" (100, 1k or 1000, 10k or 10000,
// each at most once, in the order to sweep them); nothing, with the reason
// in `reason`, when the text is not such a list.
std::optional<std::vector<double>> RangeListFromText(std::string_view text, std::string* reason = nullptr);

struct WideRangeCalls {
  // Shows the request to move the switch; an empty text withdraws it.
  std::function<void(const std::string& request)> ask;
  // Turns the switch to the range asked for, where something can (the
  // simulated instrument's hand); empty for a person.
  std::function<void(double rangeOhms)> hand;
};

enum class WideRangeStage { Waiting, Sweeping, Finished, Cancelled };

struct WideRangeTick {
  WideRangeStage stage = WideRangeStage::Waiting;
  double rangeOhms = 0;  // the range waited for or swept
  int rangeNumber = 0;   // its place in the list, from 0
  double progress = 0;   // share of all the sweeps done, 0 ... 1
};

class WideRangeCapture {
 public:
  // Sweeps of `pointCount` points (32 ... 1024) on each of `rangesOhms` in
  // turn; the session must outlive the capture.
  WideRangeCapture(MeasuringSession& session, std::vector<double> rangesOhms, int pointCount,
                   WideRangeCalls calls);

  // Begins with the first range: its sweep starts at the first tick that
  // finds the switch there.
  void Start();

  // One step: while waiting, one read of the switch (the request is made at
  // the first read that finds the switch elsewhere); while sweeping, one
  // point. A sweep ending on another range than it began on is thrown away
  // and the range asked for again.
  WideRangeTick Tick();

  // Abandons the capture at any stage: 0 V on the part, no sweeps kept, the
  // request withdrawn.
  void Cancel();

  // Start and ticks without pause until the end. `stop` is asked before
  // every tick: when it says so the capture is cancelled and false returned.
  // `idle` runs after every read of the switch that did not find it there
  // (a pause, so the waiting does not spin). True when every range was swept.
  bool RunBackToBack(const std::function<bool()>& stop = {}, const std::function<void()>& idle = {});

  // The sweeps in the order of the list, once the capture has finished.
  const std::vector<Curve>& Sweeps() const { return sweeps_; }
  const std::vector<double>& Ranges() const { return ranges_; }
  WideRangeStage Stage() const { return stage_; }
  // The request being shown; empty when none is.
  const std::string& Request() const { return request_; }
  int PointCount() const { return pointCount_; }
  // The sweep under way; nothing while waiting.
  const Acquisition* Sweep() const { return acquisition_ ? &*acquisition_ : nullptr; }

 private:
  void WaitFor(int rangeNumber);
  void Ask(const std::string& request);
  WideRangeTick Outcome() const;

  MeasuringSession& session_;
  std::vector<double> ranges_;
  int pointCount_;
  WideRangeCalls calls_;
  WideRangeStage stage_ = WideRangeStage::Waiting;
  int current_ = 0;
  bool handAsked_ = false;
  std::string request_;
  Curve sweep_;
  std::optional<Acquisition> acquisition_;
  std::vector<Curve> sweeps_;
};

}  // namespace kvt
