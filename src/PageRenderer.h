#pragma once

#include <QImage>
#include <QList>
#include <QString>

class QPainter;
class QPdfDocument;
class QPdfWriter;
class PageWidget;

// What an output command needs of one page. Commands take these from the
// tiles before their loop starts: the loop pumps events, and the user may
// remove, clear or undo meanwhile, so the loop must never touch a tile.
struct PageRef
{
    QString filePath;
    int pageNumber = 1; // from 1
    int rotation = 0;   // clockwise degrees: 0, 90, 180, 270
    bool selected = false;
};

QList<PageRef> pageRefsOf(const QList<PageWidget *> &tiles);

// Renders pages afresh from their source PDFs for output: within a pixel
// budget, on white paper (the PDF renderer leaves unpainted paper
// transparent, which turns black in JPEG/BMP and costs a soft mask per page in
// a PDF), and turned by the page's rotation.
class PageRenderer
{
public:
    // The largest render any output makes: a poster page at 300 dpi would
    // otherwise need gigabytes.
    static constexpr qint64 DefaultPixelBudget = 100'000'000;
    // Thumbnails of the grid.
    static constexpr qint64 ThumbnailPixelBudget = 4'000'000;
    static constexpr int MaxSide = 1 << 28;

    enum class Outcome {
        Rendered,  // image holds the page
        LoadError, // the source could not be loaded
        NotReady,  // loaded without error but not usable
        NullImage  // the page rendered to nothing
    };

    // Pixel size of a page of `points` rendered at `scale` pixels per point,
    // each side truncated, scaled down as a whole to stay within `budget`;
    // empty when a side would be under one pixel or over MaxSide.
    static QSize renderSize(const QSizeF &points, double scale, qint64 budget = DefaultPixelBudget);

    // Renders page `pageNumber` (from 1) of an open document on white, unrotated.
    static QImage renderPage(QPdfDocument &document, int pageNumber, double scale,
                             qint64 budget = DefaultPixelBudget);

    // Opens the page's source in a document of its own, renders it and turns it.
    // `pointSize`, when given, receives the page's unturned size in points.
    static QImage render(const PageRef &page, double scale, Outcome *outcome = nullptr,
                         qint64 budget = DefaultPixelBudget, QSizeF *pointSize = nullptr);

    // The image turned clockwise by `rotation` degrees (a copy when 0).
    static QImage rotated(const QImage &image, int rotation);

    // The writer's paint rectangle in device pixels, in painter coordinates.
    static QRect paintRect(const QPdfWriter &writer);

    // Draws the whole image stretched over the writer's paint rectangle.
    static void drawStretched(QPainter &painter, const QPdfWriter &writer, const QImage &image);
};
