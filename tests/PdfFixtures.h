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

QList<Page> a4Pages(int count);

// Writes a PDF at 72 dpi whose every page is white with a filled black square
// in its top-left corner (from 5 % to 20 % of the page width) and its label in
// large digits. The square proves order, rotation and placement by pixels.
bool writePdf(const QString &path, const QList<Page> &pages);
bool writePdf(const QString &path, int a4PageCount);

// Renders page (from 0) with QPdfDocument at the given pixels per point.
QImage renderPage(const QString &path, int pageIndex, double scale = 0.5,
                  const QString &password = QString());
int pageCount(const QString &path, const QString &password = QString());

// Where the black mark sits in a rendered page: the centre of the dark pixels
// as fractions of width and height, or (-1, -1) when there are none.
QPointF darkCentre(const QImage &image);
bool isDark(QColor c);
bool isWhite(QColor c);

// Runs an outside tool; returns its standard output (and error, merged) and
// sets *exitCode. Missing tools give exit code -1.
QString run(const QString &program, const QStringList &arguments, int *exitCode = nullptr);
bool toolAvailable(const QString &program);
int pdfinfoPages(const QString &path);
QSizeF pdfinfoPageSize(const QString &path, int page = 1); // in points
bool qpdfCheckClean(const QString &path);

// Encrypts with the qpdf command (user, owner, key length 128 or 256).
bool encrypt(const QString &in, const QString &out, const QString &user, const QString &owner,
             int bits = 256);

} // namespace PdfFixtures
