#pragma once
// A fresh, empty parts library on each backend the tests run on: an SQLite
// file in a temporary folder, or a new database on the throwaway PostgreSQL
// server of tests/support/pg_fixture.sh (started by CTest's fixture, which
// names its state folder in KVT_TEST_PG_STATE, or else by the test program
// itself).
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>

#include "library/library_location.h"

namespace kvt {

enum class Backend { Sqlite, Postgresql };

inline std::string BackendName(const testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::Sqlite ? "Sqlite" : "Postgresql";
}

// So the test lists say which database, not the enum's bytes.
inline void PrintTo(Backend backend, std::ostream* out) {
  *out << (backend == Backend::Sqlite ? "SQLite" : "PostgreSQL");
}

// The server's URL; empty when PostgreSQL is not installed.
inline std::string PostgresqlUrl() {
  static const std::string url = [] {
    QString state = qEnvironmentVariable("KVT_TEST_PG_STATE");
    static std::unique_ptr<QTemporaryDir> own;
    if (state.isEmpty()) {
      own = std::make_unique<QTemporaryDir>();
      state = own->path();
      if (QProcess::execute(QStringLiteral(KVT_PG_FIXTURE), {"start", state}) != 0) return std::string("!");
      static const QString stop = state;
      std::atexit([] { QProcess::execute(QStringLiteral(KVT_PG_FIXTURE), {"stop", stop}); });
    }
    QFile file(state + "/url");
    if (!file.open(QIODevice::ReadOnly)) return std::string();
    return file.readAll().trimmed().toStdString();
  }();
  return url;
}

inline bool PostgresqlInstalled() { return !QDir("/usr/lib/postgresql").entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty(); }

// The text of a new empty library, or empty after a skip or failure.
class FreshLibrary {
 public:
  explicit FreshLibrary(Backend backend) {
    if (backend == Backend::Sqlite) {
      text_ = dir_.filePath("parts.sqlite").toStdString();
      return;
    }
    const std::string url = PostgresqlUrl();
    if (url.empty() && !PostgresqlInstalled()) return;  // the caller skips
    if (url.empty() || url == "!") {
      ADD_FAILURE() << "PostgreSQL is installed but tests/support/pg_fixture.sh started no server";
      return;
    }
    static std::atomic<int> count{0};
    const QString name = QStringLiteral("kvt_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(++count);
    {
      const LibraryLocation server = ReadLibraryLocation(url).location;
      QSqlDatabase admin = QSqlDatabase::addDatabase("QPSQL", "kvt_test_admin");
      admin.setHostName(QString::fromStdString(server.host));
      admin.setPort(server.port);
      admin.setUserName(QString::fromStdString(server.user));
      admin.setDatabaseName(QString::fromStdString(server.database));
      if (!admin.open()) {
        ADD_FAILURE() << admin.lastError().text().toStdString();
      } else {
        QSqlQuery create(admin);
        if (!create.exec("CREATE DATABASE " + name)) ADD_FAILURE() << create.lastError().text().toStdString();
        else text_ = url.substr(0, url.rfind('/') + 1) + name.toStdString();
        admin.close();
      }
    }
    QSqlDatabase::removeDatabase("kvt_test_admin");
  }
  // Empty when the backend is absent (skip) or could not be set up (failed).
  const std::string& Text() const { return text_; }

 private:
  QTemporaryDir dir_;
  std::string text_;
};

// In a test body: the library's text, or skip when PostgreSQL is absent.
#define KVT_FRESH_LIBRARY(variable, backend)                                                        \
  FreshLibrary variable##_fresh(backend);                                                           \
  if (variable##_fresh.Text().empty()) {                                                            \
    if (!HasFailure()) GTEST_SKIP() << "PostgreSQL is not installed (Debian package postgresql)"; \
    return;                                                                                         \
  }                                                                                                 \
  const std::string variable = variable##_fresh.Text()

}  // namespace kvt
