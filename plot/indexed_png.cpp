#include "plot/indexed_png.h"

#include <QList>
#include <array>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "plot/run_deflate.h"

namespace kvt {

namespace {

constexpr std::array<std::uint32_t, 256> CrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

std::uint32_t Crc(const QByteArray& bytes) {
  static constexpr std::array<std::uint32_t, 256> table = CrcTable();
  std::uint32_t c = 0xFFFFFFFFu;
  for (const char byte : bytes) c = table[(c ^ static_cast<std::uint8_t>(byte)) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void AppendBigEndian(QByteArray& bytes, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes.append(static_cast<char>(value >> shift & 0xFF));
}

void AppendChunk(QByteArray& png, const char* type, const QByteArray& data) {
  AppendBigEndian(png, static_cast<std::uint32_t>(data.size()));
  const QByteArray typed = type + data;
  png.append(typed);
  AppendBigEndian(png, Crc(typed));
}

// Colours to palette entries in the order they first appear.
class Palette {
 public:
  // Nothing once a 257th colour turns up.
  std::optional<std::uint8_t> Index(QRgb colour) {
    if (haveLast_ && colour == last_) return lastIndex_;
    const auto [it, added] = index_.try_emplace(colour, static_cast<std::uint8_t>(colours_.size()));
    if (added) {
      if (colours_.size() == 256) return std::nullopt;
      colours_.push_back(colour);
    }
    haveLast_ = true;
    last_ = colour;
    lastIndex_ = it->second;
    return lastIndex_;
  }
  QByteArray Entries() const {
    QByteArray rgb;
    for (const QRgb c : colours_) {
      rgb.append(static_cast<char>(qRed(c)));
      rgb.append(static_cast<char>(qGreen(c)));
      rgb.append(static_cast<char>(qBlue(c)));
    }
    return rgb;
  }

 private:
  QList<QRgb> colours_;
  std::unordered_map<QRgb, std::uint8_t> index_;
  bool haveLast_ = false;
  QRgb last_ = 0;
  std::uint8_t lastIndex_ = 0;
};

// The first pixel from `x` on of another colour than `row[x]`, or `width`.
// Eight pixels are compared at a time: most of a plot's rows are one run.
int RunEnd(const QRgb* row, int x, int width) {
  const QRgb colour = row[x];
  const std::uint64_t two = std::uint64_t{colour} << 32 | colour;
  for (; x + 8 <= width; x += 8) {
    std::uint64_t eight[4];
    std::memcpy(eight, row + x, sizeof eight);
    if (((eight[0] ^ two) | (eight[1] ^ two) | (eight[2] ^ two) | (eight[3] ^ two)) != 0) break;
  }
  while (x < width && row[x] == colour) ++x;
  return x;
}

}  // namespace

std::optional<QByteArray> IndexedPng(const QImage& source) {
  if (source.isNull()) return std::nullopt;
  const bool direct = source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32;
  const QImage image = direct ? source : source.convertToFormat(QImage::Format_RGB32);
  const int width = image.width(), height = image.height();
  Palette palette;
  RunDeflate pixels;
  for (int y = 0; y < height; ++y) {
    pixels.Add(0, 1);  // the row's filter: none
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < width;) {
      const int end = RunEnd(row, x, width);
      const auto index = palette.Index(row[x] | 0xFF000000u);
      if (!index) return std::nullopt;
      pixels.Add(*index, static_cast<std::size_t>(end - x));
      x = end;
    }
  }

  QByteArray png("\x89PNG\r\n\x1a\n", 8);
  QByteArray header;
  AppendBigEndian(header, static_cast<std::uint32_t>(width));
  AppendBigEndian(header, static_cast<std::uint32_t>(height));
  header.append("\x08\x03\x00\x00\x00", 5);  // 8 bits, palette, deflate, no filter choice, not interlaced
  AppendChunk(png, "IHDR", header);
  if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0) {
    QByteArray density;
    AppendBigEndian(density, static_cast<std::uint32_t>(image.dotsPerMeterX()));
    AppendBigEndian(density, static_cast<std::uint32_t>(image.dotsPerMeterY()));
    density.append('\x01');  // per metre
    AppendChunk(png, "pHYs", density);
  }
  AppendChunk(png, "PLTE", palette.Entries());
  AppendChunk(png, "IDAT", pixels.Finish());
  AppendChunk(png, "IEND", {});
  return png;
}

}  // namespace kvt
