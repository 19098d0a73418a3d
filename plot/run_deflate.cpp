#include "plot/run_deflate.h"

#include <algorithm>
#include <array>

namespace kvt {

namespace {

constexpr std::uint32_t AdlerModulus = 65521;
constexpr int DistanceOneBits = 5;  // fixed distance code 0, no extra bits

// Huffman codes go into the stream from their most significant bit on, all
// else from the least: a code is stored reversed.
constexpr std::uint32_t Reversed(std::uint32_t code, int length) {
  std::uint32_t result = 0;
  for (int i = 0; i < length; ++i) result |= ((code >> i) & 1u) << (length - 1 - i);
  return result;
}

struct Code {
  std::uint32_t bits = 0;
  int length = 0;
};

// The fixed literal/length code of a symbol 0..287.
constexpr Code FixedCode(int symbol) {
  if (symbol < 144) return {Reversed(0x30 + symbol, 8), 8};
  if (symbol < 256) return {Reversed(0x190 + symbol - 144, 9), 9};
  if (symbol < 280) return {Reversed(symbol - 256, 7), 7};
  return {Reversed(0xC0 + symbol - 280, 8), 8};
}

// A repeat of the byte before, 3..258 long: length symbol, its extra bits
// and the distance code, in one piece.
constexpr std::array<Code, 259> RepeatCodes() {
  constexpr int base[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                          31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
  constexpr int extra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  std::array<Code, 259> codes{};
  int index = 0;
  for (int length = 3; length <= 258; ++length) {
    while (index + 1 < 29 && base[index + 1] <= length) ++index;
    const Code symbol = FixedCode(257 + index);
    const auto extraValue = static_cast<std::uint32_t>(length - base[index]);
    codes[length] = {symbol.bits | extraValue << symbol.length, symbol.length + extra[index] + DistanceOneBits};
  }
  return codes;
}

constexpr std::array<Code, 259> Repeats = RepeatCodes();

}  // namespace

RunDeflate::RunDeflate() {
  out_.append("\x78\x01", 2);  // deflate, 32 KiB window, no dictionary
  Bits(0b011, 3);              // the one and last block, fixed codes
}

void RunDeflate::Add(std::uint8_t value, std::size_t count) {
  if (count == 0) return;
  if (pendingCount_ > 0 && pending_ == value) {
    pendingCount_ += count;
    return;
  }
  if (pendingCount_ > 0) Emit(pending_, pendingCount_);
  pending_ = value;
  pendingCount_ = count;
}

QByteArray RunDeflate::Finish() {
  if (pendingCount_ > 0) Emit(pending_, pendingCount_);
  pendingCount_ = 0;
  Bits(FixedCode(256).bits, FixedCode(256).length);  // end of block
  if (bitCount_ > 0) Bits(0, 8 - bitCount_);
  const std::uint32_t adler = adlerB_ << 16 | adlerA_;
  for (int shift = 24; shift >= 0; shift -= 8) out_.append(static_cast<char>(adler >> shift & 0xFF));
  return out_;
}

void RunDeflate::Emit(std::uint8_t value, std::size_t count) {
  // Adler-32 of `count` bytes of one value at once: a grows by value each
  // byte, b by each new a. Pieces keep the products within 64 bits.
  for (std::size_t left = count; left > 0;) {
    const std::uint64_t n = std::min<std::size_t>(left, 1u << 16);
    adlerB_ = static_cast<std::uint32_t>((adlerB_ + n * adlerA_ + value * (n * (n + 1) / 2)) % AdlerModulus);
    adlerA_ = static_cast<std::uint32_t>((adlerA_ + n * value) % AdlerModulus);
    left -= n;
  }
  if (!haveLast_ || last_ != value) {
    Literal(value);
    --count;
  }
  haveLast_ = true;
  last_ = value;
  for (; count >= 3; count -= std::min<std::size_t>(count, 258)) {
    const Code& repeat = Repeats[std::min<std::size_t>(count, 258)];
    Bits(repeat.bits, repeat.length);
  }
  for (; count > 0; --count) Literal(value);
}

void RunDeflate::Literal(std::uint8_t value) {
  const Code code = FixedCode(value);
  Bits(code.bits, code.length);
}

void RunDeflate::Bits(std::uint32_t bits, int count) {
  bitBuffer_ |= std::uint64_t{bits} << bitCount_;
  bitCount_ += count;
  while (bitCount_ >= 8) {
    out_.append(static_cast<char>(bitBuffer_ & 0xFF));
    bitBuffer_ >>= 8;
    bitCount_ -= 8;
  }
}

}  // namespace kvt
