#pragma once
// The parts library's tables, one schema for SQLite and PostgreSQL, and the
// steps that bring a library from any older version to this one.
#include <string>
#include <vector>

namespace kvt {

enum class SqlDialect { Sqlite, Postgresql };

// The version this program writes; a library of a higher one is refused.
constexpr int CurrentSchemaVersion = 1;

// The statements of the step from version `from` to `from` + 1 (0 is the
// empty database). The caller runs them in one transaction and then sets
// schema_version, which the first step creates.
std::vector<std::string> MigrationStep(int from, SqlDialect dialect);

}  // namespace kvt
