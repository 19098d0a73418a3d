#pragma once
// Where a parts library lives, as the user names it: a file path (an SQLite
// file) or a postgresql:// URL (a server the benches share).
#include <string>

namespace kvt {

struct LibraryLocation {
  enum class Kind { Sqlite, Postgresql };
  Kind kind = Kind::Sqlite;
  std::string path;  // SQLite: the file
  // PostgreSQL: the connection. No host means the local socket; port 0 the
  // default; no password leaves it to PGPASSWORD or ~/.pgpass.
  std::string user, password, host, database;
  int port = 0;
  std::string text;  // as given, for messages (without the password)
};

struct LocationRead {
  LibraryLocation location;
  std::string error;  // empty when read
};

// "parts.sqlite", "/data/lab.db", "postgresql://user@host:5432/parts".
LocationRead ReadLibraryLocation(const std::string& text);

}  // namespace kvt
