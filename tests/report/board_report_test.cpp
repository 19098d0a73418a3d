// The board report: its pictures and the HTML and PDF made of them.
#include "report/board_report.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QRegularExpression>

#include "../files/board_samples.h"
#include "plot/plot_font.h"
#include "plot/plot_renderer.h"

namespace kvt {

namespace {

QColor Rgb(unsigned rgb) { return QColor::fromRgb(rgb); }

// Pixels of `colour` (within a little antialiasing) inside the square
// around (x, y).
int PixelsNear(const QImage& image, QPoint centre, int half, QColor colour) {
  int count = 0;
  for (int y = centre.y() - half; y <= centre.y() + half; ++y)
    for (int x = centre.x() - half; x <= centre.x() + half; ++x) {
      if (!image.rect().contains(x, y)) continue;
      const QColor c = image.pixelColor(x, y);
      if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) + std::abs(c.blue() - colour.blue()) < 30)
        ++count;
    }
  return count;
}

QImage GreyPhoto(int width, int height) {
  QImage photo(width, height, QImage::Format_RGB32);
  photo.fill(QColor(20, 40, 120));  // no blend of it with the white outline looks grey
  return photo;
}

ReportSettings PlainSettings() {
  ReportSettings settings;
  settings.program = "kvt 1.2";
  settings.date = "2026-12-07 12:00:00";
  settings.plots.font = ProgramFont();
  settings.plots.plot.colours = {MakeColour(255, 255, 255), MakeColour(0, 0, 160), MakeColour(0, 0, 0)};
  return settings;
}

}  // namespace

TEST(MarkedPhoto, FailingPointsRedPassingGreenUntestedGrey) {
  Board board = SampleBoard(3, 0);
  board.points[0].x = 100, board.points[0].y = 100;
  board.points[1].x = 300, board.points[1].y = 100;
  board.points[1].latest->verdict = PointVerdict::Fail;
  board.points[2].x = 500, board.points[2].y = 100;
  board.points[2].latest.reset();
  const QImage image = MarkedPhoto(GreyPhoto(600, 200), board, 900, ProgramFont());
  ASSERT_EQ(image.size(), QSize(600, 200));
  struct Row {
    const char* name;
    QPoint at;
    unsigned colour;
  };
  const Row rows[] = {{"passing", {100, 100}, MarkPassColour},
                      {"failing", {300, 100}, MarkFailColour},
                      {"untested", {500, 100}, MarkUntestedColour}};
  for (const Row& row : rows) {
    EXPECT_GT(PixelsNear(image, row.at, 12, Rgb(row.colour)), 20) << row.name;
    for (const Row& other : rows) {
      if (other.colour != row.colour) {
        EXPECT_EQ(PixelsNear(image, row.at, 12, Rgb(other.colour)), 0) << row.name;
      }
    }
  }
}

TEST(MarkedPhoto, AFailingPointIsNeverHiddenByAPassingNeighbour) {
  Board board = SampleBoard(2, 0);
  board.points[0].latest->verdict = PointVerdict::Fail;  // first, so drawn first in board order
  for (TestPoint& p : board.points) p.x = 100, p.y = 100;
  const QImage image = MarkedPhoto(GreyPhoto(200, 200), board, 900, ProgramFont());
  EXPECT_GT(PixelsNear(image, {100, 100}, 12, Rgb(MarkFailColour)), 20);
  EXPECT_EQ(PixelsNear(image, {100, 100}, 12, Rgb(MarkPassColour)), 0);
}

TEST(MarkedPhoto, ALargePhotoIsScaledWithItsMarks) {
  Board board = SampleBoard(1, 1);
  board.points[0].x = 3000, board.points[0].y = 1500;
  const QImage image = MarkedPhoto(GreyPhoto(4000, 2000), board, 1000, ProgramFont());
  ASSERT_EQ(image.size(), QSize(1000, 500));
  EXPECT_GT(PixelsNear(image, {750, 375}, 20, Rgb(MarkFailColour)), 20);
}

TEST(PointPlot, DrawsKnownGoodInTheReferenceColourAndTheTestAsTheCurve) {
  const ReportSettings settings = PlainSettings();
  const QColor reference(RedOf(ReferenceColour(0)), GreenOf(ReferenceColour(0)), BlueOf(ReferenceColour(0)));
  struct Row {
    const char* name;
    bool knownGood, test;
  };
  for (const Row& row : {Row{"both", true, true}, Row{"known-good only", true, false}, Row{"test only", false, true}}) {
    TestPoint point = SamplePoint("U1.1", 0, 0, true);
    if (!row.knownGood) point.knownGood.reset();
    if (!row.test) point.latest.reset();
    const QImage image = PointPlot(point, settings.plots);
    ASSERT_EQ(image.size(), settings.plots.size) << row.name;
    const QPoint middle(image.width() / 2, image.height() / 2);
    EXPECT_EQ(PixelsNear(image, middle, image.width(), reference) > 50, row.knownGood) << row.name;
    EXPECT_EQ(PixelsNear(image, middle, image.width(), QColor(0, 0, 160)) > 50, row.test) << row.name;
  }
}

TEST(BoardReport, HtmlIsOneFileWithEveryPictureInside) {
  Board board = SampleBoard(20, 7);  // points 0, 7 and 14 fail
  board.points[3].comment = "near <C3> & R4";
  board.points[19].knownGood.reset();
  board.points[19].latest.reset();
  ReportSettings settings = PlainSettings();
  settings.photo = GreyPhoto(600, 400);
  const QString html = QString::fromStdString(BoardReportHtml(board, settings));
  static const QRegularExpression source(QStringLiteral("src=\"([^\"]*)\""));
  int pictures = 0;
  for (auto it = source.globalMatch(html); it.hasNext();) {
    const QString src = it.next().captured(1);
    ASSERT_TRUE(src.startsWith("data:image/png;base64,")) << src.left(60).toStdString();
    const QImage image = QImage::fromData(QByteArray::fromBase64(src.mid(22).toLatin1()), "PNG");
    EXPECT_FALSE(image.isNull());
    ++pictures;
  }
  EXPECT_EQ(pictures, 1 + 19);  // the photo and every point with a curve
  EXPECT_FALSE(html.contains("http:") || html.contains("https:") || html.contains("file:"));
  EXPECT_TRUE(html.contains("near &lt;C3&gt; &amp; R4"));
  EXPECT_EQ(html.count(">FAIL<"), 3);
  EXPECT_EQ(html.count(">pass<"), 16);
  EXPECT_TRUE(html.contains("3</b></font> (15.8 % of the tested points)")) << html.toStdString().substr(0, 1500);
  EXPECT_TRUE(html.contains("2026-12-07 12:00:00") && html.contains("kvt 1.2") && html.contains("Sample board"));
  EXPECT_TRUE(html.contains(QString::fromUtf8("0.60 V to 0.72 V")));
}

TEST(BoardReport, APhotoThatCannotBeReadIsSaidInstead) {
  ReportSettings settings = PlainSettings();
  settings.photoNote = "The photo photo.png could not be read (file not found).";
  const std::string html = BoardReportHtml(SampleBoard(2), settings);
  EXPECT_NE(html.find("The photo photo.png could not be read"), std::string::npos);
  EXPECT_EQ(html.find("alt=\"the board with its points\""), std::string::npos);
}

TEST(BoardReport, PdfRunsOverAsManyPagesAsTheRowsNeed) {
  ReportSettings settings = PlainSettings();
  settings.photo = GreyPhoto(600, 400);
  const QByteArray small = BoardReportPdf(SampleBoard(2, 2), settings);
  const QByteArray large = BoardReportPdf(SampleBoard(40, 3), settings);
  ASSERT_TRUE(small.startsWith("%PDF-"));
  static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
  const auto pages = [](const QByteArray& pdf) { return QString::fromLatin1(pdf).count(page); };
  EXPECT_GE(pages(small), 1);
  EXPECT_GT(pages(large), pages(small) + 3);
}

TEST(FailingShare, OfTheTestedPoints) {
  struct Row {
    BoardCounts counts;
    const char* share;
  };
  const Row rows[] = {{{5, 5, 0, 0}, "none tested"}, {{20, 20, 20, 3}, "15.0 %"}, {{20, 20, 8, 1}, "12.5 %"},
                      {{3, 3, 3, 3}, "100.0 %"}};
  for (const Row& row : rows) EXPECT_EQ(FailingShare(row.counts), row.share);
}

}  // namespace kvt
