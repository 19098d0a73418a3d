#include "ui/export_command.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QDir>
#include <QTemporaryDir>

#include "tests/support/scripted_prompt.h"

namespace kvt {

// A device named without an extension was taken as the start of a new
// name, and the file went beside it ("null.csv" in the device folder). The
// command refuses the name; so does Export, whatever the filter.
TEST(ExportCommand, RefusesADeviceNamedWithoutAnExtension) {
  QTemporaryDir dir;
  const std::string device = dir.filePath("dev").toStdString();
  if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP() << "no device node without root";
  PlotPicture picture;
  picture.plot = TypedOptions().Plot();
  picture.curve = CurveFromPairs(std::vector<std::pair<double, double>>(32, {0.0, 0.0}));
  for (const int filter : {0, 1, 2, 3}) {
    SCOPED_TRACE(filter);
    ScriptedPrompt prompt;
    prompt.fileNames = {device};
    prompt.saveFilters = {filter};
    EXPECT_FALSE(ExportCurve(prompt, picture));
    EXPECT_EQ(prompt.Texts(), std::vector<std::string>{"Can't save file"});
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), QStringList{"dev"});
  }
}

}  // namespace kvt
