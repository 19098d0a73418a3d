#include "simulator/instrument.h"

#include <algorithm>
#include <cmath>

#include "simulator/circuit.h"

namespace kvtsim {

Instrument::Instrument(const SimConfig& config) : config_(config), noise_(config.seed) {
  if (config.component.kind != ComponentKind::Open) partNumber_ = 1;
  part_ = DrawnPart(config, partNumber_);
  Configure(config);
}

PartDeviation Instrument::DrawnPart(const SimConfig& config, std::uint64_t number) {
  return DrawPart(config.seed, number, config.spreadPercent,
                  config.resistorSpreadPercent.value_or(config.spreadPercent));
}

int Instrument::RangeBits(int rangeOhms) {
  // The program rounds the whole status byte / 128 to tell the positions
  // apart, so 100 ohms sets bit 7 alone: bit 6 alone could read as 64.
  switch (rangeOhms) {
    case 100: return 0x80;
    case 1000: return 0xC0;
    default: return 0x00;
  }
}

void Instrument::Configure(const SimConfig& config) {
  // Another component under the probe is another part; a new spread or
  // seed redraws the one there.
  const bool probed = config.component != config_.component && config.component.kind != ComponentKind::Open;
  if (probed) ++partNumber_;
  PartDeviation part = DrawnPart(config, partNumber_);
  if (config.component != config_.component || config.rangeOhms != config_.rangeOhms || part != part_)
    solved_.fill(false);
  part_ = part;
  if (config.seed != config_.seed) noise_.Reseed(config.seed);
  config_ = config;
  dataPort_ = config.base & 0xFFFF;
  statusPort_ = (config.base + 1) & 0xFFFF;
  controlPort_ = (config.base + 2) & 0xFFFF;
  statusFixed_ = RangeBits(config.rangeOhms) | kIdleStatusBits;
}

void Instrument::LinesChanged(int before, int after) {
  // DAC: a rising clock with the frame low opens a word; with the frame high
  // it takes the data line as the next bit. Dropping the frame inside a word
  // throws the word away.
  const bool dacFrame = after & kDacFrame;
  if (!dacFrame && dacWordOpen_ && dacBits_ > 0) {
    dacWordOpen_ = false;
    dacBits_ = 0;
  }
  if (!(before & kDacClock) && (after & kDacClock)) {
    if (!dacFrame) {
      dacWordOpen_ = true;
      dacBits_ = 0;
      dacShift_ = 0;
    } else if (dacWordOpen_) {
      dacShift_ = (dacShift_ << 1) | ((after & kDacData) ? 1 : 0);
      if (++dacBits_ == 10) {
        appliedCode_ = dacShift_;
        dacWordOpen_ = false;
        dacBits_ = 0;
      }
    }
  }
  // ADC: a rising clock with the frame low starts a conversion, which puts
  // its most significant bit out at once; with the frame high it shifts the
  // next bit out (zeros after the tenth).
  if (!(before & kAdcClock) && (after & kAdcClock)) {
    if (!(after & kAdcFrame)) StartConversion();
    else adcShift_ = (adcShift_ << 1) & 0x3FF;
  }
}

double Instrument::ComponentVoltsAt(int code) {
  if (!solved_[code]) {
    voltsByCode_[code] = ComponentVolts(config_.component, CodeVolts(code), config_.rangeOhms, part_);
    solved_[code] = true;
  }
  return voltsByCode_[code];
}

void Instrument::StartConversion() {
  ++conversions_;
  double ideal = ComponentVoltsAt(appliedCode_) * 100.0 + 512.0;
  double reading = std::nearbyint(ideal + noise_.Offset(config_.noiseLsb, config_.strayRate));
  // Infinite noise can still make NaN; clamp would pass it on and the cast
  // to int would be undefined.
  if (std::isnan(reading)) reading = std::isnan(ideal) ? 512.0 : std::nearbyint(ideal);
  adcShift_ = static_cast<int>(std::clamp(reading, 0.0, 1023.0));
}

}  // namespace kvtsim
