#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>

// Fixture documents for the tests, and independent readers for what the
// program writes.
namespace PdfFixtures {

struct Page
{
    QPageSize size = QPageSize(QPageSize::A4);
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QString label; // drawn large in the middle; defaults to the page number
};

// Writes a PDF at 72 dpi whose every page is white with a filled black square
// in its top-left corner (from 5 % to 20 % of the page width) and its label in
// large digits. The square proves order, rotation and placement by pixels.
bool writePdf(const QString &path, const QList<Page> &pages);
bool writePdf(const QString &path, int a4PageCount);
// Pages of 40 x 56 points labelled "x", which load quickly by the hundred; an existing file is
// reused. Returns the path.
QString tinyPdf(const QString &path, int pages);
bool writeFile(const QString &path, const QByteArray &bytes);

// Renders page (from 0) with QPdfDocument at the given pixels per point.
QImage renderPage(const QString &path, int pageIndex, double scale = 0.5,
                  const QString &password = QString());
int pageCount(const QString &path, const QString &password = QString());

// Where the black mark sits in a rendered page: the centre of the dark pixels
// as fractions of width and height, or (-1, -1) when there are none.
QPointF darkCentre(const QImage &image);
bool isDark(QColor c);
bool isWhite(QColor c);
// Bounding box of the pixels darker than `below` (grey level) inside `area`, or the whole image.
QRect inkBox(const QImage &image, int below, QRect area = QRect());
// Whether two pictures show the same: equal sizes, and fewer than `share` of the pixels differ by
// more than `tolerance` in a channel. Renderers, text rasterising and JPEG vary by a few levels
// from run to run, so pictures are never compared exactly.
bool sameImage(const QImage &a, const QImage &b, double share = 0.005, int tolerance = 24);

// Runs an outside tool; returns its standard output (and error, merged) and
// sets *exitCode. Missing tools give exit code -1.
QString run(const QString &program, const QStringList &arguments, int *exitCode = nullptr);
bool toolAvailable(const QString &program);
int pdfinfoPages(const QString &path);
QSizeF pdfinfoPageSize(const QString &path, int page = 1); // in points
// No errors and no warnings.
bool qpdfCheckClean(const QString &path, const QString &password = QString());
// The top-level outline as qpdf reads it: each item's title and target page (from 1).
QList<QPair<QString, int>> outline(const QString &path, const QString &password = QString());

// Encrypts with the qpdf command (user, owner, key length 128 or 256).
bool encrypt(const QString &in, const QString &out, const QString &user, const QString &owner,
             int bits = 256);

} // namespace PdfFixtures
