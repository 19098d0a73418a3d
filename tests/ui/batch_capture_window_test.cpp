#include "ui/batch_capture_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "analysis/parameter_report.h"
#include "core/draw_surface.h"
#include "core/port_io.h"
#include "device/measuring_session.h"
#include "files/curve_files.h"
#include "library/parts_library.h"
#include "tests/library/library_backends.h"
#include "tests/support/probed_simulator.h"
#include "tests/support/scripted_prompt.h"
#include "ui/batch_parts_table.h"
#include "ui/batch_statistics_panel.h"

namespace kvt {

namespace {

constexpr int ZeroVolts = 512;
constexpr int Points = 64;

class StillClock : public Clock {
 public:
  double Seconds() override { return 0; }
};

// Diodes within ±30 % on the saturation current, resistors within ±2 %.
class BatchCaptureTest : public testing::Test {
 protected:
  BatchCaptureTest()
      : sim("open", "range = 1k\nseed = 5\nspread = 30\nresistor_spread = 2\n"),
        session(sim, clock, options.Device()) {
    options.SetEntry(PortDelayMicros, "0");
    session.Instrument().SetupPorts();
    window = MakeWindow();
  }

  std::unique_ptr<BatchCaptureWindow> MakeWindow() {
    auto made = std::make_unique<BatchCaptureWindow>(BatchCaptureServices{
        &session, &prompt, options.Plot(), "simulated instrument", [this] { ++claims; }});
    made->SetPointCount(Points);
    made->LibraryEdit()->setText(LibraryPath());
    return made;
  }
  QString LibraryPath() const { return dir.filePath("batch.sqlite"); }

  // Ticks until `done` or `sweeps` sweeps have passed; false when not done.
  bool SweepUntil(const std::function<bool()>& done, int sweeps = 12) {
    for (int tick = 0; tick < sweeps * Points; ++tick) {
      if (done()) return true;
      if (!window->Sweeping()) return false;
      window->TickLive();
    }
    return done();
  }
  // A part put under the probe until it is taken, then the probe lifted
  // until the part has gone to the library (or failed to).
  void ProbePart(const std::string& component) {
    const std::size_t before = window->Stored().size() + window->Unstored();
    sim.Probe(component);
    ASSERT_TRUE(SweepUntil([&] { return window->Taken().has_value(); })) << component;
    sim.Probe("open");
    ASSERT_TRUE(SweepUntil([&] { return window->Stored().size() + window->Unstored() > before; })) << component;
    window->WaitForStore();
  }
  std::vector<PartRecord> InLibrary() {
    PartsLibrary library(ReadLibraryLocation(LibraryPath().toStdString()).location, PartsLibrary::Missing::Refuse);
    return library.Parts();
  }
  std::optional<Curve> CurveInLibrary(long long number) {
    PartsLibrary library(ReadLibraryLocation(LibraryPath().toStdString()).location, PartsLibrary::Missing::Refuse);
    return library.CurveOf(number);
  }
  QString Cell(int row, const std::string& column) const {
    const BatchPartsTable* table = window->PartsTable();
    for (int c = 0; c < table->columnCount(); ++c)
      if (table->horizontalHeaderItem(c)->text().toStdString() == column)
        return table->item(row, c) ? table->item(row, c)->text() : QString();
    return "no column " + QString::fromStdString(column);
  }
  static double Vf(const PartRecord& part) { return *part.Figure("vf")->value; }

  QTemporaryDir dir;
  TypedOptions options;
  StillClock clock;
  ProbedSimulator sim;
  MeasuringSession session;
  ScriptedPrompt prompt;
  int claims = 0;
  std::unique_ptr<BatchCaptureWindow> window;
};

}  // namespace

// Three diodes probed one after another: each stored when the probe is
// lifted, numbered by the library, its figures in the table's top row and
// in the library, the statistics and bin counts following each one.
TEST_F(BatchCaptureTest, PartsProbedOneAfterAnotherAreStoredWithTheirFigures) {
  window->LotEdit()->setText("D-7");
  window->TagsEdit()->setText("small signal, reel 2");
  window->SetBins("vf<0.3; vf<2");
  ASSERT_TRUE(window->Start()) << window->StatusLabel()->text().toStdString();
  EXPECT_EQ(claims, 1);
  EXPECT_TRUE(QFile::exists(LibraryPath())) << "a new library file is made at the start";

  // Held still for long: stored once, and only once it is lifted.
  sim.Probe("diode");
  ASSERT_TRUE(SweepUntil([&] { return window->Taken().has_value(); }));
  for (int tick = 0; tick < 6 * Points; ++tick) window->TickLive();
  EXPECT_TRUE(window->Stored().empty());
  EXPECT_TRUE(window->PartLabel()->text().startsWith("Taken")) << window->PartLabel()->text().toStdString();
  sim.Probe("open");
  ASSERT_TRUE(SweepUntil([&] { return window->Unstored() > 0 || !window->Stored().empty(); }));
  window->WaitForStore();
  ASSERT_EQ(window->Stored().size(), 1u);
  ProbePart("diode");
  ProbePart("diode");

  const std::vector<PartRecord>& stored = window->Stored();
  ASSERT_EQ(stored.size(), 3u);
  EXPECT_EQ(window->Unstored(), 0u);
  const std::vector<PartRecord> library = InLibrary();
  ASSERT_EQ(library.size(), 3u);
  double sum = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(stored[k].number, static_cast<long long>(k + 1));
    EXPECT_EQ(library[k].number, stored[k].number);
    EXPECT_EQ(library[k].lot, std::optional<std::string>("D-7"));
    EXPECT_EQ(library[k].tags, (std::vector<std::string>{"small signal", "reel 2"}));
    EXPECT_EQ(library[k].component, "diode");
    EXPECT_EQ(library[k].figures, stored[k].figures);
    EXPECT_NEAR(Vf(stored[k]), 0.6, 0.1);
    sum += Vf(stored[k]);
    // Newest on top.
    const int row = static_cast<int>(2 - k);
    EXPECT_EQ(Cell(row, "No."), QString::number(stored[k].number));
    EXPECT_EQ(Cell(row, "vf").toStdString(), BatchFigureText(stored[k], "vf"));
    EXPECT_TRUE(Cell(row, "vf").contains("±"));
    EXPECT_TRUE(Cell(row, "Bin").startsWith("2: vf<2")) << Cell(row, "Bin").toStdString();
  }
  // Each part its own: the spread shows, beyond the sweeps' own scatter.
  EXPECT_NE(Vf(stored[0]), Vf(stored[1]));
  EXPECT_NE(Vf(stored[1]), Vf(stored[2]));
  EXPECT_EQ(window->PartsTable()->rowCount(), 3);
  EXPECT_TRUE(window->PartLabel()->text().startsWith("No. 3")) << window->PartLabel()->text().toStdString();
  EXPECT_TRUE(window->PartLabel()->text().contains("bin 2: vf<2"));

  const BatchStatisticsPanel* statistics = window->Statistics();
  EXPECT_EQ(statistics->Shown("count"), "3");
  EXPECT_EQ(statistics->Shown("mean").toStdString(), WithUnit(sum / 3, "V"));
  const double low = std::min({Vf(stored[0]), Vf(stored[1]), Vf(stored[2])});
  const double high = std::max({Vf(stored[0]), Vf(stored[1]), Vf(stored[2])});
  EXPECT_EQ(statistics->Shown("min").toStdString(), WithUnit(low, "V"));
  EXPECT_EQ(statistics->Shown("max").toStdString(), WithUnit(high, "V"));
  EXPECT_EQ(statistics->BinRows(), (std::vector<std::pair<QString, QString>>{
                                       {"1: vf<0.3", "0"}, {"2: vf<2", "3"}, {"none", "0"}}));

  // Bins that part the parts sort them anew, each part marked where its
  // value lies within its uncertainty of the limit.
  const double middle = (low + high) / 2;
  const std::string limit = std::to_string(middle);
  window->SetBins("vf<" + limit + "; vf>=" + limit);
  int below = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    const bool first = Vf(stored[k]) < middle;
    below += first;
    const QString bin = Cell(static_cast<int>(2 - k), "Bin");
    EXPECT_TRUE(bin.startsWith(first ? "1: " : "2: ")) << bin.toStdString();
    const PartFigure& vf = *stored[k].Figure("vf");
    EXPECT_EQ(bin.contains(BatchPartsTable::NearLimitMark), std::abs(*vf.value - middle) <= *vf.uncertainty)
        << bin.toStdString();
  }
  ASSERT_EQ(statistics->BinRows().size(), 3u);
  EXPECT_EQ(statistics->BinRows()[0].second, QString::number(below));
  EXPECT_EQ(statistics->BinRows()[1].second, QString::number(3 - below));
  EXPECT_GT(below, 0);
  EXPECT_LT(below, 3);

  // Another parameter's statistics, with a column of its own.
  window->ParameterBox()->setCurrentText("shockley.n");
  EXPECT_TRUE(Cell(0, "shockley.n") != "no column shockley.n");
  EXPECT_EQ(statistics->Shown("count"), "3");

  window->Stop();
  EXPECT_EQ(sim.AppliedCode(), ZeroVolts);
}

// Starting again with the same library and lot goes on with the batch; a
// new lot begins a new one, its parts numbered on by the library.
TEST_F(BatchCaptureTest, ANewLotBeginsANewBatch) {
  ASSERT_TRUE(window->Start());
  ProbePart("resistor 1k");
  window->Stop();
  ASSERT_TRUE(window->Start());
  ProbePart("resistor 1k");
  window->Stop();
  EXPECT_EQ(window->Stored().size(), 2u);
  window->LotEdit()->setText("R-2");
  ASSERT_TRUE(window->Start());
  EXPECT_TRUE(window->Stored().empty());
  ProbePart("resistor 1k");
  ASSERT_EQ(window->Stored().size(), 1u);
  EXPECT_EQ(window->Stored()[0].number, 3);
  EXPECT_EQ(window->Stored()[0].component, "resistor");
  EXPECT_EQ(Cell(0, "resistance").toStdString(), BatchFigureText(window->Stored()[0], "resistance"));
  // Statistics of the junction's ideality, which a resistor has not: its
  // line names its resistance.
  window->ParameterBox()->setCurrentText("shockley.n");
  window->Stop();
  ASSERT_TRUE(window->Start());
  ProbePart("resistor 1k");
  EXPECT_TRUE(window->PartLabel()->text().contains(
      QString::fromStdString("resistance " + BatchFigureText(window->Stored()[1], "resistance"))))
      << window->PartLabel()->text().toStdString();
}

// The library is written in the background: parts taken while a store is
// under way (its outcome not yet taken up by the window) follow it, in the
// order probed.
TEST_F(BatchCaptureTest, PartsTakenDuringAStoreFollowIt) {
  ASSERT_TRUE(window->Start());
  const std::vector<std::string> parts{"diode", "resistor 1k", "led"};
  for (const std::string& part : parts) {
    const std::size_t before = window->Unstored();
    sim.Probe(part);
    ASSERT_TRUE(SweepUntil([&] { return window->Taken().has_value(); })) << part;
    sim.Probe("open");
    ASSERT_TRUE(SweepUntil([&] { return window->Unstored() > before; })) << part;
    EXPECT_TRUE(window->Storing());
  }
  EXPECT_TRUE(window->Stored().empty());
  window->WaitForStore();
  ASSERT_EQ(window->Stored().size(), 3u);
  EXPECT_EQ(window->Unstored(), 0u);
  const std::vector<std::string> kinds{"diode", "resistor", "LED"};
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(window->Stored()[k].number, static_cast<long long>(k + 1));
    EXPECT_EQ(window->Stored()[k].component, kinds[k]);
  }
  EXPECT_EQ(InLibrary().size(), 3u);
}

// A lab's shared server, its URL typed: the parts go there, numbered by it.
TEST_F(BatchCaptureTest, PartsGoToASharedServer) {
  KVT_FRESH_LIBRARY(url, Backend::Postgresql);
  window->LibraryEdit()->setText(QString::fromStdString(url));
  window->LotEdit()->setText("bench 2");
  ASSERT_TRUE(window->Start()) << window->StatusLabel()->text().toStdString();
  ProbePart("diode");
  ProbePart("resistor 1k");
  window->Stop();
  ASSERT_EQ(window->Stored().size(), 2u);
  EXPECT_EQ(window->Unstored(), 0u);
  PartsLibrary library(ReadLibraryLocation(url).location, PartsLibrary::Missing::Refuse);
  const std::vector<PartRecord> parts = library.Parts();
  ASSERT_EQ(parts.size(), 2u);
  for (std::size_t k = 0; k < 2; ++k) {
    EXPECT_EQ(parts[k].number, window->Stored()[k].number);
    EXPECT_EQ(parts[k].lot, std::optional<std::string>("bench 2"));
    EXPECT_EQ(parts[k].figures, window->Stored()[k].figures);
  }
  EXPECT_EQ(parts[1].component, "resistor");
}

// The library gone while parts are measured: the failure is shown, the
// parts are kept, and nothing is lost whether the library comes back or
// the curves are saved as files.
TEST_F(BatchCaptureTest, AFailedStoreKeepsTheParts) {
  const struct {
    const char* name;
    bool libraryBack;  // else the curves are saved as files
  } rows[] = {{"stored when the library is back", true}, {"saved as points files", false}};
  for (const auto& row : rows) {
    QTemporaryDir folder;
    window = MakeWindow();
    window->LibraryEdit()->setText(folder.filePath("lab.sqlite"));
    ASSERT_TRUE(window->Start()) << row.name;
    ProbePart("diode");
    ASSERT_EQ(window->Stored().size(), 1u) << row.name;

    // The file and its log moved away, as a share that went off line.
    QDir(folder.path()).mkdir("away");
    const QStringList files = QDir(folder.path()).entryList({"lab.sqlite*"}, QDir::Files);
    for (const QString& file : files) ASSERT_TRUE(QDir(folder.path()).rename(file, "away/" + file));
    ProbePart("diode");
    ProbePart("led");
    EXPECT_EQ(window->Stored().size(), 1u) << row.name;
    ASSERT_EQ(window->Unstored(), 2u) << row.name;
    EXPECT_TRUE(window->FailureBar()->isVisibleTo(window.get())) << row.name;
    const QString failure = window->FailureLabel()->text();
    EXPECT_TRUE(failure.startsWith("Not stored")) << failure.toStdString();
    EXPECT_TRUE(failure.contains("lab.sqlite")) << failure.toStdString();
    EXPECT_TRUE(failure.contains("2 parts are kept")) << failure.toStdString();
    EXPECT_TRUE(window->PartLabel()->text().startsWith("Not stored:  LED"))
        << window->PartLabel()->text().toStdString();
    EXPECT_TRUE(window->Sweeping()) << "sweeping goes on";
    EXPECT_FALSE(QFile::exists(folder.filePath("lab.sqlite"))) << "no new library made in its place";
    if (const QString keep = qEnvironmentVariable("KVT_BATCH_SCREENSHOTS"); !keep.isEmpty() && row.libraryBack) {
      window->show();
      QApplication::processEvents();
      window->grab().save(keep + "/batch_failure.png");
    }

    if (row.libraryBack) {
      for (const QString& file : files) ASSERT_TRUE(QDir(folder.path()).rename("away/" + file, file));
      window->RetryStore();
      window->WaitForStore();
      ASSERT_EQ(window->Stored().size(), 3u);
      EXPECT_TRUE(window->StatusLabel()->text().startsWith("The parts kept are stored"));
      EXPECT_EQ(window->Unstored(), 0u);
      EXPECT_FALSE(window->FailureBar()->isVisibleTo(window.get()));
      EXPECT_EQ(window->Stored()[1].number, 2);
      EXPECT_EQ(window->Stored()[2].number, 3);
      EXPECT_EQ(window->Stored()[2].component, "LED");
      PartsLibrary library(ReadLibraryLocation(folder.filePath("lab.sqlite").toStdString()).location,
                           PartsLibrary::Missing::Refuse);
      EXPECT_EQ(library.Parts().size(), 3u);
      ASSERT_TRUE(library.CurveOf(3));
      EXPECT_EQ(window->PartsTable()->rowCount(), 3);
    } else {
      // Started again on the library gone: not made anew.
      window->Stop();
      EXPECT_FALSE(window->Start());
      EXPECT_TRUE(window->StatusLabel()->text().contains("no such parts library"))
          << window->StatusLabel()->text().toStdString();
      EXPECT_FALSE(QFile::exists(folder.filePath("lab.sqlite")));
      // Nor into another lot's batch while they wait.
      window->LotEdit()->setText("another lot");
      EXPECT_FALSE(window->Start());
      EXPECT_TRUE(window->StatusLabel()->text().contains("not stored yet"))
          << window->StatusLabel()->text().toStdString();
      EXPECT_EQ(window->Stored().size(), 1u) << "the batch shown stays";
      EXPECT_FALSE(QFile::exists(folder.filePath("lab.sqlite")));
      // Still gone: a retry fails again and keeps them.
      window->RetryStore();
      window->WaitForStore();
      EXPECT_EQ(window->Unstored(), 2u);
      EXPECT_TRUE(window->FailureBar()->isVisibleTo(window.get()));
      prompt.fileNames.push_back(folder.filePath("kept.kvt").toStdString());
      ASSERT_TRUE(window->SaveUnstored());
      EXPECT_EQ(window->Unstored(), 0u);
      const CurveFile first = ReadCurveFile(folder.filePath("kept_1.kvt").toStdString());
      const CurveFile second = ReadCurveFile(folder.filePath("kept_2.kvt").toStdString());
      ASSERT_TRUE(first.ok()) << first.error;
      ASSERT_TRUE(second.ok()) << second.error;
      EXPECT_EQ(first.curve.points.size(), static_cast<std::size_t>(Points));
      EXPECT_EQ(RecordOfCurve(second.curve).component, "LED");
      EXPECT_TRUE(window->StatusLabel()->text().contains("kept_2.kvt"));
    }
    window->Stop();
  }
}

// Closing with parts not stored asks to save them; a cancelled save keeps
// the window open and the parts with it.
TEST_F(BatchCaptureTest, ClosingWithUnstoredPartsAsksToSaveThem) {
  QTemporaryDir folder;
  window->LibraryEdit()->setText(folder.filePath("lab.sqlite"));
  ASSERT_TRUE(window->Start());
  ASSERT_TRUE(QFile::remove(folder.filePath("lab.sqlite")));
  ProbePart("diode");
  ASSERT_EQ(window->Unstored(), 1u);
  window->show();
  prompt.answers = {PromptAnswer::Yes};  // save, then the dialog cancelled
  EXPECT_FALSE(window->close());
  EXPECT_EQ(window->Unstored(), 1u);
  ASSERT_FALSE(prompt.messages.empty());
  EXPECT_TRUE(prompt.messages.back().text.find("could not be stored") != std::string::npos);
  prompt.answers = {PromptAnswer::Yes};
  prompt.fileNames = {folder.filePath("left.kvt").toStdString()};
  EXPECT_TRUE(window->close());
  EXPECT_TRUE(QFile::exists(folder.filePath("left_1.kvt")));
}

// Whatever ends the sweeping, the output is left at 0 V; a part taken and
// still under the probe is stored, not dropped.
TEST_F(BatchCaptureTest, LiveSweepingEndsAtZeroVolts) {
  const struct {
    const char* name;
    std::function<void(BatchCaptureWindow&)> end;
    bool stores;
  } rows[] = {
      {"Stop", [](BatchCaptureWindow& w) { w.Stop(); }, true},
      {"window closed", [](BatchCaptureWindow& w) { w.close(); }, true},
      {"Escape", [](BatchCaptureWindow& w) { QTest::keyClick(&w, Qt::Key_Escape); }, true},
      {"window destroyed", [](BatchCaptureWindow&) {}, false},
  };
  for (const auto& row : rows) {
    window = MakeWindow();
    window->show();
    sim.Probe("resistor 1k");
    ASSERT_TRUE(window->Start()) << row.name;
    ASSERT_TRUE(SweepUntil([&] { return window->Taken().has_value(); })) << row.name;
    for (int i = 0; i < 20; ++i) window->TickLive();  // partway into a sweep
    ASSERT_NE(sim.AppliedCode(), ZeroVolts) << row.name;
    const std::size_t before = InLibrary().size();
    row.end(*window);
    if (std::string(row.name) == "window destroyed") window.reset();
    if (window) window->WaitForStore();
    EXPECT_EQ(sim.AppliedCode(), ZeroVolts) << row.name;
    EXPECT_EQ(InLibrary().size(), before + (row.stores ? 1 : 0)) << row.name;
    if (window) {
      EXPECT_FALSE(window->Sweeping()) << row.name;
      EXPECT_FALSE(window->LiveTimer()->isActive()) << row.name;
    }
  }
}

// What cannot be used is refused before anything sweeps, with the reason.
TEST_F(BatchCaptureTest, RefusedFieldsDoNotStart) {
  const struct {
    const char* name;
    QString library, tags, bins;
    const char* said;
  } rows[] = {
      {"no library", "  ", "", "", "Name a parts library"},
      {"library in a missing folder", dir.filePath("no/such/parts.sqlite"), "", "", "does not exist"},
      {"a folder for a library", dir.path(), "", "", "a folder"},
      {"not a URL it reads", "postgresql://", "", "", "The library cannot be used"},
      {"a tag twice", LibraryPath(), "red, blue, red", "", "\"red\" is given twice"},
      {"bins it cannot read", LibraryPath(), "", "vf<<0.6", "Correct the bins"},
      {"an unknown parameter in the bins", LibraryPath(), "", "vz<0.6", "Correct the bins"},
  };
  for (const auto& row : rows) {
    window = MakeWindow();
    window->LibraryEdit()->setText(row.library);
    window->TagsEdit()->setText(row.tags);
    window->BinsEdit()->setText(row.bins);
    EXPECT_FALSE(window->Start()) << row.name;
    EXPECT_FALSE(window->Sweeping()) << row.name;
    EXPECT_EQ(claims, 0) << row.name;
    EXPECT_EQ(sim.AppliedCode(), ZeroVolts) << row.name;
    EXPECT_TRUE(window->StatusLabel()->text().contains(row.said)) << row.name << ": "
                                                                 << window->StatusLabel()->text().toStdString();
  }
  EXPECT_FALSE(QFile::exists(LibraryPath())) << "nothing made for a start refused";
}

// A bins text is taken or refused as it is typed in, the reason shown.
TEST_F(BatchCaptureTest, BinsAreShownRefusedWithTheirReason) {
  const struct {
    const char* text;
    std::size_t bins;
    bool refused;
  } rows[] = {
      {"vf<0.6; 0.6<=vf<0.62; vf>=0.62", 3, false},
      {"", 0, false},
      {"vf<0.6,rd<20", 1, false},
      {"vf<", 0, true},
      {"speed<3", 0, true},
      {"0.6<=vf>0.7", 0, true},
  };
  for (const auto& row : rows) {
    window->SetBins(row.text);
    EXPECT_EQ(window->Bins().size(), row.bins) << row.text;
    EXPECT_EQ(window->BinsError()->isVisibleTo(window.get()), row.refused) << row.text;
    if (row.refused) {
      EXPECT_TRUE(window->BinsError()->text().startsWith("Bins not taken: ")) << row.text;
      EXPECT_GT(window->BinsError()->text().size(), 20) << "a reason for " << row.text;
    }
  }
}

// The library file chosen in a dialog: a new name without a suffix gets one.
TEST_F(BatchCaptureTest, LibraryFromTheFileDialog) {
  prompt.fileNames = {dir.filePath("bench3").toStdString(), ""};
  ASSERT_TRUE(window->ChooseLibraryFile());
  EXPECT_EQ(window->LibraryEdit()->text(), dir.filePath("bench3.sqlite"));
  EXPECT_FALSE(window->ChooseLibraryFile());
  EXPECT_EQ(window->LibraryEdit()->text(), dir.filePath("bench3.sqlite"));
}

}  // namespace kvt

namespace kvt {

// What the bench sees after ten parts with bins set: every part in the table
// and counted, the last one's bin large in its bin's colour, at the default
// size and a larger one where the part's line grows. KVT_BATCH_SCREENSHOTS
// names a folder to keep the pictures in.
TEST_F(BatchCaptureTest, TenPartsWithBinsAsTheBenchSeesThem) {
  window->LotEdit()->setText("1N4148 reel 3");
  window->SetBins("vf<0.585; 0.585<=vf<0.6; vf>=0.6");
  window->show();
  ASSERT_TRUE(window->Start());
  for (int part = 0; part < 10; ++part) ProbePart("diode");
  sim.Probe("diode");  // the next one under the probe, drawn live
  for (int tick = 0; tick < 2 * Points; ++tick) window->TickLive();

  const QString keep = qEnvironmentVariable("KVT_BATCH_SCREENSHOTS");
  const auto grab = [&](const char* name) {
    QApplication::processEvents();
    const QImage image = window->grab().toImage();
    if (!keep.isEmpty()) image.save(keep + "/" + name);
    return image;
  };
  const QImage shown = grab("batch_default.png");
  ASSERT_EQ(window->Stored().size(), 10u);
  EXPECT_EQ(window->PartsTable()->rowCount(), 10);
  int counted = 0;
  for (const auto& [name, count] : window->Statistics()->BinRows()) counted += count.toInt();
  EXPECT_EQ(counted, 10);
  EXPECT_EQ(window->Statistics()->Shown("count"), "10");

  // The last part's line in its bin's colour, not the window's grey.
  const QLabel* part = window->PartLabel();
  const QColor line = shown.pixelColor(part->geometry().left() + 3, part->geometry().center().y());
  EXPECT_GT(std::abs(line.red() - line.green()) + std::abs(line.green() - line.blue()), 30)
      << line.name().toStdString();
  // The live curve drawn: more than the empty axes.
  const QImage plot = window->PlotLabel()->pixmap().toImage();
  const QColor curve(RedOf(options.Plot().colours.line), GreenOf(options.Plot().colours.line),
                     BlueOf(options.Plot().colours.line));
  int curvePixels = 0;
  for (int y = 0; y < plot.height(); ++y)
    for (int x = 0; x < plot.width(); ++x) curvePixels += plot.pixelColor(x, y) == curve;
  EXPECT_GT(curvePixels, 20);

  const int fontPixels = part->font().pixelSize();
  window->resize(1600, 1100);
  grab("batch_large.png");
  EXPECT_GT(part->font().pixelSize(), fontPixels);
  window->Stop();
}

}  // namespace kvt
