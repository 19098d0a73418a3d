#pragma once
// Reading JSON documents field by field with errors that say where
// ("points[3] (\"U3.7\").known_good: volts[12] is not a finite number"), and
// the curve as the board file holds it. Shared by the board file and UFIV.
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/curve.h"

namespace kvt {

struct JsonError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// One JSON object and where it lies in the document. Every getter throws
// JsonError naming the place when the field is missing or of the wrong kind.
class JsonReader {
 public:
  // The document's top object; "bad JSON at byte N: ..." otherwise.
  static JsonReader Document(const std::string& bytes);

  bool Has(const char* key) const;
  std::string Text(const char* key) const;
  std::string OptionalText(const char* key) const;  // "" when absent
  double Number(const char* key) const;             // finite
  std::optional<double> OptionalNumber(const char* key) const;
  std::optional<bool> OptionalBool(const char* key) const;
  JsonReader Object(const char* key) const;
  int ArraySize(const char* key) const;
  // The array's item `index`, an object; named by its "name" when it has one.
  JsonReader Item(const char* key, int index) const;
  std::vector<double> Numbers(const char* key) const;  // each finite
  bool IsArray(const char* key) const;
  std::vector<std::optional<double>> NumbersOrNulls(const char* key) const;
  [[noreturn]] void Fail(const std::string& key, const std::string& what) const;

 private:
  JsonReader(QJsonObject object, std::string place) : object_(std::move(object)), place_(std::move(place)) {}
  QJsonValue Value(const char* key) const;
  QJsonObject object_;
  std::string place_;  // "" for the top object, else ends in "."
};

// {"points", "time", "source", "volts", "amps", "clipped", "range_ohms"}:
// the numbers in compact arrays, the clipped points as a list of indices,
// the range one number when every point has it, null when no point knows
// it, one entry per point otherwise.
QJsonObject CurveJson(const Curve& curve);
Curve ReadCurve(const JsonReader& in);

// Indented like QJsonDocument::Indented, but arrays of plain numbers on one
// line each, so a curve takes three lines instead of three per point.
std::string IndentedWithFlatArrays(const QJsonDocument& document);

}  // namespace kvt
