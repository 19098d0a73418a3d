// kvt parts add and list as a user runs them: parts from files and from the
// simulated instrument, listed with the figures kvt params gives, and bad
// input that leaves the library as it was.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/library/library_backends.h"
#include "tests/support/diode_curve.h"
#include "tests/support/kvt_run.h"

namespace kvt {

namespace {

using Outcome = KvtOutcome;

class PartsCommand : public testing::TestWithParam<Backend> {
 protected:
  Outcome Kvt(const QStringList& arguments) {
    return RunKvt(dir.path(), arguments);
  }
  // A diode's curve as CSV, its current scaled so each file is another part.
  QString DiodeFile(const QString& name, double scale) {
    QByteArray text = "voltage_V,current_A,clipped\n";
    for (const CurvePoint& p : DiodeCurve(128).points)
      text += QByteArray::number(p.volts, 'g', 12) + "," + QByteArray::number(p.amps * scale, 'g', 12) + ",0\n";
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return name;
  }
  QJsonArray List(const QString& library, const QStringList& more = {}) {
    const Outcome run = Kvt(QStringList{"parts", "list", library, "--json"} + more);
    EXPECT_EQ(run.status, 0) << run.err;
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out;
    return json.array();
  }
  QTemporaryDir dir;
};

INSTANTIATE_TEST_SUITE_P(Backends, PartsCommand, testing::Values(Backend::Sqlite, Backend::Postgresql), BackendName);

TEST_P(PartsCommand, ListsWhatWasAddedWithTheFiguresOfParams) {
  KVT_FRESH_LIBRARY(text, GetParam());
  const QString library = QString::fromStdString(text);
  const QStringList files = {DiodeFile("a.csv", 1.0), DiodeFile("b.csv", 1.5), DiodeFile("c.csv", 0.7)};
  Outcome run = Kvt({"parts", "add", library, files[0], files[1], "--lot", "L1", "--tag", "ring", "--tag", "quad"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("part 1: a.csv: diode, vf ", 0), 0u) << run.out;
  run = Kvt({"parts", "add", library, files[2]});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("part 3: c.csv: diode", 0), 0u) << run.out;

  const QJsonArray all = List(library);
  ASSERT_EQ(all.size(), 3);
  const struct {
    int number;
    QJsonValue lot;
    QJsonArray tags;
  } rows[] = {{1, "L1", {"ring", "quad"}}, {2, "L1", {"ring", "quad"}}, {3, QJsonValue::Null, {}}};
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(files[k].toStdString());
    const QJsonObject part = all[k].toObject();
    EXPECT_EQ(part["number"].toInt(), rows[k].number);
    EXPECT_EQ(part["lot"], rows[k].lot);
    EXPECT_EQ(part["tags"].toArray(), rows[k].tags);
    EXPECT_EQ(part["program"].toString().left(4), "kvt ");
    const Outcome params = Kvt({"params", files[k], "--json"});
    ASSERT_EQ(params.status, 0) << params.err;
    const QJsonObject figures = QJsonDocument::fromJson(QByteArray::fromStdString(params.out)).object();
    ASSERT_FALSE(figures.isEmpty());
    for (auto at = figures.begin(); at != figures.end(); ++at)
      EXPECT_EQ(part[at.key()], at.value()) << at.key().toStdString();
  }
  EXPECT_EQ(List(library, {"--lot", "L1"}).size(), 2);
  EXPECT_EQ(List(library, {"--lot", "L2"}).size(), 0);

  const Outcome plain = Kvt({"parts", "list", library});
  EXPECT_EQ(plain.status, 0);
  EXPECT_NE(plain.out.find("part 2 (lot L1; ring, quad; "), std::string::npos) << plain.out;
}

TEST_P(PartsCommand, AddsThePartUnderTheProbe) {
  KVT_FRESH_LIBRARY(text, GetParam());
  const QString library = QString::fromStdString(text);
  const Outcome run = Kvt({"parts", "add", library, "--measure", "--simulate=led", "-n", "64", "--lot", "bag 3"});
  ASSERT_EQ(run.status, 0) << run.err;
  const QJsonArray all = List(library);
  ASSERT_EQ(all.size(), 1);
  EXPECT_EQ(all[0].toObject()["component"].toString(), "LED");
  EXPECT_EQ(all[0].toObject()["lot"].toString(), "bag 3");
  EXPECT_GT(all[0].toObject()["vf"].toDouble(), 1.5);
}

// Every refusal: status 2, one line, nothing printed, the library unchanged.
TEST_P(PartsCommand, BadInputChangesNothing) {
  KVT_FRESH_LIBRARY(text, GetParam());
  const QString library = QString::fromStdString(text);
  const QString good = DiodeFile("good.csv", 1.0);
  ASSERT_EQ(Kvt({"parts", "add", library, good, "--lot", "first"}).status, 0);
  QFile broken(dir.filePath("broken.csv"));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write("voltage_V,current_A,clipped\n0.1,abc,0\n");
  broken.close();
  const QJsonArray before = List(library);
  ASSERT_EQ(before.size(), 1);

  const struct {
    const char* name;
    QStringList arguments;
    const char* says;
  } rows[] = {
      {"no action", {"parts"}, "missing ACTION"},
      {"unknown action", {"parts", "sort", library}, "unknown action \"sort\""},
      {"no library", {"parts", "list"}, "missing LIBRARY"},
      {"no curve", {"parts", "add", library}, "missing FILE... or --measure"},
      {"file and measure", {"parts", "add", library, good, "--measure"}, "not both"},
      {"simulate without measure", {"parts", "add", library, good, "--simulate"}, "--simulate needs --measure"},
      {"one file of two broken", {"parts", "add", library, good, "broken.csv"}, "broken.csv"},
      {"one file of two missing", {"parts", "add", library, good, "none.csv"}, "none.csv"},
      {"empty lot", {"parts", "add", library, good, "--lot", " "}, "--lot needs a name"},
      {"tag twice", {"parts", "add", library, good, "--tag", "x", "--tag", "x"}, "\"x\" is given twice"},
      {"unknown simulated part", {"parts", "add", library, "--measure", "--simulate=triode"}, "--simulate \"triode\""},
      {"list takes no tag", {"parts", "list", library, "--tag", "x"}, "parts list takes no --tag"},
      {"list takes no file", {"parts", "list", library, good}, "unexpected \"good.csv\""},
      {"other kind of library", {"parts", "add", "mysql://lab/parts", good}, "unknown kind"},
      {"missing library listed", {"parts", "list", "none.sqlite"}, "no such parts library"},
      {"library in a missing folder", {"parts", "add", "no/such/parts.sqlite", good}, "does not exist"},
      {"curve file as library", {"parts", "list", good}, "is not a parts library"},
      {"count without measure", {"parts", "add", library, good, "--count", "3"}, "--count needs --measure"},
      {"count of none", {"parts", "add", library, "--measure", "--simulate", "--count", "0"}, "option --count"},
      {"stats without a parameter", {"parts", "stats", library}, "missing --param"},
      {"stats of an unknown parameter", {"parts", "stats", library, "--param", "vq"}, "\"vq\" is no parameter"},
      {"stats of two parameters", {"parts", "stats", library, "--param", "vf,rd"}, "takes one parameter"},
      {"stats with bad bins", {"parts", "stats", library, "--param", "vf", "--bins", "vf<0.6; vf<<1"}, "option --bins"},
      {"bins of an unknown parameter", {"parts", "stats", library, "--param", "vf", "--bins", "vq<1"}, "option --bins"},
      {"histogram of another format", {"parts", "stats", library, "--param", "vf", "--histogram", "h.jpg"}, "h.jpg"},
      {"histogram into a missing folder", {"parts", "stats", library, "--param", "vf", "--histogram", "no/h.png"},
       "no/h.png"},
      {"stats takes no group", {"parts", "stats", library, "--param", "vf", "--group", "2"}, "takes no --group"},
      {"match without a group", {"parts", "match", library, "--param", "vf"}, "missing --group"},
      {"group of one", {"parts", "match", library, "--param", "vf", "--group", "1"}, "option --group"},
      {"group of none", {"parts", "match", library, "--param", "vf", "--group", "0"}, "option --group"},
      {"group as text", {"parts", "match", library, "--param", "vf", "--group", "pairs"}, "option --group"},
      {"parameter twice", {"parts", "match", library, "--param", "vf,vf", "--group", "2"}, "vf is given twice"},
      {"spread without its unit", {"parts", "match", library, "--param", "vf", "--group", "2", "--max-spread", "20"},
       "\"20\" is no spread of vf"},
      {"second spread without its unit",
       {"parts", "match", library, "--param", "vf,rd", "--group", "2", "--max-spread", "20mV,5"},
       "\"5\" is no spread of rd"},
      {"spread of the wrong unit", {"parts", "match", library, "--param", "vf", "--group", "2", "--max-spread", "5ohm"},
       "is no spread of vf"},
      {"more spreads than parameters",
       {"parts", "match", library, "--param", "vf", "--group", "2", "--max-spread", "20mV,5ohm"}, "more spreads"},
      {"groups into a missing folder", {"parts", "match", library, "--param", "vf", "--group", "2", "-o", "no/g.csv"},
       "no/g.csv"},
      {"groups of another format", {"parts", "match", library, "--param", "vf", "--group", "2", "-o", "g.txt"},
       "g.txt"},
      {"report without a file", {"parts", "report", library}, "missing -o"},
      {"report of another format", {"parts", "report", library, "-o", "r.pdf"}, "r.pdf"},
      {"report into a missing folder", {"parts", "report", library, "-o", "no/r.html"}, "no/r.html"},
      {"report of a missing library", {"parts", "report", "none.sqlite", "-o", "r.html"}, "no such parts library"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Outcome run = Kvt(row.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("kvt parts: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_EQ(List(library), before);
  }
  EXPECT_FALSE(QFile::exists(dir.filePath("none.sqlite")));
  for (const char* output : {"h.jpg", "g.txt", "r.pdf", "r.html"}) EXPECT_FALSE(QFile::exists(dir.filePath(output)));
}

}  // namespace

}  // namespace kvt
