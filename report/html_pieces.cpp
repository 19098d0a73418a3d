#include "report/html_pieces.h"

#include <QBuffer>
#include <QByteArray>

namespace kvt {

QString HtmlEscaped(const std::string& text) { return QString::fromStdString(text).toHtmlEscaped(); }

QString PngDataUri(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return "data:image/png;base64," + QString::fromLatin1(bytes.toBase64());
}

}  // namespace kvt
