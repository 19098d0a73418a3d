#include "ui/export_command.h"

#include <QFile>
#include <QString>
#include <unistd.h>
#include <array>
#include <cctype>

#include "files/curve_files.h"
#include "analysis/parameters.h"
#include "analysis/spice_model.h"
#include "core/atomic_write.h"

namespace kvt {

namespace {

struct FormatEntry {
  ExportFormat format;
  const char* filter;
  const char* suffix;  // added to a bare name
};

constexpr std::array<FormatEntry, 4> Formats = {{
    {ExportFormat::Csv, "Comma-separated values (*.csv)", ".csv"},
    {ExportFormat::Png, "PNG image (*.png)", ".png"},
    {ExportFormat::Svg, "SVG drawing (*.svg)", ".svg"},
    {ExportFormat::Spice, "SPICE model (*.cir *.lib *.sp)", ".cir"},
}};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The extension of the last path part with its dot, lower case; "" without.
std::string Extension(const std::string& path) {
  const std::string base = BaseName(path);
  const auto dot = base.rfind('.');
  return dot == std::string::npos || dot == 0 ? std::string() : Lower(base.substr(dot));
}

void CantSave(Prompt& prompt) {
  prompt.Message("Can't save file", PromptIcon::Exclamation, PromptButtons::OkCancel, PromptAnswer::Ok);
}

// The file's bytes, or nothing when the producer cannot make them.
std::optional<std::string> Produce(ExportFormat format, const PlotPicture& picture, const std::string& path) {
  const Curve& curve = picture.curve;
  switch (format) {
    case ExportFormat::Csv: {
      CsvMetadata meta;
      meta.program = "kvt_win";
      meta.version = KVT_VERSION;
      meta.dateTime = LocalDateTimeNow();
      const CurveText out = CurveFileText(curve, CurveFormat::Csv, meta);
      if (!out.error.empty()) return std::nullopt;
      return out.text;
    }
    case ExportFormat::Png: {
      const auto png = IndexedPng(PlotImage(picture));
      if (!png) return std::nullopt;
      return png->toStdString();
    }
    case ExportFormat::Svg:
      return PlotSvg(picture).toStdString();
    case ExportFormat::Spice: {
      std::string name = BaseName(path);
      name = name.substr(0, name.rfind('.'));
      return SpiceModelText(SpiceName(name), curve, AnalysePart(curve));
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<ExportFormat> ExportFormatOfName(const std::string& name) {
  const std::string ext = Extension(name);
  if (ext == ".csv") return ExportFormat::Csv;
  if (ext == ".png") return ExportFormat::Png;
  if (ext == ".svg") return ExportFormat::Svg;
  if (ext == ".cir" || ext == ".lib" || ext == ".sp" || ext == ".spice") return ExportFormat::Spice;
  return std::nullopt;
}

bool ExportCurve(Prompt& prompt, const PlotPicture& picture) {
  if (picture.curve.empty()) {
    prompt.Message("There are no points!", PromptIcon::Exclamation, PromptButtons::Ok, PromptAnswer::Ok);
    return false;
  }
  FileDialogRequest request{"Export", {}, 0};
  for (const FormatEntry& f : Formats) request.filters.push_back(f.filter);
  const SaveChoice choice = prompt.SaveFile(request);
  if (choice.name.empty()) return false;

  // A typed extension wins over the selected filter; a bare name gets the
  // filter's own.
  const FormatEntry& selected = Formats[choice.filter >= 0 && choice.filter < 4 ? choice.filter : 0];
  std::string name = choice.name;
  ExportFormat format = selected.format;
  if (const auto typed = ExportFormatOfName(name))
    format = *typed;
  else if (Extension(name).empty())
    name += selected.suffix;
  const auto local = [](const std::string& text) { return QFile::encodeName(QString::fromStdString(text)).toStdString(); };
  const std::string path = local(name);

  // A device named without an extension is refused as it is, not taken as
  // the start of a new name.
  if (OutputRefusal(local(choice.name)) || OutputRefusal(path)) {
    CantSave(prompt);
    return false;
  }
  if (::access(path.c_str(), R_OK) == 0 &&
      prompt.Message("Overwrite existing file?", PromptIcon::Question, PromptButtons::YesNo, PromptAnswer::No) !=
          PromptAnswer::Yes)
    return false;
  const auto bytes = Produce(format, picture, path);
  if (bytes && WriteFileAtomically(path, *bytes)) return true;
  CantSave(prompt);
  return false;
}

}  // namespace kvt
