// kvt parts stats, match and report as a user runs them, on parts whose
// figures the test stored itself, on both databases; and the library's
// reading of single columns that they stand on.
#include <QFile>
#include <QtEndian>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>

#include "library/parts_library.h"
#include "tests/library/library_backends.h"
#include "tests/support/kvt_run.h"

namespace kvt {

namespace {

using Outcome = KvtOutcome;

struct Figures {
  std::optional<double> vf, rd;
  const char* lot;
};

// Parts 1 ... as listed: vf with 8 mV uncertainty, rd with 0.5 ohm.
const Figures Bag[] = {
    {0.600, 30.0, "A"}, {0.610, 31.0, "A"}, {0.620, 32.0, "A"}, {0.630, 50.0, "B"}, {std::nullopt, 33.0, "B"},
    {0.6005, 30.2, "B"}, {0.6301, std::nullopt, "B"},
};

NewPart PartOf(const Figures& f) {
  NewPart part;
  part.curve = CurveFromPairs({{0.0, 0.0}, {0.6, 1e-3}}, 1000.0);
  part.curve.info = {2, "2026-03-01 10:00:00", "instrument"};
  PartRecord& r = part.record;
  r.lot = f.lot;
  r.measuredAt = part.curve.info.dateTime;
  r.programVersion = "kvt test";
  r.component = "diode";
  r.figures = {{"vf", f.vf, f.vf ? std::optional(0.008) : std::nullopt, f.vf ? "" : "no forward current"},
               {"rd", f.rd, f.rd ? std::optional(0.5) : std::nullopt, f.rd ? "" : "too few points"}};
  return part;
}

class PartsActions : public testing::TestWithParam<Backend> {
 protected:
  Outcome Kvt(const QStringList& arguments) {
    return RunKvt(dir.path(), arguments);
  }
  QJsonObject Json(const QStringList& arguments) {
    const Outcome run = Kvt(arguments + QStringList{"--json"});
    EXPECT_EQ(run.status, 0) << run.err;
    return QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
  }
  void Fill(const std::string& text) {
    const LocationRead read = ReadLibraryLocation(text);
    PartsLibrary library(read.location, PartsLibrary::Missing::Create);
    std::vector<NewPart> parts;
    for (const Figures& f : Bag) parts.push_back(PartOf(f));
    library.Add(parts);
  }
  QTemporaryDir dir;
};

INSTANTIATE_TEST_SUITE_P(Backends, PartsActions, testing::Values(Backend::Sqlite, Backend::Postgresql), BackendName);

TEST_P(PartsActions, ColumnsHoldOneEntryPerPartOfTheLot) {
  KVT_FRESH_LIBRARY(text, GetParam());
  const LocationRead read = ReadLibraryLocation(text);
  {
    PartsLibrary empty(read.location, PartsLibrary::Missing::Create);
    const auto none = empty.ReadColumns({"vf"});
    EXPECT_TRUE(none.numbers.empty());
    EXPECT_TRUE(none.table.at("vf").empty());
  }
  Fill(text);
  PartsLibrary library(read.location, PartsLibrary::Missing::Refuse);
  const struct {
    const char* name;
    std::optional<std::string> lot;
    std::vector<long long> numbers;
    std::vector<std::optional<double>> vf, rd;
  } rows[] = {
      {"all", std::nullopt, {1, 2, 3, 4, 5, 6, 7},
       {0.600, 0.610, 0.620, 0.630, std::nullopt, 0.6005, 0.6301}, {30, 31, 32, 50, 33, 30.2, std::nullopt}},
      {"lot B", "B", {4, 5, 6, 7}, {0.630, std::nullopt, 0.6005, 0.6301}, {50, 33, 30.2, std::nullopt}},
      {"unknown lot", "Z", {}, {}, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto columns = library.ReadColumns({"vf", "rd", "vbr"}, row.lot);
    EXPECT_EQ(columns.numbers, row.numbers);
    ASSERT_EQ(columns.table.at("vbr").size(), row.numbers.size());
    for (const auto& gap : columns.table.at("vbr")) EXPECT_FALSE(gap.has_value());
    for (const auto& [name, expected] : {std::pair{"vf", row.vf}, std::pair{"rd", row.rd}}) {
      const FigureColumn& column = columns.table.at(name);
      ASSERT_EQ(column.size(), expected.size()) << name;
      for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(column[i].has_value(), expected[i].has_value()) << name << " " << i;
        if (expected[i]) {
          EXPECT_DOUBLE_EQ(column[i]->value, *expected[i]) << name << " " << i;
        }
      }
    }
  }
  const auto lots = library.LotCounts();
  ASSERT_EQ(lots.size(), 2u);
  EXPECT_EQ(lots[0], (std::pair<std::optional<std::string>, long long>{"A", 3}));
  EXPECT_EQ(lots[1], (std::pair<std::optional<std::string>, long long>{"B", 4}));
}

TEST_P(PartsActions, StatisticsBinsAndHistogram) {
  KVT_FRESH_LIBRARY(text, GetParam());
  Fill(text);
  const QString library = QString::fromStdString(text);
  const QJsonObject all = Json({"parts", "stats", library, "--param", "vf", "--histogram", "vf.png", "--bins",
                                "vf<605mV; 0.605<=vf<0.625, rd<40"});
  // Six values: 0.600 0.6005 0.610 0.620 0.630 0.6301; one part without.
  EXPECT_EQ(all["count"].toInt(), 6);
  EXPECT_EQ(all["missing"].toInt(), 1);
  EXPECT_NEAR(all["mean"].toDouble(), 3.6906 / 6, 1e-9);
  EXPECT_NEAR(all["min"].toDouble(), 0.600, 1e-12);
  EXPECT_NEAR(all["max"].toDouble(), 0.6301, 1e-12);
  double squares = 0;
  for (double v : {0.600, 0.6005, 0.610, 0.620, 0.630, 0.6301}) squares += std::pow(v - 3.6906 / 6, 2);
  EXPECT_NEAR(all["std"].toDouble(), std::sqrt(squares / 5), 1e-9);
  const QJsonObject percentiles = all["percentiles"].toObject();
  EXPECT_EQ(percentiles.keys(), (QStringList{"25", "5", "50", "75", "95"}));
  EXPECT_NEAR(percentiles["50"].toDouble(), 0.615, 1e-9);        // between the 3rd and 4th
  EXPECT_NEAR(percentiles["5"].toDouble(), 0.600 + 0.25 * 0.0005, 1e-9);  // rank 0.25
  const QJsonArray bins = all["bins"].toArray();
  ASSERT_EQ(bins.size(), 2);
  EXPECT_EQ(bins[0].toObject()["count"].toInt(), 2);  // 0.600, 0.6005
  EXPECT_EQ(bins[1].toObject()["count"].toInt(), 2);  // 0.610, 0.620
  EXPECT_EQ(all["unbinned"].toInt(), 3);              // 0.630, 0.6301 and the part without vf

  QFile picture(dir.filePath("vf.png"));
  ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
  const QByteArray head = picture.read(24);
  ASSERT_EQ(head.left(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(qFromBigEndian<quint32>(head.constData() + 16), 560u);

  const struct {
    const char* name;
    QStringList lot;
    int count, missing;
  } rows[] = {{"lot A", {"--lot", "A"}, 3, 0}, {"lot B", {"--lot", "B"}, 3, 1}, {"unknown lot", {"--lot", "Z"}, 0, 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const QJsonObject lot = Json(QStringList{"parts", "stats", library, "--param", "vf"} + row.lot);
    EXPECT_EQ(lot["count"].toInt(), row.count);
    EXPECT_EQ(lot["missing"].toInt(), row.missing);
    EXPECT_EQ(lot["mean"].isNull(), row.count == 0);
  }
  const Outcome plain = Kvt({"parts", "stats", library, "--param", "is"});
  EXPECT_EQ(plain.status, 0);
  EXPECT_NE(plain.out.find("shockley.is over 7 parts (all lots): none has a value"), std::string::npos) << plain.out;
}

std::set<int> Members(const QJsonValue& group) {
  std::set<int> parts;
  for (const QJsonValue& p : group.toObject()["parts"].toArray()) parts.insert(p.toInt());
  return parts;
}

TEST_P(PartsActions, PairsSpreadsAndThePartsLeftOver) {
  KVT_FRESH_LIBRARY(text, GetParam());
  Fill(text);
  const QString library = QString::fromStdString(text);
  const QJsonObject pairs = Json({"parts", "match", library, "--param", "vf,rd", "--group", "2", "-o", "pairs.csv"});
  const QJsonArray groups = pairs["groups"].toArray();
  ASSERT_EQ(groups.size(), 2);
  // 1 and 6 lie closest on both; 2 and 3 next; 4 is far off on rd.
  EXPECT_EQ(Members(groups[0]), (std::set<int>{1, 6}));
  EXPECT_EQ(Members(groups[1]), (std::set<int>{2, 3}));
  const QJsonObject first = groups[0].toObject();
  EXPECT_NEAR(first["spread"].toObject()["vf"].toDouble(), 0.0005, 1e-12);
  EXPECT_NEAR(first["spread"].toObject()["rd"].toDouble(), 0.2, 1e-9);
  // Each read to 8 mV and 0.5 ohm: the pairs' vf cannot be told apart
  // (0.5 and 10 mV against 11 mV resolved), nor the first's rd (0.2 ohm
  // against 0.7), but the second's 1 ohm can.
  const struct {
    int group;
    const char* parameter;
    bool within;
  } flags[] = {{0, "vf", true}, {1, "vf", true}, {0, "rd", true}, {1, "rd", false}};
  for (const auto& f : flags)
    EXPECT_EQ(groups[f.group].toObject()["within_resolution"].toObject()[f.parameter].toBool(), f.within)
        << f.group << " " << f.parameter;
  EXPECT_NEAR(first["resolution"].toObject()["vf"].toDouble(), std::hypot(0.008, 0.008), 1e-9);
  std::map<int, QString> unmatched;
  for (const QJsonValue& u : pairs["unmatched"].toArray())
    unmatched[u.toObject()["part"].toInt()] = u.toObject()["reason"].toString();
  EXPECT_EQ(unmatched.size(), 3u);
  EXPECT_EQ(unmatched[5], "no vf");
  EXPECT_EQ(unmatched[7], "no rd");
  EXPECT_EQ(unmatched[4], "left over");

  QFile csv(dir.filePath("pairs.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = csv.readAll().trimmed().split('\n');
  ASSERT_EQ(lines.size(), 1 + 4 + 3);
  EXPECT_EQ(lines[0], "group,part,vf_V,rd_ohm,vf_spread_V,rd_spread_ohm,vf_within_resolution,rd_within_resolution,note");
  EXPECT_TRUE(lines[1].startsWith("1,1,0.6,30,0.0005") || lines[1].startsWith("1,6,0.6005,30.2,0.0005")) << lines[1].constData();

  // A limit that the second pair's 10 mV passes and the first's 0.5 mV does not fail.
  const QJsonObject limited = Json({"parts", "match", library, "--param", "vf", "--group", "2", "--max-spread", "5mV"});
  for (const QJsonValue& g : limited["groups"].toArray())
    EXPECT_LE(g.toObject()["spread"].toObject()["vf"].toDouble(), 0.005);
  bool refused = false;
  for (const QJsonValue& u : limited["unmatched"].toArray())
    refused = refused || u.toObject()["reason"].toString().contains("above the limit");
  EXPECT_TRUE(refused);

  const Outcome text_ = Kvt({"parts", "match", library, "--param", "vf,rd", "--group", "2"});
  EXPECT_NE(text_.out.find("below what the instrument resolves"), std::string::npos) << text_.out;
  EXPECT_NE(text_.out.find("unmatched: part 5: no vf"), std::string::npos) << text_.out;
  const QJsonObject none = Json({"parts", "match", library, "--param", "vf", "--group", "4", "--lot", "Z"});
  EXPECT_TRUE(none["groups"].toArray().isEmpty());
  EXPECT_TRUE(none["unmatched"].toArray().isEmpty());
}

TEST_P(PartsActions, ReportHoldsEveryPartAndItsPictures) {
  KVT_FRESH_LIBRARY(text, GetParam());
  Fill(text);
  const QString library = QString::fromStdString(text);
  ASSERT_EQ(Kvt({"parts", "report", library, "-o", "parts.html"}).status, 0);
  ASSERT_EQ(Kvt({"parts", "report", library, "-o", "b.csv", "--lot", "B"}).status, 0);
  QFile html(dir.filePath("parts.html"));
  ASSERT_TRUE(html.open(QIODevice::ReadOnly));
  const QString page = QString::fromUtf8(html.readAll());
  EXPECT_EQ(page.count("<img src=\"data:image/png;base64,"), 2);  // vf and rd; nothing else has values
  EXPECT_FALSE(page.contains("src=\"http")) << "pictures must be inside the page";
  EXPECT_TRUE(page.contains("<tr><td>A</td><td>3</td></tr>"));
  EXPECT_TRUE(page.contains("<tr><td>B</td><td>4</td></tr>"));
  EXPECT_EQ(page.mid(page.indexOf("class=\"parts\"")).count("<tr><td>"), 7);  // one row per part
  EXPECT_TRUE(page.contains("630.1 ± 8.0 mV") || page.contains("630 ± 8 mV")) << "a figure with its uncertainty";

  QFile csv(dir.filePath("b.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = csv.readAll().trimmed().split('\n');
  ASSERT_EQ(lines.size(), 1 + 4);
  EXPECT_TRUE(lines[0].startsWith("number,lot,tags,time,kind,vf_V,vf_uncertainty_V,rd_ohm,rd_uncertainty_ohm,"));
  EXPECT_TRUE(lines[2].startsWith("5,B,,2026-03-01 10:00:00,diode,,,33,0.5,")) << lines[2].constData();
}

// A diode on the 1 kohm range, its knee set by the saturation current; or,
// with none, an open: no current anywhere.
NewPart CurvePart(std::optional<double> is, const char* lot, std::optional<double> rd) {
  std::vector<std::pair<double, double>> pairs;
  for (double v = -4.0; v < 0; v += 1.0) pairs.push_back({v, 0.0});
  for (int k = 0; k <= 30; ++k) {
    const double amps = 4e-3 * k / 30;
    pairs.push_back(is ? std::pair{0.02585 * std::log1p(amps / *is) + 5 * amps, amps} : std::pair{0.1 * k, 0.0});
  }
  NewPart part;
  part.curve = CurveFromPairs(pairs, 1000.0);
  part.curve.info = {static_cast<int>(pairs.size()), "2026-03-01 10:00:00", "instrument"};
  part.record.lot = lot;
  part.record.measuredAt = part.curve.info.dateTime;
  part.record.programVersion = "kvt test";
  part.record.component = "diode";
  part.record.figures = {{"rd", rd, rd ? std::optional(0.5) : std::nullopt, rd ? "" : "too few points"}};
  return part;
}

// Lot K: two kinds 60 mV apart, each twice and interleaved (the second pair
// 4.7 mV apart, the first 1.3 mV), and an open; lot O: opens only.
void FillCurves(const std::string& text) {
  PartsLibrary library(ReadLibraryLocation(text).location, PartsLibrary::Missing::Create);
  library.Add({CurvePart(1e-12, "K", 20), CurvePart(1e-13, "K", 21), CurvePart(1.05e-12, "K", 20.5),
               CurvePart(1.2e-13, "K", 21.5), CurvePart(std::nullopt, "K", std::nullopt),
               CurvePart(std::nullopt, "O", 20), CurvePart(std::nullopt, "O", 20)});
}

TEST_P(PartsActions, CurvesReadInOneGoByLot) {
  KVT_FRESH_LIBRARY(text, GetParam());
  FillCurves(text);
  PartsLibrary library(ReadLibraryLocation(text).location, PartsLibrary::Missing::Refuse);
  const struct {
    const char* name;
    std::optional<std::string> lot;
    std::vector<long long> numbers;
  } rows[] = {{"all", std::nullopt, {1, 2, 3, 4, 5, 6, 7}}, {"lot O", "O", {6, 7}}, {"unknown lot", "Z", {}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto curves = library.Curves(row.lot);
    std::vector<long long> numbers;
    for (const auto& [number, curve] : curves) {
      numbers.push_back(number);
      EXPECT_EQ(curve, *library.CurveOf(number)) << number;
    }
    EXPECT_EQ(numbers, row.numbers);
  }
}

TEST_P(PartsActions, MatchedOnTheWholeCurve) {
  KVT_FRESH_LIBRARY(text, GetParam());
  FillCurves(text);
  const QString library = QString::fromStdString(text);
  const QJsonObject pairs = Json({"parts", "match", library, "--param", "curve", "--group", "2", "--lot", "K"});
  // The diodes reach 4 mV each; the opens and the flat reverse side none.
  const QJsonArray currents = pairs["currents"].toArray();
  ASSERT_EQ(currents.size(), 5);
  EXPECT_NEAR(currents[0].toDouble(), 0.4e-3, 1e-12);
  EXPECT_NEAR(currents[4].toDouble(), 3.6e-3, 1e-12);
  const QJsonArray groups = pairs["groups"].toArray();
  ASSERT_EQ(groups.size(), 2);
  EXPECT_EQ(Members(groups[0]), (std::set<int>{1, 3}));
  EXPECT_EQ(Members(groups[1]), (std::set<int>{2, 4}));
  const struct {
    int group;
    double spread;
  } spreads[] = {{0, 0.02585 * std::log(1.05)}, {1, 0.02585 * std::log(1.2)}};
  for (const auto& s : spreads) {
    const QJsonObject group = groups[s.group].toObject();
    EXPECT_NEAR(group["spread"].toObject()["curve"].toDouble(), s.spread, 2e-4) << s.group;
    EXPECT_NEAR(group["resolution"].toObject()["curve"].toDouble(), std::hypot(0.01, 0.01), 2e-4) << s.group;
    EXPECT_TRUE(group["within_resolution"].toObject()["curve"].toBool()) << s.group;
  }
  const QJsonArray unmatched = pairs["unmatched"].toArray();
  ASSERT_EQ(unmatched.size(), 1);
  EXPECT_EQ(unmatched[0].toObject()["part"].toInt(), 5);
  EXPECT_EQ(unmatched[0].toObject()["reason"].toString(), "curve reaches 0 of 5 sampled currents");

  // Reasons speak of the curve, not of its samples.
  const struct {
    const char* name;
    QStringList options;
    int groups;
    std::map<int, QString> unmatched;
  } rows[] = {
      {"with rd", {"--param", "curve,rd"}, 2, {{5, "curve reaches 0 of 5 sampled currents, no rd"}}},
      {"rd first", {"--param", "rd, curve"}, 2, {{5, "no rd, curve reaches 0 of 5 sampled currents"}}},
      {"limit", {"--param", "curve", "--max-spread", "3mV"}, 1,
       {{2, "group spread of curve above the limit"}, {4, "group spread of curve above the limit"},
        {5, "curve reaches 0 of 5 sampled currents"}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const QJsonObject result = Json(QStringList{"parts", "match", library, "--group", "2", "--lot", "K"} + row.options);
    EXPECT_EQ(result["groups"].toArray().size(), row.groups);
    std::map<int, QString> reasons;
    for (const QJsonValue& u : result["unmatched"].toArray())
      reasons[u.toObject()["part"].toInt()] = u.toObject()["reason"].toString();
    EXPECT_EQ(reasons, row.unmatched);
  }

  ASSERT_EQ(Kvt({"parts", "match", library, "--param", "curve,rd", "--group", "2", "--lot", "K", "-o", "c.csv"}).status, 0);
  QFile csv(dir.filePath("c.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = csv.readAll().trimmed().split('\n');
  ASSERT_EQ(lines.size(), 1 + 4 + 1);
  EXPECT_EQ(lines[0], "group,part,rd_ohm,curve_spread_V,rd_spread_ohm,curve_within_resolution,rd_within_resolution,note");
  EXPECT_TRUE(lines[1].startsWith("1,1,20,0.00126") || lines[1].startsWith("1,3,20.5,0.00126")) << lines[1].constData();
  // A reason of two, quoted so that it stays the one note.
  EXPECT_EQ(lines[5], ",5,,,,,,\"curve reaches 0 of 5 sampled currents, no rd\"");

  const Outcome plain = Kvt({"parts", "match", library, "--param", "curve", "--group", "2", "--lot", "K"});
  EXPECT_NE(plain.out.find("curve compared at 400 uA"), std::string::npos) << plain.out;
  EXPECT_NE(plain.out.find("group 1: parts 3, 1: spread curve 1.26 mV (within resolution"), std::string::npos)
      << plain.out;
}

TEST_P(PartsActions, CurveMatchRefusals) {
  KVT_FRESH_LIBRARY(text, GetParam());
  {
    PartsLibrary empty(ReadLibraryLocation(text).location, PartsLibrary::Missing::Create);
    empty.Migrate();
  }
  const QString library = QString::fromStdString(text);
  const Outcome none = Kvt({"parts", "match", library, "--param", "curve", "--group", "2"});
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.err, "kvt parts: parts match: no part has a curve to compare (all lots)\n");
  FillCurves(text);
  const struct {
    const char* name;
    QStringList options;
    const char* message;
  } rows[] = {
      {"lot without parts", {"--param", "curve", "--lot", "Z"}, "no part has a curve to compare (lot Z)"},
      {"opens only", {"--param", "curve", "--lot", "O"}, "the parts' curves share no current to compare them at (lot O)"},
      {"curve twice", {"--param", "curve,rd,curve"}, "option --param: curve is given twice"},
      {"unknown beside curve", {"--param", "curve,vx"}, ", or curve)"},
      {"curve's limit without unit", {"--param", "curve", "--max-spread", "3"}, "no spread of curve"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Outcome run = Kvt(QStringList{"parts", "match", library, "--group", "2"} + row.options);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
}

}  // namespace

}  // namespace kvt
