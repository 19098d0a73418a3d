#pragma once
// The plot as a PNG file with an indexed palette: the plot has a handful of
// colours, so the file is small, and it is written in a few milliseconds
// even at full-screen sizes.
#include <QByteArray>
#include <QImage>
#include <optional>

namespace kvt {

// The image's pixels, opaque, with an exact palette. Nothing when the image
// holds more colours than a palette takes (256).
std::optional<QByteArray> IndexedPng(const QImage& image);

}  // namespace kvt
