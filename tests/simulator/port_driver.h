#pragma once
// A small driver that talks to the instrument the way the program does:
// every write starts from the register's current value, a DAC word is 22
// writes, an ADC conversion 22 writes with a status read per bit.
#include <algorithm>
#include <functional>
#include <vector>

class PortDriver {
 public:
  using Out = std::function<int(int, int)>;
  using In = std::function<int(int)>;

  PortDriver(Out out, In in, int base = 0x378) : out_(std::move(out)), in_(std::move(in)), base_(base) {}

  int Data() { return in_(base_); }
  void SetData(int value) { out_(base_, value); }
  int Status() { return in_(base_ + 1); }

  // Opening pulse, then `bits` of the code's ten, most significant first;
  // with dropFrame the frame line falls after them instead of the word ending.
  void WriteDacPartly(int code, int bits, bool dropFrame) {
    SetData(Data() & 0xFA);
    SetData((Data() & 0xFA) | 0x01);
    for (int i = 9; i >= 10 - bits; --i) {
      int data = ((code >> i) & 1) ? 0x02 : 0x00;
      SetData((Data() & 0xF8) | 0x04 | data);  // clock 0, frame 1, data bit
      SetData((Data() & 0xFD) | 0x05 | data);  // clock 1, frame 1, data bit
    }
    if (dropFrame) SetData(Data() & ~0x04);
  }
  void WriteDac(int code) { WriteDacPartly(code, 10, false); }

  // Opening pulse only: the conversion starts, its first bit is on status bit 5.
  void StartConversion() {
    SetData(Data() & 0xCF);
    SetData((Data() & 0xCF) | 0x10);
  }
  void ClockAdc() {
    SetData((Data() & 0xCF) | 0x20);
    SetData(Data() | 0x30);
  }
  int AdcBit() { return (Status() & 0x20) ? 1 : 0; }

  int ReadAdc() {
    StartConversion();
    int result = 0;
    for (int i = 0; i < 10; ++i) {
      result = result * 2 + AdcBit();
      ClockAdc();
    }
    return result;
  }

  // Median of n conversions: steady against the occasional stray reading.
  int MedianReading(int n = 9) {
    std::vector<int> readings;
    for (int i = 0; i < n; ++i) readings.push_back(ReadAdc());
    std::nth_element(readings.begin(), readings.begin() + n / 2, readings.end());
    return readings[n / 2];
  }

  // Applies the voltage (nearest code) and gives back the median reading in volts.
  double Measure(double volts) {
    WriteDac(static_cast<int>(volts * 100 + 512.5));
    return (MedianReading() - 512) / 100.0;
  }

 private:
  Out out_;
  In in_;
  int base_;
};
