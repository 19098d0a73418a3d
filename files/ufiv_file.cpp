#include "files/ufiv_file.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>
#include <set>

#include "core/atomic_write.h"
#include "files/board_json.h"

namespace kvt {

namespace {

constexpr std::size_t MaxUfivFileBytes = std::size_t{256} << 20;
constexpr int UfivMinimumPoints = 4;

std::string ElementOfLooseNames(const std::string& boardName) { return boardName.empty() ? "board" : boardName; }

// A pin's name is one word; a comment of one word is taken for a name.
bool IsOneWord(const std::string& text) {
  return !text.empty() && text.find_first_of(" \t\r\n") == std::string::npos;
}

// The pin's comment carries the point's name when its index cannot, and the
// point's comment (see the README's table).
std::string PinComment(const std::string& pin, int index, const std::string& comment) {
  if (pin == std::to_string(index + 1) && comment.find('\n') == std::string::npos && !IsOneWord(comment))
    return comment;
  if (comment.empty() && IsOneWord(pin)) return pin;
  return pin + "\n" + comment;
}

struct NamedPin {
  std::string name;
  std::string comment;
};

NamedPin PinOfComment(const std::string& text, int index) {
  const auto newline = text.find('\n');
  if (newline != std::string::npos) {
    const std::string name = text.substr(0, newline);
    return {name.empty() ? std::to_string(index + 1) : name, text.substr(newline + 1)};
  }
  if (IsOneWord(text)) return {text, ""};
  return {std::to_string(index + 1), text};
}

// The range the whole curve was measured on, or the one most of its points
// were; 0 when none is known (UFIV needs a number).
double RangeForUfiv(const Curve& curve) {
  if (const auto range = curve.RangeOhms()) return *range;
  std::map<double, int> counts;
  for (const CurvePoint& p : curve.points)
    if (p.rangeOhms) ++counts[*p.rangeOhms];
  const auto most = std::max_element(counts.begin(), counts.end(),
                                     [](const auto& a, const auto& b) { return a.second < b.second; });
  return most == counts.end() ? 0.0 : most->first;
}

// The largest voltage the source applied: the part's voltage plus the drop
// across the range resistor.
double MaxAppliedVolts(const Curve& curve, double rangeOhms) {
  if (rangeOhms <= 0 || curve.points.empty()) return UfivDefaultMaxVolts;
  double largest = 0;
  for (const CurvePoint& p : curve.points) largest = std::max(largest, std::fabs(p.volts + p.amps * rangeOhms));
  return std::round(largest * 100) / 100;
}

QJsonObject IvCurve(const Curve& curve, bool reference) {
  const double range = RangeForUfiv(curve);
  QJsonObject settings;
  settings["sampling_rate"] = static_cast<double>(curve.points.size()) * UfivProbeSignalHz;
  settings["probe_signal_frequency"] = UfivProbeSignalHz;
  settings["internal_resistance"] = range;
  settings["max_voltage"] = MaxAppliedVolts(curve, range);
  QJsonArray volts, amps;
  for (const CurvePoint& p : curve.points) {
    volts.append(p.volts);
    amps.append(p.amps);
  }
  QJsonObject object;
  object["is_reference"] = reference;
  object["measurement_settings"] = settings;
  object["voltages"] = volts;
  object["currents"] = amps;
  return object;
}

std::string CurveRefusal(const Curve& curve) {
  if (curve.points.size() < UfivMinimumPoints)
    return "has " + std::to_string(curve.points.size()) + " points, and UFIV needs at least " +
           std::to_string(UfivMinimumPoints);
  for (const CurvePoint& p : curve.points)
    if (!std::isfinite(p.volts) || !std::isfinite(p.amps)) return "holds a value that is not a finite number";
  return "";
}

Curve CurveOfUfiv(const JsonReader& in, const std::string& source) {
  const std::vector<double> volts = in.Numbers("voltages");
  const std::vector<double> amps = in.Numbers("currents");
  if (volts.size() != amps.size())
    in.Fail("currents", "holds " + std::to_string(amps.size()) + " numbers for " + std::to_string(volts.size()) +
                            " voltages");
  if (volts.empty()) in.Fail("voltages", "is empty");
  std::optional<double> range;
  if (in.Has("measurement_settings")) {
    const auto ohms = in.Object("measurement_settings").OptionalNumber("internal_resistance");
    if (ohms && *ohms > 0) range = ohms;
  }
  Curve curve;
  for (std::size_t i = 0; i < volts.size(); ++i) curve.points.emplace_back(volts[i], amps[i], false, range);
  FlagClipping(curve);
  curve.info.pointCount = static_cast<int>(volts.size());
  curve.info.source = source;
  return curve;
}

void CheckVersion(const JsonReader& root) {
  if (root.Has("format") && root.OptionalText("format") == BoardFileFormat)
    throw JsonError("a board file, not a UFIV file");
  if (!root.Has("elements") || !root.Has("version"))
    throw JsonError("not a UFIV file (it needs an \"elements\" list and a \"version\")");
  const std::string version = root.Text("version");
  const std::string major = version.substr(0, version.find('.'));
  if (major != "1")
    throw JsonError("UFIV version \"" + version + "\", which this program does not read (it reads 1.x, written as " +
                    UfivVersion + ")");
}

Board BoardOfUfiv(const JsonReader& root, const std::string& source) {
  CheckVersion(root);
  Board board;
  bool placed = false;
  if (root.Has("PCB")) {
    const JsonReader pcb = root.Object("PCB");
    board.name = pcb.OptionalText("pcb_name");
    board.photoPath = pcb.OptionalText("pcb_image_path");
    placed = !board.photoPath.empty();
  }
  std::set<std::string> names;
  const std::string looseElement = ElementOfLooseNames(board.name);
  const int elements = root.ArraySize("elements");
  for (int e = 0; e < elements; ++e) {
    const JsonReader element = root.Item("elements", e);
    const std::string elementName = element.OptionalText("name");
    const int pins = element.ArraySize("pins");
    for (int p = 0; p < pins; ++p) {
      const JsonReader pin = element.Item("pins", p);
      const NamedPin named = PinOfComment(pin.OptionalText("comment"), p);
      TestPoint point;
      const auto nameOf = [&](const std::string& pinName) {
        return elementName == looseElement ? pinName : elementName + "." + pinName;
      };
      point.name = nameOf(named.name);
      if (names.count(point.name)) point.name = nameOf(std::to_string(p + 1));
      for (int k = 2; names.count(point.name); ++k) point.name = nameOf(named.name + "_" + std::to_string(k));
      names.insert(point.name);
      point.comment = named.comment;
      const double x = pin.Number("x"), y = pin.Number("y");
      if (placed) {
        point.x = x;
        point.y = y;
      }
      const int curves = pin.ArraySize("iv_curves");
      for (int c = 0; c < curves; ++c) {
        const JsonReader iv = pin.Item("iv_curves", c);
        Curve curve = CurveOfUfiv(iv, source);
        if (iv.OptionalBool("is_reference").value_or(false)) {
          if (!point.knownGood) point.knownGood = std::move(curve);
        } else {
          point.latest = PointTest{};
          point.latest->curve = std::move(curve);
        }
      }
      if (point.knownGood) point.rangeOhms = point.knownGood->RangeOhms();
      board.points.push_back(std::move(point));
    }
  }
  return board;
}

}  // namespace

PinName SplitPointName(const std::string& point, const std::string& boardName) {
  const auto dot = point.find('.');
  if (dot == std::string::npos) return {ElementOfLooseNames(boardName), point};
  return {point.substr(0, dot), point.substr(dot + 1)};
}

UfivOut UfivFileText(const Board& board) {
  // Elements in the order of their first point, pins in the points' order.
  std::vector<std::string> order;
  std::map<std::string, QJsonArray> pins;
  for (const TestPoint& point : board.points) {
    for (const auto* curve : {point.knownGood ? &*point.knownGood : nullptr,
                              point.latest ? &point.latest->curve : nullptr}) {
      if (!curve) continue;
      if (const std::string why = CurveRefusal(*curve); !why.empty())
        return {"", "point \"" + point.name + "\": its " + (curve == &*point.knownGood ? "known-good" : "test") +
                        " curve " + why};
    }
    if ((point.x && !std::isfinite(*point.x)) || (point.y && !std::isfinite(*point.y)))
      return {"", "point \"" + point.name + "\": its position is not a finite number"};
    const PinName name = SplitPointName(point.name, board.name);
    if (!pins.count(name.element)) order.push_back(name.element);
    QJsonArray& list = pins[name.element];
    QJsonArray curves;
    if (point.knownGood) curves.append(IvCurve(*point.knownGood, true));
    if (point.latest && !point.latest->curve.empty()) curves.append(IvCurve(point.latest->curve, false));
    QJsonObject pin;
    // Unplaced points (and every point of a board without a photo) sit at
    // the origin: UFIV needs a position.
    pin["x"] = point.x.value_or(0.0);
    pin["y"] = point.y.value_or(0.0);
    pin["comment"] = QString::fromStdString(PinComment(name.pin, static_cast<int>(list.size()), point.comment));
    pin["iv_curves"] = curves;
    list.append(pin);
  }
  if (order.empty()) return {"", "the board has no points, and UFIV needs at least one element"};
  QJsonArray elements;
  for (const std::string& name : order) {
    QJsonObject element;
    element["name"] = QString::fromStdString(name);
    element["pins"] = pins[name];
    elements.append(element);
  }
  QJsonObject pcb;
  pcb["pcb_name"] = QString::fromStdString(board.name);
  pcb["pcb_image_path"] = QString::fromStdString(board.photoPath);
  QJsonObject root;
  root["version"] = UfivVersion;
  root["PCB"] = pcb;
  root["elements"] = elements;
  return {IndentedWithFlatArrays(QJsonDocument(root)), ""};
}

BoardRead BoardFromUfiv(const std::string& bytes, const std::string& source) {
  BoardRead read;
  try {
    read.board = BoardOfUfiv(JsonReader::Document(bytes), source);
  } catch (const JsonError& e) {
    read.error = e.what();
  }
  return read;
}

BoardRead ReadUfivFile(const std::string& path) {
  std::string bytes;
  if (IsSpecialFile(path)) return {{}, path + ": not a regular file"};
  if (!ReadFileStart(path, MaxUfivFileBytes, bytes)) {
    const int error = errno;
    return {{}, path + ": cannot be read" + (error ? std::string(" (") + std::strerror(error) + ")" : "")};
  }
  if (bytes.size() > MaxUfivFileBytes) return {{}, path + ": too big for a UFIV file"};
  BoardRead read = BoardFromUfiv(bytes, path);
  if (!read.ok()) read.error = path + ": " + read.error;
  return read;
}

}  // namespace kvt
