#include "files/board_json.h"

#include <QJsonArray>
#include <QJsonParseError>
#include <QRegularExpression>
#include <cmath>

namespace kvt {

JsonReader JsonReader::Document(const std::string& bytes) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(bytes), &error);
  if (error.error != QJsonParseError::NoError)
    throw JsonError("bad JSON at byte " + std::to_string(error.offset) + ": " + error.errorString().toStdString());
  if (!document.isObject()) throw JsonError("bad JSON: the document is no object");
  return JsonReader(document.object(), "");
}

void JsonReader::Fail(const std::string& key, const std::string& what) const {
  throw JsonError(place_ + key + ": " + what);
}

QJsonValue JsonReader::Value(const char* key) const {
  const QJsonValue value = object_.value(QLatin1String(key));
  if (value.isUndefined()) Fail(key, "is missing");
  return value;
}

bool JsonReader::Has(const char* key) const { return object_.contains(QLatin1String(key)); }

std::string JsonReader::Text(const char* key) const {
  const QJsonValue value = Value(key);
  if (!value.isString()) Fail(key, "is no text");
  return value.toString().toStdString();
}

std::string JsonReader::OptionalText(const char* key) const { return Has(key) ? Text(key) : std::string(); }

double JsonReader::Number(const char* key) const {
  const QJsonValue value = Value(key);
  if (!value.isDouble() || !std::isfinite(value.toDouble())) Fail(key, "is not a finite number");
  return value.toDouble();
}

std::optional<double> JsonReader::OptionalNumber(const char* key) const {
  if (!Has(key) || object_.value(QLatin1String(key)).isNull()) return std::nullopt;
  return Number(key);
}

std::optional<bool> JsonReader::OptionalBool(const char* key) const {
  if (!Has(key)) return std::nullopt;
  const QJsonValue value = Value(key);
  if (!value.isBool()) Fail(key, "is neither true nor false");
  return value.toBool();
}

JsonReader JsonReader::Object(const char* key) const {
  const QJsonValue value = Value(key);
  if (!value.isObject()) Fail(key, "is no object");
  return JsonReader(value.toObject(), place_ + key + ".");
}

int JsonReader::ArraySize(const char* key) const {
  const QJsonValue value = Value(key);
  if (!value.isArray()) Fail(key, "is no list");
  return static_cast<int>(value.toArray().size());
}

JsonReader JsonReader::Item(const char* key, int index) const {
  const QJsonValue item = Value(key).toArray().at(index);
  const std::string place = std::string(key) + "[" + std::to_string(index) + "]";
  if (!item.isObject()) Fail(place, "is no object");
  const QJsonValue name = item.toObject().value(QLatin1String("name"));
  const std::string named = name.isString() ? " (\"" + name.toString().toStdString() + "\")" : "";
  return JsonReader(item.toObject(), place_ + place + named + ".");
}

bool JsonReader::IsArray(const char* key) const { return object_.value(QLatin1String(key)).isArray(); }

std::vector<std::optional<double>> JsonReader::NumbersOrNulls(const char* key) const {
  const QJsonArray array = Value(key).toArray();
  std::vector<std::optional<double>> numbers;
  for (qsizetype i = 0; i < array.size(); ++i) {
    if (array[i].isNull()) {
      numbers.emplace_back();
      continue;
    }
    if (!array[i].isDouble() || !std::isfinite(array[i].toDouble()))
      Fail(std::string(key) + "[" + std::to_string(i) + "]", "is neither a finite number nor null");
    numbers.emplace_back(array[i].toDouble());
  }
  return numbers;
}

std::vector<double> JsonReader::Numbers(const char* key) const {
  const QJsonValue value = Value(key);
  if (!value.isArray()) Fail(key, "is no list");
  const QJsonArray array = value.toArray();
  std::vector<double> numbers;
  numbers.reserve(array.size());
  for (qsizetype i = 0; i < array.size(); ++i) {
    if (!array[i].isDouble() || !std::isfinite(array[i].toDouble()))
      Fail(std::string(key) + "[" + std::to_string(i) + "]", "is not a finite number");
    numbers.push_back(array[i].toDouble());
  }
  return numbers;
}

QJsonObject CurveJson(const Curve& curve) {
  QJsonObject object;
  object["points"] = curve.info.pointCount;
  object["time"] = QString::fromStdString(curve.info.dateTime);
  object["source"] = QString::fromStdString(curve.info.source);
  QJsonArray volts, amps, clipped;
  for (std::size_t i = 0; i < curve.points.size(); ++i) {
    volts.append(curve.points[i].volts);
    amps.append(curve.points[i].amps);
    if (curve.points[i].clipped) clipped.append(static_cast<int>(i));
  }
  object["volts"] = volts;
  object["amps"] = amps;
  object["clipped"] = clipped;
  if (const auto range = curve.RangeOhms()) {
    object["range_ohms"] = *range;
  } else {
    bool anyKnown = false;
    QJsonArray ranges;
    for (const CurvePoint& p : curve.points) {
      anyKnown = anyKnown || p.rangeOhms.has_value();
      ranges.append(p.rangeOhms ? QJsonValue(*p.rangeOhms) : QJsonValue());
    }
    object["range_ohms"] = anyKnown ? QJsonValue(ranges) : QJsonValue();
  }
  return object;
}

Curve ReadCurve(const JsonReader& in) {
  Curve curve;
  const std::vector<double> volts = in.Numbers("volts");
  const std::vector<double> amps = in.Numbers("amps");
  if (amps.size() != volts.size())
    in.Fail("amps", "holds " + std::to_string(amps.size()) + " numbers for " + std::to_string(volts.size()) +
                        " volts");
  for (std::size_t i = 0; i < volts.size(); ++i) curve.points.emplace_back(volts[i], amps[i]);
  if (in.Has("clipped")) {
    for (double index : in.Numbers("clipped")) {
      if (index != std::floor(index) || index < 0 || index >= static_cast<double>(volts.size()))
        in.Fail("clipped", "names a point the curve does not have");
      curve.points[static_cast<std::size_t>(index)].clipped = true;
    }
  }
  if (in.IsArray("range_ohms")) {
    const std::vector<std::optional<double>> ranges = in.NumbersOrNulls("range_ohms");
    if (ranges.size() != volts.size())
      in.Fail("range_ohms", "holds " + std::to_string(ranges.size()) + " ranges for " +
                                std::to_string(volts.size()) + " points");
    for (std::size_t i = 0; i < ranges.size(); ++i) {
      if (ranges[i] && *ranges[i] <= 0) in.Fail("range_ohms", "holds a range not above 0");
      curve.points[i].rangeOhms = ranges[i];
    }
  } else if (const auto range = in.OptionalNumber("range_ohms")) {
    if (*range <= 0) in.Fail("range_ohms", "must be above 0");
    curve.SetRangeOhms(*range);
  }
  curve.info.pointCount = static_cast<int>(volts.size());
  if (const auto count = in.OptionalNumber("points")) {
    if (*count != std::floor(*count) || *count < 0 || *count > 1e6) in.Fail("points", "is no point count");
    curve.info.pointCount = static_cast<int>(*count);
  }
  curve.info.dateTime = in.OptionalText("time");
  curve.info.source = in.OptionalText("source");
  return curve;
}

std::string IndentedWithFlatArrays(const QJsonDocument& document) {
  QString text = QString::fromUtf8(document.toJson(QJsonDocument::Indented));
  // A string never holds a raw line break (JSON writes it as \n), so an
  // opening bracket followed by one starts a real array.
  static const QRegularExpression plainArray(QStringLiteral("\\[\\n[-+0-9.eEnul,\\s]*\\]"));
  static const QRegularExpression blanks(QStringLiteral("\\s+"));
  QString out;
  qsizetype from = 0;
  auto it = plainArray.globalMatch(text);
  while (it.hasNext()) {
    const auto match = it.next();
    out += text.mid(from, match.capturedStart() - from);
    QString flat = match.captured().remove(blanks);
    out += flat.replace(',', QStringLiteral(", "));
    from = match.capturedEnd();
  }
  out += text.mid(from);
  return out.toStdString();
}

}  // namespace kvt
