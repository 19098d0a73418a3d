// The settings file where the folder or the file is write-protected, and
// where its name is taken by something that is not a plain file.
#include "core/atomic_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "core/settings.h"
#include "tests/support/child_process.h"

namespace kvt {

namespace {

std::string ReadAll(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return "<missing>";
  return file.readAll().toStdString();
}

QStringList Entries(const std::string& dir) {
  return QDir(QString::fromStdString(dir)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

Settings DefaultsWithPort(const char* port) {
  Settings s;
  SetDefaultSettings(s, AllGroups);
  s[PortHex] = port;
  return s;
}

std::string WrittenOrRefused(bool written) { return written ? "written" : "refused"; }

struct PermissionCase {
  const char* name;
  mode_t folderMode;
  bool fileExists;
  mode_t fileMode;
  bool written;
};

}  // namespace

// Run as an ordinary user: as root, permission bits would not count.
TEST(SettingsFilePermissions, WritableFileIsUpdatedEvenInAReadOnlyFolder) {
  const std::vector<PermissionCase> cases = {
      {"writable folder, writable file", 0755, true, 0644, true},
      {"read-only folder, writable file", 0555, true, 0644, true},
      {"writable folder, read-only file", 0755, true, 0444, false},
      {"read-only folder, read-only file", 0555, true, 0444, false},
      {"read-only folder, no file", 0555, false, 0, false},
  };
  QTemporaryDir temp;
  ASSERT_TRUE(temp.isValid());
  ASSERT_TRUE(GiveToChild(temp.path().toStdString()));
  ::chmod(temp.path().toLocal8Bit().constData(), 0755);
  const Settings old = DefaultsWithPort("378");
  const Settings changed = DefaultsWithPort("3BC");
  std::string oldText, newText;
  for (int i = 0; i < SettingsLines; ++i) oldText += old[i] + "\r\n", newText += changed[i] + "\r\n";

  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = temp.path().toStdString() + "/" + std::to_string(&c - cases.data());
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_TRUE(GiveToChild(folder));
    const std::string file = folder + "/" + ConfigFileName;
    if (c.fileExists) {
      ASSERT_TRUE(WriteSettings(old, folder + "/"));
      ASSERT_TRUE(GiveToChild(file));
      ASSERT_EQ(::chmod(file.c_str(), c.fileMode), 0);
    }
    ASSERT_EQ(::chmod(folder.c_str(), c.folderMode), 0);

    const std::string result = RunInChild(
        [&] { return WrittenOrRefused(WriteSettings(changed, folder + "/")); }, {.unprivileged = true});
    EXPECT_EQ(result, WrittenOrRefused(c.written));
    EXPECT_EQ(ReadAll(file), c.written ? newText : c.fileExists ? oldText : "<missing>");
    // Nothing left beside it, whatever happened.
    EXPECT_EQ(Entries(folder), c.fileExists || c.written ? QStringList{ConfigFileName} : QStringList{});
    if (c.written && c.fileExists) {
      struct stat info {};
      ASSERT_EQ(::stat(file.c_str(), &info), 0);
      EXPECT_EQ(info.st_mode & 07777, c.fileMode) << "a replaced file keeps its permissions";
    }
    ::chmod(folder.c_str(), 0755);
  }
}

// A name taken by a pipe or a device is never opened: opening a pipe for
// reading or writing waits for the other end, and a device would take the
// data (or be replaced by a plain file).
TEST(SettingsFileSpecialNames, PipeOrDeviceNamedLikeTheFileIsLeftAlone) {
  struct Case {
    const char* name;
    mode_t type;
  };
  for (const Case c : {Case{"pipe", S_IFIFO}, Case{"device like /dev/null", S_IFCHR}}) {
    SCOPED_TRACE(c.name);
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const std::string dir = temp.path().toStdString() + "/";
    const std::string file = dir + ConfigFileName;
    if (::mknod(file.c_str(), c.type | 0666, c.type == S_IFCHR ? makedev(1, 3) : 0) != 0) {
      ASSERT_EQ(c.type, S_IFCHR) << "mkfifo failed";
      std::printf("no device node without root: only the pipe is checked\n");
      continue;
    }
    const std::string result = RunInChild([&] {
      Settings read = DefaultsWithPort("3BC");
      ReadSettings(read, dir);
      const bool written = WriteSettings(DefaultsWithPort("3BC"), dir);
      return "read " + read[PortHex] + ", " + WrittenOrRefused(written) + ", " +
             WrittenOrRefused(WriteFileAtomically(file, "x"));
    }, {.timeoutMs = 5000});
    EXPECT_EQ(result, "read 378, refused, refused");  // the read gives the defaults
    struct stat info {};
    ASSERT_EQ(::lstat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & S_IFMT, c.type) << "still the same kind of file";
    EXPECT_EQ(Entries(dir), QStringList{ConfigFileName});
  }
}

}  // namespace kvt
