#include "library/curve_blob.h"

#include <QtEndian>

#include <cstring>

namespace kvt {

namespace {

constexpr int PointBytes = 3 * 8 + 1;

void PutDouble(char* at, double value) {
  quint64 bits;
  std::memcpy(&bits, &value, sizeof bits);
  qToLittleEndian(bits, at);
}

double GetDouble(const char* at) {
  const quint64 bits = qFromLittleEndian<quint64>(at);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace

QByteArray CurveBlob(const Curve& curve) {
  QByteArray blob(static_cast<qsizetype>(curve.points.size()) * PointBytes, '\0');
  char* at = blob.data();
  for (const CurvePoint& p : curve.points) {
    PutDouble(at, p.volts);
    PutDouble(at + 8, p.amps);
    PutDouble(at + 16, p.rangeOhms.value_or(0.0));
    at[24] = p.clipped ? 1 : 0;
    at += PointBytes;
  }
  return blob;
}

std::optional<std::vector<CurvePoint>> PointsOfBlob(const QByteArray& blob) {
  if (blob.size() % PointBytes != 0) return std::nullopt;
  std::vector<CurvePoint> points;
  points.reserve(blob.size() / PointBytes);
  for (const char* at = blob.constData(); at < blob.constData() + blob.size(); at += PointBytes) {
    CurvePoint p;
    p.volts = GetDouble(at);
    p.amps = GetDouble(at + 8);
    if (const double ohms = GetDouble(at + 16); ohms > 0) p.rangeOhms = ohms;
    p.clipped = at[24] != 0;
    points.push_back(p);
  }
  return points;
}

}  // namespace kvt
