#include "library/library_location.h"

#include <QUrl>
#include <QUrlQuery>

namespace kvt {

namespace {

LocationRead Refused(const std::string& text, const std::string& why) {
  return {{}, "library \"" + text + "\": " + why};
}

LocationRead Postgresql(const std::string& text) {
  const QUrl url(QString::fromStdString(text), QUrl::StrictMode);
  if (!url.isValid()) return Refused(text, "not a URL (" + url.errorString().toStdString() + ")");
  // Messages name the URL without its password.
  QUrl shown = url;
  shown.setPassword({});
  const std::string named = shown.toString().toStdString();
  LibraryLocation location;
  location.kind = LibraryLocation::Kind::Postgresql;
  location.user = url.userName().toStdString();
  location.password = url.password().toStdString();
  location.host = url.host().toStdString();
  location.port = url.port(0);
  location.database = url.path().mid(1).toStdString();
  // The socket folder as libpq's URLs give it: ?host=/run/postgresql
  const QUrlQuery query(url);
  for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
    if (key == "host" && location.host.empty()) {
      location.host = value.toStdString();
    } else if (key == "port" && location.port == 0) {
      bool ok = false;
      location.port = value.toInt(&ok);
      if (!ok || location.port <= 0 || location.port > 65535) return Refused(named, "port \"" + value.toStdString() + "\" is not a port number");
    } else {
      return Refused(named, "unknown setting \"" + key.toStdString() + "\" (host and port are known)");
    }
  }
  if (location.database.empty() || location.database.find('/') != std::string::npos)
    return Refused(named, "names no database; write postgresql://USER@HOST:PORT/DATABASE");
  location.text = named;
  return {location, ""};
}

}  // namespace

LocationRead ReadLibraryLocation(const std::string& text) {
  if (text.empty()) return Refused(text, "empty; give a file path or a postgresql:// URL");
  const auto colon = text.find("://");
  if (colon == std::string::npos) {
    LibraryLocation location;
    location.path = location.text = text;
    return {location, ""};
  }
  const std::string scheme = text.substr(0, colon);
  if (scheme == "postgresql" || scheme == "postgres") return Postgresql(text);
  return Refused(text, "unknown kind \"" + scheme + "://\"; a library is a file path or a postgresql:// URL");
}

}  // namespace kvt
