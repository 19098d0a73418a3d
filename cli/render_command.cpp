// kvt render: the plot as the window draws it, to PNG or SVG.
#include <QFontInfo>
#include <QGuiApplication>
#include <QLocale>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "files/curve_files.h"
#include "cli/cli_files.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/gui_application.h"
#include "core/view_options.h"
#include "plot/log_current_plot.h"
#include "plot/plot_export.h"
#include "plot/plot_font.h"

namespace kvt {

namespace {

std::string FileName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// Width first: the message names the first bad number of the two.
QSize SizeOption(const std::string& text) {
  const auto x = text.find('x');
  if (x == std::string::npos) throw UsageError("option --size takes WIDTHxHEIGHT, not \"" + text + "\"");
  const int width = WholeOption("--size", text.substr(0, x), 60, 10000, "pixels");
  const int height = WholeOption("--size", text.substr(x + 1), 60, 10000, "pixels");
  return QSize(width, height);
}

// Qt's own notes (a missing runtime folder, say) are no business of a
// script reading kvt's output; kvt reports its own failures. A fatal one (a
// platform of the user's that cannot start, say) ends kvt with status 1
// instead of an abort.
void QuietQt(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "kvt: %s\n", qPrintable(message));
  if (type == QtFatalMsg) {
    std::fflush(stderr);
    std::_Exit(1);
  }
}

// Without a choice of the user's, Qt starts on the headless "minimal"
// platform whether there is a screen or not, so the pixels never depend on a
// display. That platform has a font database only when asked for one, and
// without it every text of the plot would be missing: a user's "minimal" gets
// it too, any other choice is kept.
QByteArray RenderPlatform(const QByteArray& chosen) {
  if (chosen.isEmpty()) return "minimal:enable_fonts";
  const QList<QByteArray> parts = chosen.split(':');  // name:option:option...
  if (parts[0] != "minimal" || parts.contains("enable_fonts")) return chosen;
  return chosen + (chosen.endsWith(':') ? "" : ":") + "enable_fonts";
}

}  // namespace

std::unique_ptr<QGuiApplication> ApplicationWithFonts() {
  if (QGuiApplication::instance()) return nullptr;
  qInstallMessageHandler(QuietQt);
  static QByteArray platform = RenderPlatform(qgetenv("QT_QPA_PLATFORM"));
  static int argc = 3;
  static char name[] = "kvt", option[] = "-platform";
  static char* argv[] = {name, option, platform.data(), nullptr};
  auto application = std::make_unique<QGuiApplication>(argc, argv);
  // Without a real font Qt falls back to empty boxes, which draw nothing: a
  // plot without its numbers, titles and legend is no plot.
  if (QFontInfo(ProgramFont()).family().isEmpty())
    throw RunError("no font to draw the plot's texts with on the Qt platform \"" + platform.toStdString() + "\" (" +
                   (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ? "" : "unset QT_QPA_PLATFORM, or ") +
                   "install fonts, such as fonts-dejavu-core)");
  return application;
}

namespace {

int RunRender(const Words& words) {
  const CommandLine line(words, RenderCommand().options);
  line.ExpectPositional({"FILE"});
  const auto output = line.Value("-o");
  if (!output || output->empty()) throw UsageError("missing -o OUT.png or OUT.svg");
  const bool svg = OutputExtension(*output, PlotExtensions) == ".svg";

  PlotPicture picture;
  picture.plot = OptionsOfThisFolder().Plot();
  PlotControls& controls = picture.plot.controls;
  if (const auto v = line.Value("--size")) picture.size = SizeOption(*v);
  if (const auto v = line.Value("--max-v")) controls.maxVolts = WholeOption("--max-v", *v, 1, 5, "volts");
  if (const auto v = line.Value("--max-i"))
    controls.maxMilliamps = WholeOption("--max-i", *v, 1, WholeRangeMilliamps, "milliamperes");
  picture.logCurrent = line.Has("--log-current");
  if (const auto v = line.Value("--smooth")) {
    const int level = *v == "0" ? 0 : WholeOption("--smooth", *v, 3, 30);
    controls.smoothing = level != 0;
    if (level != 0) controls.smoothingLevel = level;
  }

  const std::string input = line.Positional()[0];
  Curve curve = LoadCurve(input);
  const std::vector<std::string> refs = line.Values("--ref");
  for (std::size_t i = 0; i < refs.size(); ++i) {
    const Curve reference = LoadCurve(refs[i]);
    picture.references.push_back({FileName(refs[i]), PairsOf(reference), ReferenceColour(static_cast<int>(i)), 1,
                                  RangesOf(reference)});
  }
  picture.curve = std::move(curve);

  const auto application = ApplicationWithFonts();
  picture.font = ProgramFont();
  picture.decimalSeparator = QLocale().decimalPoint().toStdString();
  if (svg) {
    WriteOutput(*output, PlotSvg(picture).toStdString());
    return 0;
  }
  const auto png = IndexedPng(PlotImage(picture));
  if (!png) throw RunError("the plot has more colours than a PNG palette holds");
  WriteOutput(*output, png->toStdString());
  return 0;
}

}  // namespace

const Subcommand& RenderCommand() {
  static const Subcommand command{
      "render",
      "render FILE [--ref FILE]... -o OUT [--size WxH] [--max-v V] [--max-i MA] [--log-current] [--smooth LEVEL]",
      "Draws the curve in FILE as the window draws it, with reference curves in\n"
      "their colours. A curve of 32, 64, 128, 256, 512 or 1024 points is drawn as\n"
      "the window draws its points (smoothed when asked); others as they are.\n"
      "Defaults for the size, scales, colours and smoothing come from kvt_win.cfg\n"
      "in the current folder when there is one; the window's view options\n"
      "(kvt_win_view.cfg) do not apply, only these options.\n",
      {{"-o", true, false, false, "OUT", "the picture to write: " + OneOf(PlotExtensions) + " (required)\n"},
       {"--ref", true, true, false, "FILE", "a reference curve drawn too; may be given several times\n"},
       {"--size", true, false, false, "WxH", "picture size in pixels, each 60 to 10000; default 373x341, the\n"
        "window's plot at its first size\n"},
       {"--max-v", true, false, false, "V", "voltage axis from -V to +V volts, a whole number from 1 to 5\n"},
       {"--max-i", true, false, false, "MA",
        "current axis from -MA to +MA milliamperes, a whole number from 1 to 60\n"
        "(the window's Max I scroll bar goes to 10; a 100 ohm curve reaches about 55)\n"},
       {"--log-current", false, false, false, "",
        "|I| on a logarithmic axis up to MA, forward branch above the voltage axis,\n"
        "reverse below; readings under one converter step of their range drawn\n"
        "as hollow grey marks\n"},
       {"--smooth", true, false, false, "LEVEL", "smoothing: 0 for none, or 3 to 30 points per block\n"}},
      RunRender};
  return command;
}

}  // namespace kvt
