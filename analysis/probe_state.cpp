#include "analysis/probe_state.h"

namespace kvt {

bool SweepsAgree(const Curve& sweep, const Curve& previous) {
  if (sweep.empty() || previous.empty()) return false;
  return CompareCurves(sweep, previous).pass;
}

Curve OpenCircuitCurve(const Curve& sweep) {
  // The applied voltage of each point: what the part took plus what the
  // range resistor dropped. Nothing connected, all of it reaches the input.
  Curve open;
  open.info = sweep.info;
  for (const CurvePoint& p : sweep.points) {
    const double applied = p.rangeOhms ? p.volts + p.amps * *p.rangeOhms : p.volts;
    open.points.push_back({applied, 0.0, false, p.rangeOhms});
  }
  FlagClipping(open);
  return open;
}

bool IsOpenCircuit(const Curve& sweep) {
  if (sweep.empty()) return false;
  return CompareCurves(sweep, OpenCircuitCurve(sweep)).pass;
}

void ProbeWatch::Add(const Curve& sweep) {
  agreeing_ = latest_ && SweepsAgree(sweep, *latest_);
  openRun_ = IsOpenCircuit(sweep) ? openRun_ + 1 : 0;
  latest_ = sweep;
}

void ProbeWatch::Reset() {
  latest_.reset();
  agreeing_ = false;
  openRun_ = 0;
}

}  // namespace kvt
