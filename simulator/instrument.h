#pragma once
// The instrument as the parallel port sees it: a data register whose lines
// drive the DAC's and the ADC's serial interfaces, a status register that
// carries the ADC's data bit and the range switch, a control register with
// the blink line. Out and In are the port's byte writes and reads.
#include <array>
#include <cstdint>

#include "simulator/circuit.h"
#include "simulator/noise_source.h"
#include "simulator/sim_config.h"

namespace kvtsim {

class Instrument {
 public:
  explicit Instrument(const SimConfig& config = {});

  // Takes a new setting (component, switch, noise, base address) while
  // keeping the registers and the applied DAC code, as turning a knob would.
  void Configure(const SimConfig& config);
  const SimConfig& Config() const { return config_; }

  // Writes the low 8 bits of value to the port given by the low 16 bits of
  // port; returns the byte written. Ports other than data and control ignore it.
  int Out(int port, int value) {
    value &= 0xFF;
    port &= 0xFFFF;
    if (port == dataPort_) {
      int before = data_;
      data_ = value;
      if ((before ^ value) & kConverterLines) LinesChanged(before, value);
    } else if (port == controlPort_) {
      if ((control_ ^ value) & kBlinkBit) ++blinkToggles_;
      control_ = value;
    }
    return value;
  }

  // Reads one byte, 0..255; ports outside the instrument read as all ones.
  int In(int port) const {
    port &= 0xFFFF;
    if (port == dataPort_) return data_;
    if (port == statusPort_) return statusFixed_ | ((adcShift_ >> 4) & kAdcDataBit);
    if (port == controlPort_) return control_;
    return 0xFF;
  }

  int AppliedCode() const { return appliedCode_; }
  // The part under the probe: counted from 1 with every component other
  // than open that the setting brings, and its own values within the spread.
  std::uint64_t PartNumber() const { return partNumber_; }
  const PartDeviation& Part() const { return part_; }
  bool BlinkLine() const { return control_ & kBlinkBit; }
  long BlinkToggles() const { return blinkToggles_; }
  long Conversions() const { return conversions_; }

  // Status bits 6 and 7 for a switch position; the other status bits are
  // the ADC data bit (5) and bits 3 and 4, which always read 1.
  static int RangeBits(int rangeOhms);

 private:
  static constexpr int kDacClock = 0x01, kDacData = 0x02, kDacFrame = 0x04;
  static constexpr int kAdcClock = 0x10, kAdcFrame = 0x20;
  static constexpr int kConverterLines = kDacClock | kDacFrame | kAdcClock | kAdcFrame;
  static constexpr int kAdcDataBit = 0x20;
  static constexpr int kIdleStatusBits = 0x18;
  static constexpr int kBlinkBit = 0x02;

  static PartDeviation DrawnPart(const SimConfig& config, std::uint64_t number);
  void LinesChanged(int before, int after);
  void StartConversion();
  double ComponentVoltsAt(int code);

  SimConfig config_;
  NoiseSource noise_;
  std::uint64_t partNumber_ = 0;
  PartDeviation part_;
  int dataPort_ = 0, statusPort_ = 0, controlPort_ = 0;
  int statusFixed_ = 0;

  int data_ = 0;
  int control_ = 0;
  long blinkToggles_ = 0;

  // DAC input shift register: a word is open after the opening pulse and
  // takes effect with its tenth bit.
  bool dacWordOpen_ = false;
  int dacBits_ = 0;
  int dacShift_ = 0;
  int appliedCode_ = 512;  // powers up at 0 V

  // ADC output shift register, its current bit at bit 9.
  int adcShift_ = 0;
  long conversions_ = 0;

  std::array<double, 1024> voltsByCode_{};
  std::array<bool, 1024> solved_{};
};

}  // namespace kvtsim
