#pragma once
// What every HTML report writes alike: text made safe for HTML, and a
// picture embedded in the page so the report stays one file.
#include <QImage>
#include <QString>
#include <string>

namespace kvt {

QString HtmlEscaped(const std::string& text);

// "data:image/png;base64,..." of the image.
QString PngDataUri(const QImage& image);

}  // namespace kvt
