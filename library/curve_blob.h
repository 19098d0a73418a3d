#pragma once
// A curve's points as one database value: per point the volts, amperes and
// range in ohms (0 when unknown) as little-endian doubles and a clipping
// byte, the same bytes on every machine and both databases.
#include <QByteArray>

#include <optional>

#include "core/curve.h"

namespace kvt {

QByteArray CurveBlob(const Curve& curve);
// The points back; nothing when the bytes are not a whole number of points.
std::optional<std::vector<CurvePoint>> PointsOfBlob(const QByteArray& blob);

}  // namespace kvt
