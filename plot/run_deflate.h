#pragma once
// A zlib stream (RFC 1950/1951) of bytes handed over as runs of one value.
// A plot is long runs of its background broken by a few lines and texts, so
// each run becomes one literal and repeats of the byte before it (fixed
// Huffman codes, distance 1), and the checksum is summed a run at a time:
// the work follows the number of runs, not of bytes.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

namespace kvt {

class RunDeflate {
 public:
  RunDeflate();
  // `count` more bytes of `value`; runs of one value may follow each other.
  void Add(std::uint8_t value, std::size_t count);
  // The whole stream; adds nothing after it.
  QByteArray Finish();

 private:
  void Emit(std::uint8_t value, std::size_t count);
  void Bits(std::uint32_t bits, int count);
  void Literal(std::uint8_t value);

  QByteArray out_;
  std::uint64_t bitBuffer_ = 0;
  int bitCount_ = 0;
  std::uint32_t adlerA_ = 1, adlerB_ = 0;
  bool haveLast_ = false;  // a byte was written, which a repeat can copy
  std::uint8_t last_ = 0;
  std::uint8_t pending_ = 0;  // the run not yet written
  std::size_t pendingCount_ = 0;
};

}  // namespace kvt
