// The curve tools through the real main window, with the simulated
// instrument: references and their match, the pointer's readout, Export
// against the kvt command, the live curve of a run, and the question before
// unsaved measured points go.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontMetrics>
#include <QLocale>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/parameter_report.h"
#include "core/settings.h"
#include "plot/plot_geometry.h"
#include "plot/plot_scale.h"
#include "plot/plot_renderer.h"
#include "tests/support/program_in_folder.h"
#include "tests/support/simulated_instrument.h"
#include "ui/acquisition_window.h"
#include "ui/curve_tools.h"
#include "ui/parameter_panel.h"
#include "ui/parameters_window.h"
#include "ui/picture_box.h"
#include "ui/plot_overlay.h"
#include "ui/view_menu.h"
#include "core/view_options.h"
#include "plot/plot_export.h"
#include <QInputDialog>
#include <deque>

namespace kvt {

namespace {

int PixelsOf(const QImage& image, QColor colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) == colour) ++count;
  return count;
}

QColor QtColour(Colour c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing " + path.toUtf8() + ">");
}

// The CSV without the lines that name the writer, the time and the source.
QByteArray WithoutWriterLines(const QByteArray& csv) {
  QByteArray kept;
  for (const QByteArray& line : csv.split('\n'))
    if (!line.startsWith("# program") && !line.startsWith("# date") && !line.startsWith("# source"))
      kept += line + '\n';
  return kept;
}

class CurveToolsTest : public ProgramInFolder {
 protected:
  void SetUp() override {
    ProgramInFolder::SetUp();
    Settings settings;
    SetDefaultSettings(settings, AllGroups);
    settings[ShowAboutAtStart] = "0";
    settings[PointsChoice] = "1";  // 32 points
    ASSERT_TRUE(WriteSettings(settings, ConfigDirFrom(dir_.path().toStdString())));
  }

  MainWindow* Start(const std::string& component, int seed = 9) {
    form_.reset();
    sims_.push_back(std::make_unique<SimulatedInstrument>("component = " + component + "\nrange = 1k\nseed = " +
                                                          std::to_string(seed) + "\n"));
    if (!sims_.back()->Ready()) {
      ADD_FAILURE() << "simulator not ready";
      return nullptr;
    }
    MainWindow& form = StartOn(sims_.back()->Port());
    // The range is polled here, not by the one-second timer: nothing of a
    // run may depend on how fast the machine is.
    form.findChild<QTimer*>("Timer1")->stop();
    form.PollRange();
    return &form;
  }

  // "&Get points from device", ticked by hand; `each` runs after every tick
  // that did not end the run.
  void Measure(const std::function<void(int tick)>& each = {}) {
    QTimer::singleShot(0, [each] {
      auto* window = qobject_cast<AcquisitionWindow*>(QApplication::activeModalWidget());
      if (!window) return;
      for (int tick = 1; window->TickTimer()->isActive() && tick < 2000; ++tick) {
        window->OnTick();
        if (each && window->TickTimer()->isActive()) each(tick);
      }
    });
    form_->Menu().getPoints->trigger();
  }

  void SaveAs(const QString& name) {
    prompt_.fileNames = {dir_.filePath(name).toStdString()};
    form_->Menu().savePoints->trigger();
  }
  void OpenPoints(const QString& name) {
    prompt_.fileNames = {dir_.filePath(name).toStdString()};
    form_->Menu().openPoints->trigger();
  }
  void OpenReferences(const std::vector<QString>& names) {
    std::vector<std::string> paths;
    for (const QString& n : names) paths.push_back(dir_.filePath(n).toStdString());
    prompt_.fileLists = {paths};
    form_->CurveItems().openReference->trigger();
  }

  // A points file of a 2 kohm resistor: 32 points, -2.56 V ... 2.40 V.
  void WriteResistorFile(const QString& name) {
    QFile out(dir_.filePath(name));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("KVT\r\n 32 \r\n 0 \r\n");
    for (int code = 0; code < 1024; code += 32) {
      const double volts = (code - 512) / 200.0;
      out.write(QByteArray::number(volts, 'f', 2) + " " + QByteArray::number(volts / 2000, 'E', 4) + "\r\n");
    }
  }

  PlotOverlay& Overlay() { return form_->Tools().Overlay(); }
  QColor Line() {
    const Settings& s = form_->Table();
    return QColor(s.Int(LineRed), s.Int(LineGreen), s.Int(LineBlue));
  }

  std::vector<std::unique_ptr<SimulatedInstrument>> sims_;
};

}  // namespace

// A reference is drawn in its own colour; the box over the plot passes the
// same part measured twice and fails another part, green or red.
TEST_F(CurveToolsTest, MatchBoxPassesTheSamePartAndFailsAnother) {
  const struct {
    const char* referencePart;
    bool pass;
    QColor fill;
  } cases[] = {
      {"diode", true, QColor(200, 255, 200)},
      {"led", false, QColor(255, 205, 205)},
      {"zener 3.3", false, QColor(255, 205, 205)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.referencePart);
    ASSERT_NE(Start(c.referencePart, 3), nullptr);
    Measure();
    const QString reference = QString(c.referencePart).replace(' ', '_') + ".kvt";
    SaveAs(reference);

    ASSERT_NE(Start("diode", 11), nullptr);
    Measure();
    ASSERT_EQ(form_->Measured().points.size(), 32u);
    const QColor refColour = QtColour(ReferenceColour(0));
    EXPECT_EQ(PixelsOf(form_->PlotBox()->Image(), refColour), 0);
    EXPECT_FALSE(Overlay().Match());

    OpenReferences({reference});
    EXPECT_GT(PixelsOf(form_->PlotBox()->Image(), refColour), 30);
    ASSERT_TRUE(Overlay().Match());
    EXPECT_EQ(Overlay().Match()->pass, c.pass);
    ASSERT_FALSE(Overlay().Match()->lines.empty());
    EXPECT_EQ(Overlay().Match()->lines[0].substr(0, 4), c.pass ? "PASS" : "FAIL");
    EXPECT_NE(Overlay().Match()->lines[0].find(reference.toStdString()), std::string::npos);
    EXPECT_EQ(Overlay().Match()->outside.empty(), c.pass);
    const QRect box = Overlay().MatchRect();
    ASSERT_FALSE(box.isEmpty());
    EXPECT_EQ(form_->PlotBox()->grab().toImage().pixelColor(box.topLeft() + QPoint(1, 1)), c.fill);
    EXPECT_EQ(Overlay().BandLegendRect().isEmpty(), Overlay().Match()->outside.empty());
    EXPECT_TRUE(prompt_.messages.empty()) << prompt_.Texts()[0];
  }
}

// The band where the measured curve leaves the reference and the pointer's
// crosshair tint only the plot's background: the measured curve keeps its
// colour under them and the axis texts stay as drawn. Neither the match box
// nor the band's legend entry covers an axis text; the entry covers no curve.
TEST_F(CurveToolsTest, MarksOverThePlotTintOnlyItsBackground) {
  ASSERT_NE(Start("resistor 1k", 3), nullptr);
  Measure();
  SaveAs("r1k.kvt");
  const struct {
    const char* name;
    QSize window;  // empty: the design size
    bool wrapped;  // the match box's lines broken to fit beside the texts
  } sizes[] = {{"design size", {}, true}, {"large", {790, 590}, false}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(size.name);
    ASSERT_NE(Start("diode", 11), nullptr);
    if (!size.window.isEmpty()) form_->resize(size.window);
    Measure();
    OpenReferences({"r1k.kvt"});
    ASSERT_TRUE(Overlay().Match());
    ASSERT_FALSE(Overlay().Match()->outside.empty());

    const QImage plot = form_->PlotBox()->Image();
    const PlotControls controls = form_->Panel().Controls();
    const PlotGeometry g = ComputePlotGeometry(plot.width(), plot.height());
    const PlotScale s = ComputePlotScale(g, controls.maxVolts, controls.maxMilliamps);
    // The pointer low on the left: its lines cross the curve's flat part,
    // its readout lies where there is no curve and no axis text.
    const QPoint pointer(s.volts.PixelOf(-4.5), s.milliamps.PixelOf(-8));
    QMouseEvent move(QEvent::MouseMove, pointer, Overlay().mapToGlobal(pointer), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&Overlay(), &move);
    ASSERT_TRUE(Overlay().ReadoutShown());
    const QImage shown = form_->PlotBox()->grab().toImage();
    ASSERT_EQ(shown.size(), plot.size());

    const QRect matchBox = Overlay().MatchRect();
    const QRect legend = Overlay().BandLegendRect();
    ASSERT_FALSE(matchBox.isEmpty());
    ASSERT_FALSE(legend.isEmpty());
    const QFontMetrics metrics(form_->PlotBox()->font());
    // Opaque like the two above; it hides what lies under it.
    const int readoutHeight = 3 * metrics.height() + 8;
    const QRect readout(pointer.x() + 12, pointer.y() - 12 - readoutHeight, plot.width(), readoutHeight);
    const auto inBand = [&](int x) {
      for (const VoltageInterval& v : Overlay().Match()->outside) {
        const double volts = s.volts.ValueAt(x);
        if (volts >= std::min(v.fromVolts, v.toVolts) && volts <= std::max(v.fromVolts, v.toVolts)) return true;
      }
      return false;
    };
    int curveInBand = 0, curveOnCrosshair = 0, changed = 0, tinted = 0;
    for (int y = 0; y < plot.height(); ++y)
      for (int x = 0; x < plot.width(); ++x) {
        const QPoint p(x, y);
        if (plot.pixelColor(p) != Line()) {
          if (plot.pixelColor(p) != shown.pixelColor(p) && inBand(x) && !matchBox.contains(p)) ++tinted;
          continue;
        }
        if (matchBox.contains(p) || legend.contains(p) || readout.contains(p)) continue;
        curveInBand += inBand(x);
        curveOnCrosshair += x == pointer.x();
        changed += shown.pixelColor(p) != Line();
      }
    EXPECT_GT(curveInBand, 50);
    EXPECT_GT(curveOnCrosshair, 0);
    EXPECT_GT(tinted, 1000) << "no band to be seen";
    EXPECT_EQ(changed, 0) << "curve pixels of another colour than " << Line().name().toStdString();

    const QColor background = plot.pixelColor(0, 0);
    for (const PlotText& t : AxisTexts(g, s, QLocale().decimalPoint().toStdString())) {
      SCOPED_TRACE(t.text);
      const QRect text(t.x, t.y, metrics.horizontalAdvance(QString::fromStdString(t.text)), metrics.height());
      EXPECT_FALSE(matchBox.intersects(text));
      EXPECT_FALSE(legend.intersects(text));
      int ink = 0, lost = 0;
      for (int y = std::max(text.top(), 0); y <= std::min(text.bottom(), plot.height() - 1); ++y)
        for (int x = std::max(text.left(), 0); x <= std::min(text.right(), plot.width() - 1); ++x)
          if (plot.pixelColor(x, y) != background) {
            ++ink;
            lost += shown.pixelColor(x, y) != plot.pixelColor(x, y);
          }
      EXPECT_GT(ink, 3);
      EXPECT_EQ(lost, 0);
    }
    const QColor referenceColour = QtColour(ReferenceColour(0));
    for (int y = legend.top(); y <= legend.bottom(); ++y)
      for (int x = legend.left(); x <= legend.right(); ++x)
        ASSERT_TRUE(plot.pixelColor(x, y) != Line() && plot.pixelColor(x, y) != referenceColour)
            << "the legend entry covers a curve at " << x << "," << y;
    EXPECT_EQ(Overlay().MatchBoxLines().size() > static_cast<qsizetype>(Overlay().Match()->lines.size()),
              size.wrapped);
  }
}

// The Parameters window opens where it leaves the plot in view: beside the
// main window when the screen has room, else over the panel column.
TEST_F(CurveToolsTest, ParametersOpenClearOfThePlot) {
  ASSERT_NE(Start("diode"), nullptr);
  Measure();
  form_->CurveItems().parameters->trigger();
  ParametersWindow* window = form_->Tools().Parameters();
  ASSERT_NE(window, nullptr);
  const QRect plot(form_->PlotBox()->mapToGlobal(QPoint(0, 0)), form_->PlotBox()->size());
  EXPECT_FALSE(window->frameGeometry().intersects(plot))
      << "plot " << plot.x() << "," << plot.y() << " " << plot.width() << "x" << plot.height() << ", window at "
      << window->x() << "," << window->y();
  EXPECT_TRUE(form_->screen()->availableGeometry().contains(window->frameGeometry()));
  // Closed and opened again after the main window moved: beside it again.
  window->close();
  form_->move(form_->pos() + QPoint(40, 30));
  form_->CurveItems().parameters->trigger();
  const QRect moved(form_->PlotBox()->mapToGlobal(QPoint(0, 0)), form_->PlotBox()->size());
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->frameGeometry().intersects(moved));
}

// With several references the best one is named; references stay through
// Clear plot, a new run and a change of range, and go when cleared.
TEST_F(CurveToolsTest, ReferencesStayUntilClearedAndTheBestIsNamed) {
  ASSERT_NE(Start("diode", 3), nullptr);
  Measure();
  SaveAs("diode.kvt");
  WriteResistorFile("r2k.kvt");
  OpenReferences({"r2k.kvt", "diode.kvt"});
  ASSERT_EQ(form_->Tools().References().size(), 2u);
  ASSERT_TRUE(Overlay().Match());
  EXPECT_NE(Overlay().Match()->lines[0].find("best: diode.kvt"), std::string::npos) << Overlay().Match()->lines[0];

  const auto bothShown = [this] {
    const QImage image = form_->PlotBox()->Image();
    return PixelsOf(image, QtColour(ReferenceColour(0))) > 20 && PixelsOf(image, QtColour(ReferenceColour(1))) > 20;
  };
  EXPECT_TRUE(bothShown());
  prompt_.answers = {PromptAnswer::Yes};
  form_->Menu().clearPlot->trigger();
  EXPECT_TRUE(bothShown()) << "after Clear plot";
  EXPECT_FALSE(Overlay().Match());
  Measure();
  EXPECT_TRUE(bothShown()) << "after a new run";
  form_->Panel().MaxMilliampsBar()->setValue(form_->Panel().MaxMilliampsBar()->value() - 3);
  EXPECT_TRUE(bothShown()) << "after a change of range";

  form_->CurveItems().clearReferences->trigger();
  EXPECT_TRUE(form_->Tools().References().empty());
  EXPECT_EQ(PixelsOf(form_->PlotBox()->Image(), QtColour(ReferenceColour(0))), 0);
  EXPECT_FALSE(Overlay().Match());
}

// A file that cannot be read gives one message naming it and why; the
// files that can be read are still opened.
TEST_F(CurveToolsTest, AnUnreadableReferenceIsNamedWithTheReason) {
  ASSERT_NE(Start("diode"), nullptr);
  WriteResistorFile("good.kvt");
  QFile bad(dir_.filePath("bad.csv"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("volts,amps\n1,2\nthree,4\n");
  bad.close();
  OpenReferences({"bad.csv", "missing.kvt", "good.kvt"});
  ASSERT_EQ(prompt_.messages.size(), 2u);
  for (const auto& [shown, name] : {std::pair{prompt_.messages[0], "bad.csv: "}, {prompt_.messages[1], "missing.kvt: "}}) {
    EXPECT_NE(shown.text.find(name), std::string::npos) << shown.text;
    EXPECT_GT(shown.text.size(), shown.text.find(name) + std::string(name).size()) << "no reason: " << shown.text;
    EXPECT_EQ(shown.icon, PromptIcon::Exclamation);
  }
  ASSERT_EQ(form_->Tools().References().size(), 1u);
  EXPECT_EQ(form_->Tools().References()[0].name, "good.kvt");
  ASSERT_EQ(prompt_.openDialogs.size(), 1u);
}

// The pointer over a known point reads it with its dynamic resistance, the
// readout goes when the pointer leaves, and Copy never takes it along.
TEST_F(CurveToolsTest, ReadoutShowsThePointUnderThePointerButCopyLeavesItOut) {
  ASSERT_NE(Start("diode"), nullptr);
  WriteResistorFile("r2k.kvt");
  OpenPoints("r2k.kvt");
  ASSERT_EQ(form_->Measured().points.size(), 32u);

  const PlotControls controls = form_->Panel().Controls();
  const QImage plain = form_->PlotBox()->Image();
  const PlotGeometry g = ComputePlotGeometry(plain.width(), plain.height());
  const PlotScale s = ComputePlotScale(g, controls.maxVolts, controls.maxMilliamps);
  // The file's voltages are rounded to 10 mV: the slope has an interval,
  // narrower where more neighbours lie on both sides.
  const struct {
    double volts;  // a point of the file
    const char* ohms;
  } cases[] = {{1.28, "2.000 ± 0.011 kohm"}, {-2.4, "2.00 ± 0.05 kohm"}, {0.0, "2.000 ± 0.013 kohm"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.volts);
    const double amps = c.volts / 2000;
    const QPoint at(s.volts.PixelOf(c.volts) + 2, s.milliamps.PixelOf(amps * 1000) - 1);
    QMouseEvent move(QEvent::MouseMove, at, Overlay().mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&Overlay(), &move);
    ASSERT_TRUE(Overlay().ReadoutShown());
    const QStringList lines = Overlay().ReadoutLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[1].toStdString(), "point " + WithUnit(c.volts, "V") + "  " + WithUnit(amps, "A"));
    EXPECT_EQ(lines[2].toStdString(), std::string("dV/dI ") + c.ohms);
    // On screen the crosshair is there; the plot image and the copy are untouched.
    EXPECT_NE(form_->PlotBox()->grab().toImage().convertToFormat(plain.format()), plain);
    form_->Menu().copyPlot->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(plain.format()), plain);
  }
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&Overlay(), &leave);
  EXPECT_FALSE(Overlay().ReadoutShown());
  EXPECT_EQ(form_->PlotBox()->grab().toImage().convertToFormat(plain.format()), plain);
}

// Export through the dialog writes what the kvt command writes for the
// same curve: the filter chooses the format, a typed extension overrides it.
TEST_F(CurveToolsTest, ExportWritesWhatTheCommandWrites) {
  ASSERT_NE(Start("diode", 5), nullptr);
  Measure();
  SaveAs("diode.kvt");
  WriteResistorFile("r2k.kvt");
  OpenPoints("diode.kvt");  // the window now holds exactly the file's values
  OpenReferences({"r2k.kvt"});
  const QSize size = form_->PlotBox()->Image().size();
  const QString sizeText = QString("%1x%2").arg(size.width()).arg(size.height());

  const struct {
    const char* typed;
    int filter;
    const char* written;
    QStringList command;  // its output is "cmd.out"
    bool csv;
  } cases[] = {
      {"w1", 0, "w1.csv", {"convert", "diode.kvt", "-o", "cmd.csv"}, true},
      {"w2", 1, "w2.png", {"render", "diode.kvt", "--ref", "r2k.kvt", "--size", sizeText, "-o", "cmd.png"}, false},
      {"w3", 2, "w3.svg", {"render", "diode.kvt", "--ref", "r2k.kvt", "--size", sizeText, "-o", "cmd.svg"}, false},
      {"diode", 3, "diode.cir", {"spice", "diode.kvt", "-o", "cmd.cir"}, false},
      {"typed.png", 0, "typed.png", {"render", "diode.kvt", "--ref", "r2k.kvt", "--size", sizeText, "-o", "cmd.png"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    prompt_.fileNames = {dir_.filePath(c.typed).toStdString()};
    prompt_.saveFilters = {c.filter};
    form_->CurveItems().exportCurve->trigger();
    EXPECT_TRUE(prompt_.messages.empty()) << prompt_.Texts()[0];

    QProcess kvt;
    kvt.setWorkingDirectory(dir_.path());
    kvt.start(QStringLiteral(KVT_PROGRAM), c.command);
    ASSERT_TRUE(kvt.waitForFinished(60000));
    ASSERT_EQ(kvt.exitCode(), 0) << kvt.readAllStandardError().toStdString();
    const QByteArray mine = ReadAll(dir_.filePath(c.written));
    const QByteArray theirs = ReadAll(dir_.filePath(c.command.last()));
    ASSERT_GT(mine.size(), 100);
    if (c.csv)
      EXPECT_EQ(WithoutWriterLines(mine), WithoutWriterLines(theirs));
    else
      EXPECT_EQ(mine, theirs);
  }
}

// A file that cannot be written is a failed save, and nothing is left.
TEST_F(CurveToolsTest, AFailedExportIsReportedAndLeavesNothing) {
  ASSERT_NE(Start("diode"), nullptr);
  Measure();
  prompt_.fileNames = {dir_.filePath("no such folder/out.svg").toStdString()};
  form_->CurveItems().exportCurve->trigger();
  ASSERT_EQ(prompt_.Texts(), std::vector<std::string>{"Can't save file"});
  EXPECT_EQ(QDir(dir_.path()).entryList({"*.svg"}, QDir::Files).size(), 0);
}

// The plot follows a run while it goes on, not only at its end.
TEST_F(CurveToolsTest, TheRunIsPlottedWhileItGoesOn) {
  ASSERT_NE(Start("diode"), nullptr);
  const QImage before = form_->PlotBox()->Image();
  std::vector<int> linePixels;
  std::vector<bool> changed;
  Measure([&](int tick) {
    if (tick > 24) return;
    const QImage now = form_->PlotBox()->Image();
    linePixels.push_back(PixelsOf(now, Line()));
    changed.push_back(now != before);
  });
  ASSERT_EQ(linePixels.size(), 24u);
  // Two points make the first piece of line; from then on it grows.
  EXPECT_TRUE(changed[2]);
  EXPECT_GT(linePixels[2], 0);
  EXPECT_GT(linePixels[23], linePixels[2]);
  EXPECT_EQ(form_->Measured().points.size(), 32u);
  EXPECT_FALSE(form_->Tools().HasPartial());
}

// Each way of leaving measured points that were never saved asks once;
// Cancel keeps everything, No goes on. A save or a load asks nothing.
TEST_F(CurveToolsTest, UnsavedMeasuredPointsAreAskedForOnEveryWayOut) {
  const char* question = "The measured points have not been saved. Save them first?";
  WriteResistorFile("other.kvt");
  const struct {
    const char* way;
    std::function<void(MainWindow&)> act;
    std::function<bool(MainWindow&, const Curve& measured)> wentOn;  // after the answer No
  } ways[] = {
      {"Exit", [](MainWindow& f) { f.Menu().exit->trigger(); },
       [this](MainWindow&, const Curve&) { return quits_ == 1; }},
      {"close", [](MainWindow& f) { f.close(); }, [this](MainWindow&, const Curve&) { return quits_ == 1; }},
      {"open",
       [this](MainWindow& f) {
         prompt_.fileNames = {dir_.filePath("other.kvt").toStdString()};
         f.Menu().openPoints->trigger();
       },
       [](MainWindow& f, const Curve&) { return f.Measured().points.at(0).volts == -2.56; }},
      {"run", [this](MainWindow&) { Measure(); },
       [](MainWindow& f, const Curve& measured) {
         return f.Measured().points.size() == 32 && f.Measured().points != measured.points;
       }},
  };
  for (const auto& w : ways) {
    SCOPED_TRACE(w.way);
    quits_ = 0;
    ASSERT_NE(Start("diode"), nullptr);
    Measure();
    const Curve measured = form_->Measured();
    prompt_.messages.clear();
    prompt_.answers = {PromptAnswer::Cancel};
    w.act(*form_);
    ASSERT_EQ(prompt_.Texts(), std::vector<std::string>{question});
    EXPECT_EQ(prompt_.messages[0].buttons, PromptButtons::YesNoCancel);
    EXPECT_EQ(prompt_.messages[0].icon, PromptIcon::Question);
    EXPECT_EQ(quits_, 0);
    EXPECT_TRUE(form_->isVisible());
    EXPECT_EQ(form_->Measured().points.size(), 32u);
    EXPECT_EQ(form_->Measured().points, measured.points);
    EXPECT_TRUE(prompt_.openDialogs.empty());

    prompt_.answers = {PromptAnswer::No};
    w.act(*form_);
    EXPECT_EQ(prompt_.Texts(), std::vector<std::string>(2, question));
    EXPECT_TRUE(w.wentOn(*form_, measured));
    prompt_.openDialogs.clear();
  }

  // Yes saves through the usual dialog first.
  quits_ = 0;
  ASSERT_NE(Start("diode"), nullptr);
  Measure();
  prompt_.messages.clear();
  prompt_.answers = {PromptAnswer::Yes};
  prompt_.fileNames = {dir_.filePath("kept").toStdString()};
  form_->Menu().exit->trigger();
  EXPECT_EQ(prompt_.Texts(), std::vector<std::string>{question});
  EXPECT_EQ(quits_, 1);
  EXPECT_TRUE(QFile::exists(dir_.filePath("kept.kvt")));

  // After a save, or with points from a file, nothing asks.
  for (const bool save : {true, false}) {
    SCOPED_TRACE(save ? "saved" : "loaded");
    quits_ = 0;
    ASSERT_NE(Start("diode"), nullptr);
    Measure();
    prompt_.answers = {PromptAnswer::No};
    if (save)
      SaveAs("saved.kvt");
    else
      OpenPoints("other.kvt");
    prompt_.messages.clear();
    Measure();  // a new run after the save or load: no question before it ...
    EXPECT_TRUE(prompt_.messages.empty());
    SaveAs(save ? "saved2.kvt" : "saved3.kvt");
    form_->close();  // ... and none after its points were saved
    EXPECT_TRUE(prompt_.messages.empty()) << prompt_.Texts()[0];
    EXPECT_EQ(quits_, 1);
  }
}

// The Parameters window is no dialog that blocks: it shows the measured
// curve and each reference side by side and follows every change.
TEST_F(CurveToolsTest, ParametersFollowRunsReferencesAndClear) {
  ASSERT_NE(Start("diode"), nullptr);
  form_->CurveItems().parameters->trigger();
  ParametersWindow* window = form_->Tools().Parameters();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), "Parameters");
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->isModal());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  const auto headers = [window] {
    QStringList titles;
    for (int c = 0; c < window->Table()->columnCount(); ++c) titles << window->Table()->horizontalHeaderItem(c)->text();
    return titles;
  };
  const auto value = [window](const char* label, int column) {
    for (int r = 0; r < window->Table()->rowCount(); ++r)
      if (window->Table()->verticalHeaderItem(r)->text() == label && window->Table()->item(r, column))
        return window->Table()->item(r, column)->text();
    return QString("<none>");
  };
  EXPECT_TRUE(headers().isEmpty());

  Measure();
  EXPECT_EQ(headers(), QStringList{"measured"});
  EXPECT_EQ(value("component", 0), "diode");
  WriteResistorFile("r2k.kvt");
  OpenReferences({"r2k.kvt"});
  EXPECT_EQ(headers(), (QStringList{"measured", "r2k.kvt"}));
  EXPECT_EQ(value("component", 1), "resistor");
  EXPECT_EQ(value("resistance", 1), "2.0000 ± 0.0012 kohm");
  prompt_.answers = {PromptAnswer::Yes};
  form_->Menu().clearPlot->trigger();
  EXPECT_EQ(headers(), QStringList{"r2k.kvt"});
  form_->CurveItems().clearReferences->trigger();
  EXPECT_TRUE(headers().isEmpty());
}

namespace {

// A resistor of `ohms` as a points file of 32 points, -2.56 V ... 2.40 V.
void WriteResistor(const QString& path, double ohms) {
  QFile out(path);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write("KVT\r\n 32 \r\n 0 \r\n");
  for (int code = 0; code < 1024; code += 32) {
    const double volts = (code - 512) / 200.0;
    out.write(QByteArray::number(volts, 'f', 2) + " " + QByteArray::number(volts / ohms, 'E', 4) + "\r\n");
  }
}

// The rows between which pixels of `colour` lie.
std::pair<int, int> RowsOf(const QImage& image, QColor colour) {
  int top = image.height(), bottom = -1;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) == colour) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  return {top, bottom};
}

// CR LF lines of a file.
int LinesOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? static_cast<int>(file.readAll().count("\r\n")) : -1;
}

// Types each text into the text dialogs that come up in turn and presses OK.
void AnswerTextDialogs(std::shared_ptr<std::deque<QString>> texts) {
  QTimer::singleShot(0, [texts] {
    auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    if (!dialog || texts->empty()) return;
    dialog->setTextValue(texts->front());
    texts->pop_front();
    if (!texts->empty()) AnswerTextDialogs(texts);
    dialog->accept();
  });
}

}  // namespace

// A 100 ohm curve beyond the Max I scroll bar's 10 mA: a larger scale from
// the View menu shows it whole, greys the scroll bar, and the choice and the
// log view come back at the next start from their own file while
// kvt_win.cfg keeps its 28 lines.
TEST_F(CurveToolsTest, TheViewMenuShowsLargerCurrentsAndRemembersItsChoices) {
  ASSERT_NE(Start("diode"), nullptr);
  WriteResistor(dir_.filePath("r100.kvt"), 100);  // up to 25.6 mA
  OpenPoints("r100.kvt");
  ASSERT_EQ(form_->Measured().points.size(), 32u);
  const PlotGeometry g = ComputePlotGeometry(form_->PlotBox()->Image().width(), form_->PlotBox()->Image().height());
  const auto [top10, bottom10] = RowsOf(form_->PlotBox()->Image(), Line());
  EXPECT_LT(top10, ComputePlotScale(g, 5, 10).milliamps.PixelOf(9));  // cut at 10 mA
  auto* maxI = form_->findChild<QScrollBar*>("HScroll3");
  ASSERT_NE(maxI, nullptr);
  EXPECT_TRUE(maxI->isEnabled());

  ViewMenu& view = form_->View();
  ASSERT_EQ(view.ScaleItems().size(), std::size(CurrentScales));
  view.ScaleItems()[2]->trigger();  // 50 mA
  EXPECT_TRUE(view.ScaleItems()[2]->isChecked());
  EXPECT_FALSE(view.ScaleItems()[0]->isChecked());
  EXPECT_EQ(form_->ShownPicture().plot.controls.maxMilliamps, 50);
  const auto [top50, bottom50] = RowsOf(form_->PlotBox()->Image(), Line());
  const PlotScale s50 = ComputePlotScale(g, 5, 50);
  EXPECT_NEAR(top50, s50.milliamps.PixelOf(2.40 / 100 * 1000), 2);  // the whole curve
  EXPECT_NEAR(bottom50, s50.milliamps.PixelOf(-2.56 / 100 * 1000), 2);
  EXPECT_FALSE(maxI->isEnabled());
  EXPECT_NE(maxI->toolTip().indexOf("50 mA"), -1) << maxI->toolTip().toStdString();
  EXPECT_EQ(form_->Table()[MaxMilliampsSetting], "10");  // the scroll bar's own value stays

  view.LogCurrentItem()->trigger();
  EXPECT_TRUE(view.LogCurrentItem()->isChecked());
  EXPECT_TRUE(form_->ShownPicture().logCurrent);
  EXPECT_EQ(view.LogCurrentItem()->shortcut(), QKeySequence("Ctrl+L"));

  // The command draws the same log view pixel for pixel.
  QProcess kvt;
  kvt.setWorkingDirectory(dir_.path());
  kvt.start(QStringLiteral(KVT_PROGRAM), {"render", "r100.kvt", "-o", "log.png", "--log-current", "--max-i", "50"});
  ASSERT_TRUE(kvt.waitForFinished(60000));
  ASSERT_EQ(kvt.exitCode(), 0) << kvt.readAllStandardError().toStdString();
  const QImage window = form_->PlotBox()->Image();
  EXPECT_EQ(QImage(dir_.filePath("log.png")).convertToFormat(window.format()), window);

  form_->close();
  EXPECT_EQ(LinesOf(dir_.filePath("kvt_win.cfg")), 28);
  ASSERT_NE(Start("diode"), nullptr);
  EXPECT_TRUE(form_->View().ScaleItems()[2]->isChecked());
  EXPECT_TRUE(form_->View().LogCurrentItem()->isChecked());
  EXPECT_FALSE(form_->findChild<QScrollBar*>("HScroll3")->isEnabled());
  form_->View().ScaleItems()[0]->trigger();
  EXPECT_TRUE(form_->findChild<QScrollBar*>("HScroll3")->isEnabled());
  EXPECT_EQ(ReadViewOptions(ConfigDirFrom(dir_.path().toStdString())), (ViewOptions{10, true, "auto"}));
  EXPECT_TRUE(prompt_.messages.empty()) << prompt_.Texts()[0];
}

// In the log view the pointer reads the log axis: a decade's row reads that
// current, the voltage axis reads "under the floor", and the nearest point is
// the one nearest on screen.
TEST_F(CurveToolsTest, TheReadoutReadsTheLogAxis) {
  ASSERT_NE(Start("diode"), nullptr);
  WriteResistorFile("r2k.kvt");  // 80 uA steps up to 1.2 mA
  OpenPoints("r2k.kvt");
  form_->View().SetLogCurrent(true);
  const QImage image = form_->PlotBox()->Image();
  const PlotGeometry g = ComputePlotGeometry(image.width(), image.height());
  const PlotScale s = ComputeLogCurrentPlotScale(g, 5, 1e-2, 10);  // the smallest reading, 80 uA: from 10 uA
  const auto move = [this](QPoint at) {
    QMouseEvent event(QEvent::MouseMove, at, Overlay().mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&Overlay(), &event);
    EXPECT_TRUE(Overlay().ReadoutShown());
    return Overlay().ReadoutLines();
  };
  const struct {
    const char* name;
    double volts, milliamps;
    const char* reads;
    const char* point;
  } cases[] = {
      {"1 mA on the forward branch", 1.92, 1, "  1 mA", "point 1.92 V  960 uA"},
      {"100 uA, between decades on screen", 0.16, 0.1, "  100 uA", "point 160 mV  80 uA"},
      {"the reverse branch", -1.6, -1, "  -1 mA", "point -1.6 V  -800 uA"},
      {"the voltage axis", 0, 0, "|I| < 10 uA", "point 0 V  0 A (under one step)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QStringList lines = move(QPoint(s.volts.PixelOf(c.volts), s.milliamps.PixelOf(c.milliamps)));
    ASSERT_GE(lines.size(), 2);
    EXPECT_NE(lines[0].indexOf(c.reads), -1) << "[" << lines[0].toStdString() << "]";
    EXPECT_EQ(lines[1].toStdString().substr(0, std::string(c.point).size()), c.point) << lines[1].toStdString();
  }
}

// The tolerance set from the View menu is the one the match box judges
// with; a text the comparison cannot take is refused with the reason and
// asked for again, and the choice is kept.
TEST_F(CurveToolsTest, TheMatchToleranceComesFromTheViewMenu) {
  ASSERT_NE(Start("diode", 3), nullptr);
  Measure();
  SaveAs("reference.kvt");
  ASSERT_NE(Start("diode", 11), nullptr);
  Measure();
  OpenReferences({"reference.kvt"});
  ASSERT_TRUE(Overlay().Match());
  EXPECT_TRUE(Overlay().Match()->pass);

  AnswerTextDialogs(std::make_shared<std::deque<QString>>(std::deque<QString>{"lots", "1mV,1uA"}));
  form_->View().MatchToleranceItem()->trigger();
  ASSERT_EQ(prompt_.messages.size(), 1u);
  EXPECT_NE(prompt_.messages[0].text.find("The match tolerance needs a number, not \"lots\""), std::string::npos)
      << prompt_.messages[0].text;
  ASSERT_TRUE(Overlay().Match());
  EXPECT_FALSE(Overlay().Match()->pass);
  EXPECT_EQ(Overlay().Match()->lines.back(), "tolerance 1 mV, 1 uA");
  EXPECT_EQ(ReadViewOptions(ConfigDirFrom(dir_.path().toStdString())).matchTolerance, "1mV,1uA");

  // Cancelled: nothing changes.
  QTimer::singleShot(0, [] {
    if (auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) dialog->reject();
  });
  form_->View().MatchToleranceItem()->trigger();
  EXPECT_EQ(form_->View().Options().matchTolerance, "1mV,1uA");

  AnswerTextDialogs(std::make_shared<std::deque<QString>>(std::deque<QString>{"auto"}));
  form_->View().MatchToleranceItem()->trigger();
  EXPECT_TRUE(Overlay().Match()->pass);
  EXPECT_EQ(Overlay().Match()->lines.back().rfind("tolerance", 0), std::string::npos);
}

// A tolerance in the file that the comparison cannot take is dropped for
// auto at the start.
TEST_F(CurveToolsTest, ABadToleranceInTheFileIsDropped) {
  QFile file(dir_.filePath(ViewOptionsFileName));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("match_tolerance = 20mV,lots\nlog_current = 1\n");
  file.close();
  ASSERT_NE(Start("diode"), nullptr);
  EXPECT_EQ(form_->View().Options().matchTolerance, "auto");
  EXPECT_TRUE(form_->View().Options().logCurrent);
}

}  // namespace kvt
