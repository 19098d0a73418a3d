// The run encoder's streams, inflated by zlib itself (qUncompress), which
// also checks their Adler-32 sum.
#include <QByteArray>
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "plot/run_deflate.h"

namespace kvt {

namespace {

using Runs = std::vector<std::pair<std::uint8_t, std::size_t>>;

struct DeflateCase {
  const char* name;
  Runs runs;
};

void PrintTo(const DeflateCase& c, std::ostream* os) { *os << c.name; }

Runs EveryLength(std::size_t longest) {  // 1, 2, 3 ... longest, alternating two values
  Runs runs;
  for (std::size_t n = 1; n <= longest; ++n) runs.emplace_back(n % 2 ? 7 : 200, n);
  return runs;
}

Runs EveryValue() {
  Runs runs;
  for (int v = 0; v < 256; ++v) runs.emplace_back(static_cast<std::uint8_t>(v), 1 + v % 5);
  return runs;
}

class RunDeflateStream : public testing::TestWithParam<DeflateCase> {};

TEST_P(RunDeflateStream, InflatesToItsBytes) {
  QByteArray expected;
  RunDeflate deflate;
  for (const auto& [value, count] : GetParam().runs) {
    expected.append(static_cast<qsizetype>(count), static_cast<char>(value));
    deflate.Add(value, count);
  }
  const QByteArray stream = deflate.Finish();
  QByteArray sized(4, '\0');  // qUncompress wants the length first
  for (int i = 0; i < 4; ++i) sized[i] = static_cast<char>(expected.size() >> (24 - 8 * i) & 0xFF);
  const QByteArray inflated = qUncompress(sized + stream);
  ASSERT_EQ(inflated.size(), expected.size());
  EXPECT_TRUE(inflated == expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunDeflateStream,
    testing::Values(DeflateCase{"Nothing", {}}, DeflateCase{"OneByte", {{42, 1}}},
                    // Every repeat length and its extra bits, the 258 limit and the
                    // ones or twos left over after it.
                    DeflateCase{"EveryLengthTo600", EveryLength(600)},
                    // Literals with 8- and 9-bit codes.
                    DeflateCase{"EveryValue", EveryValue()},
                    // A value that comes back after another must not repeat the other.
                    DeflateCase{"ValueReturns", {{5, 300}, {9, 1}, {5, 300}, {9, 2}, {5, 3}}},
                    DeflateCase{"OneRunInPieces", {{3, 100}, {3, 0}, {3, 259}, {3, 1}}},
                    // The checksum summed in pieces, and a sum past 16 bits many times.
                    DeflateCase{"TenMillionOfOne", {{255, 10'000'000}, {0, 1}}}),
    [](const testing::TestParamInfo<DeflateCase>& info) { return std::string(info.param.name); });

}  // namespace

}  // namespace kvt
