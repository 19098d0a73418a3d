// kvt render started as users start it: without QT_QPA_PLATFORM (the test
// suite itself runs on "offscreen"), with or without a display, and with
// platforms of their own choosing. The plot must come out with its texts and
// pixel for pixel as on the offscreen platform, or not at all.
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/settings.h"

namespace kvt {

namespace {

// A variable set to a value, or removed when there is none.
using Change = std::pair<QString, std::optional<QString>>;

struct Finished {
  int status = -1;  // -1: crashed
  std::string err;
};

class RenderPlatform : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    // A diode's curve, any one will do: what matters is around it.
    QFile curve(dir.filePath("diode.csv"));
    ASSERT_TRUE(curve.open(QIODevice::WriteOnly));
    curve.write("voltage_V,current_A,clipped\n");
    for (int i = 0; i <= 100; ++i) {
      const double volts = -2.0 + 0.027 * i;
      curve.write(QByteArray::number(volts) + ',' + QByteArray::number(1e-12 * std::expm1(volts / 0.05)) + ",0\n");
    }
  }
  Finished Kvt(const QStringList& arguments, const std::vector<Change>& changes) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : changes)
      value ? environment.insert(name, *value) : environment.remove(name);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(dir.path());
    process.start(QStringLiteral(KVT_PROGRAM), arguments);
    EXPECT_TRUE(process.waitForFinished(120000)) << arguments.join(' ').toStdString();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardError().toStdString()};
  }
  QImage Render(const QString& out, const std::vector<Change>& changes) {
    const Finished run = Kvt({"render", "diode.csv", "--size", "1920x1080", "-o", out}, changes);
    EXPECT_EQ(run.status, 0) << run.err;
    return QImage(dir.filePath(out)).convertToFormat(QImage::Format_RGB32);
  }
  QTemporaryDir dir;
};

QRgb TextColour() {
  Settings settings;
  SetDefaultSettings(settings, AllGroups);
  return qRgb(settings.Int(TextRed), settings.Int(TextGreen), settings.Int(TextBlue));
}

// Pixels of the text colour right of the current axis in the upper half,
// where only its title "I, mA" is drawn. The axes, drawn in the same colour,
// are found as the row and the column that hold the most of it.
int TitlePixels(const QImage& image) {
  const QRgb text = TextColour();
  std::vector<int> inColumn(image.width()), inRow(image.height());
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if (row[x] == text) ++inColumn[x], ++inRow[y];
  }
  const int axisX = int(std::max_element(inColumn.begin(), inColumn.end()) - inColumn.begin());
  const int axisY = int(std::max_element(inRow.begin(), inRow.end()) - inRow.begin());
  int count = 0;
  for (int y = 0; y < axisY / 2; ++y)
    for (int x = axisX + 6; x < std::min(axisX + 60, image.width()); ++x) count += image.pixel(x, y) == text;
  return count;
}

const QString Platform = QStringLiteral("QT_QPA_PLATFORM");
const QString Display = QStringLiteral("DISPLAY");
const QString Wayland = QStringLiteral("WAYLAND_DISPLAY");

TEST_F(RenderPlatform, DrawsTheTextsAsOnTheOffscreenPlatform) {
  const QImage offscreen = Render("offscreen.png", {{Platform, "offscreen"}});
  ASSERT_EQ(offscreen.size(), QSize(1920, 1080));
  ASSERT_GT(TitlePixels(offscreen), 20);

  struct Case {
    const char* name;
    std::vector<Change> changes;
  };
  const Case cases[] = {
      {"no platform, no display", {{Platform, {}}, {Display, {}}, {Wayland, {}}}},
      {"no platform, a display that is not there", {{Platform, {}}, {Display, ":97"}, {Wayland, {}}}},
      {"empty platform", {{Platform, ""}, {Display, {}}, {Wayland, {}}}},
      {"bare minimal", {{Platform, "minimal"}, {Display, {}}}},
      {"minimal with another option", {{Platform, "minimal:fontconfig"}, {Display, {}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QImage image = Render("plot.png", c.changes);
    EXPECT_GT(TitlePixels(image), 20);
    EXPECT_TRUE(image == offscreen) << "not the offscreen platform's pixels";
  }
}

// Rather no picture than one without its texts, and a status and a reason
// instead of an abort.
TEST_F(RenderPlatform, NoFontOrNoPlatformFailsAndKeepsTheOutput) {
  QFile config(dir.filePath("fonts.conf"));  // a Fontconfig set-up without a single font
  ASSERT_TRUE(config.open(QIODevice::WriteOnly));
  config.write("<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n");
  config.close();
  struct Case {
    const char* name;
    std::vector<Change> changes;
    const char* reason;
  };
  const Case cases[] = {
      {"no fonts installed", {{Platform, {}}, {"FONTCONFIG_FILE", dir.filePath("fonts.conf")}}, "no font"},
      {"a platform that cannot start", {{Platform, "xcb"}, {Display, {}}, {Wayland, {}}}, "failed to start"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QFile keep(dir.filePath("keep.png"));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.write("old output");
    keep.close();
    const Finished run = Kvt({"render", "diode.csv", "-o", "keep.png"}, c.changes);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    ASSERT_TRUE(keep.open(QIODevice::ReadOnly));
    EXPECT_EQ(keep.readAll(), "old output");
  }
}

}  // namespace

}  // namespace kvt
