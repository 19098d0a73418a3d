#include "device/wide_range_capture.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "device/measuring_session.h"

namespace kvt {

std::string MoveSwitchRequest(double ohms) { return "Move the range switch to " + RangeName(ohms); }

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

std::optional<double> RangeOfWord(std::string_view word) {
  std::string lower(word);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  if (lower == "100") return 100.0;
  if (lower == "1k" || lower == "1000") return 1000.0;
  if (lower == "10k" || lower == "10000") return 10000.0;
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<double>> RangeListFromText(std::string_view text, std::string* reason) {
  const auto refuse = [reason](std::string why) -> std::optional<std::vector<double>> {
    if (reason) *reason = std::move(why);
    return std::nullopt;
  };
  std::vector<double> ranges;
  for (;;) {
    const std::size_t comma = text.find(',');
    const std::string_view word = Trimmed(text.substr(0, comma));
    if (word.empty()) return refuse("an empty place in the list");
    const auto ohms = RangeOfWord(word);
    if (!ohms) return refuse("\"" + std::string(word) + "\" is not a range");
    if (std::find(ranges.begin(), ranges.end(), *ohms) != ranges.end())
      return refuse("\"" + std::string(word) + "\" comes twice");
    ranges.push_back(*ohms);
    if (comma == std::string_view::npos) return ranges;
    text.remove_prefix(comma + 1);
  }
}

WideRangeCapture::WideRangeCapture(MeasuringSession& session, std::vector<double> rangesOhms, int pointCount,
                                   WideRangeCalls calls)
    : session_(session), ranges_(std::move(rangesOhms)), pointCount_(pointCount), calls_(std::move(calls)) {}

void WideRangeCapture::Start() {
  sweeps_.clear();
  acquisition_.reset();
  if (ranges_.empty()) {
    stage_ = WideRangeStage::Finished;
    return;
  }
  WaitFor(0);
}

void WideRangeCapture::WaitFor(int rangeNumber) {
  current_ = rangeNumber;
  stage_ = WideRangeStage::Waiting;
  handAsked_ = false;
  acquisition_.reset();
}

void WideRangeCapture::Ask(const std::string& request) {
  if (request == request_) return;
  request_ = request;
  if (calls_.ask) calls_.ask(request_);
}

WideRangeTick WideRangeCapture::Tick() {
  if (stage_ == WideRangeStage::Waiting) {
    const double target = ranges_[static_cast<std::size_t>(current_)];
    if (session_.Range().Poll().ohms == target) {
      Ask({});
      sweep_ = Curve{};
      acquisition_.emplace(sweep_, pointCount_, session_.SweepCalls());
      acquisition_->Start();
      stage_ = WideRangeStage::Sweeping;
    } else if (!handAsked_) {
      Ask(MoveSwitchRequest(target));
      if (calls_.hand) calls_.hand(target);
      handAsked_ = true;
    }
    return Outcome();
  }
  if (stage_ != WideRangeStage::Sweeping) return Outcome();

  // The tick past the last code stores the points with the range of now.
  if (acquisition_->NextCode() > 1023) session_.Range().Poll();
  if (!acquisition_->Tick().finished) return Outcome();
  acquisition_.reset();
  if (sweep_.empty()) {  // a point count with no sweep: nothing to do
    Cancel();
    return Outcome();
  }
  if (sweep_.RangeOhms() != ranges_[static_cast<std::size_t>(current_)]) {
    WaitFor(current_);  // the switch moved during the sweep: not one range
    return Outcome();
  }
  sweeps_.push_back(std::move(sweep_));
  if (current_ + 1 < static_cast<int>(ranges_.size()))
    WaitFor(current_ + 1);
  else
    stage_ = WideRangeStage::Finished;
  return Outcome();
}

WideRangeTick WideRangeCapture::Outcome() const {
  WideRangeTick out;
  out.stage = stage_;
  out.rangeNumber = current_;
  out.rangeOhms = ranges_.empty() ? 0 : ranges_[static_cast<std::size_t>(current_)];
  const double within = acquisition_ ? std::min(acquisition_->NextCode(), 1024) / 1024.0 : 0.0;
  out.progress = stage_ == WideRangeStage::Finished
                     ? 1.0
                     : ranges_.empty() ? 0.0 : (static_cast<double>(sweeps_.size()) + within) / ranges_.size();
  return out;
}

void WideRangeCapture::Cancel() {
  if (stage_ == WideRangeStage::Finished || stage_ == WideRangeStage::Cancelled) return;
  if (acquisition_) acquisition_->Cancel();
  acquisition_.reset();
  session_.LeaveAtZeroVolts();
  sweeps_.clear();
  Ask({});
  stage_ = WideRangeStage::Cancelled;
}

bool WideRangeCapture::RunBackToBack(const std::function<bool()>& stop, const std::function<void()>& idle) {
  Start();
  for (;;) {
    if (stop && stop()) {
      Cancel();
      return false;
    }
    const WideRangeStage stage = Tick().stage;
    if (stage == WideRangeStage::Finished) return true;
    if (stage == WideRangeStage::Cancelled) return false;
    if (stage == WideRangeStage::Waiting && idle) idle();
  }
}

}  // namespace kvt
