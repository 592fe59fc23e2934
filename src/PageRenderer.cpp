#include "PageRenderer.h"

#include "PageWidget.h"

#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QTransform>
#include <algorithm>
#include <cmath>

QList<PageRef> pageRefsOf(const QList<PageWidget *> &tiles)
{
    QList<PageRef> refs;
    refs.reserve(tiles.size());
    for (const PageWidget *tile : tiles)
        refs.append(
            {tile->getFilePath(), tile->getPageNumber(), tile->getRotation(), tile->isSelected()});
    return refs;
}

QSize PageRenderer::renderSize(const QSizeF &points, double scale, qint64 budget)
{
    // In floating point first: a damaged page may claim billions of points.
    double width = std::floor(points.width() * scale);
    double height = std::floor(points.height() * scale);
    if (!(width >= 1 && height >= 1))
        return QSize();
    const double pixels = width * height;
    if (budget > 0 && pixels > double(budget)) {
        const double shrink = std::sqrt(double(budget) / pixels);
        width = std::max(1.0, std::floor(width * shrink));
        height = std::max(1.0, std::floor(height * shrink));
    }
    // Beyond what an image can address nothing is drawn.
    if (width > MaxSide || height > MaxSide)
        return QSize();
    return QSize(int(width), int(height));
}

QImage PageRenderer::renderPage(QPdfDocument &document, int pageNumber, double scale, qint64 budget)
{
    const int index = pageNumber - 1;
    if (index < 0 || index >= document.pageCount())
        return QImage();
    const QSize size = renderSize(document.pagePointSize(index), scale, budget);
    if (size.isEmpty())
        return QImage();
    const QImage page = document.render(index, size);
    if (page.isNull())
        return QImage();
    QImage paper(page.size(), QImage::Format_RGB32);
    paper.fill(Qt::white);
    QPainter painter(&paper);
    painter.drawImage(0, 0, page);
    painter.end();
    return paper;
}

QImage PageRenderer::render(const PageRef &page, double scale, Outcome *outcome, qint64 budget,
                            QSizeF *pointSize)
{
    auto report = [outcome](Outcome value) {
        if (outcome)
            *outcome = value;
    };
    QPdfDocument document;
    if (document.load(page.filePath) != QPdfDocument::Error::None) {
        report(Outcome::LoadError);
        return QImage();
    }
    if (document.status() != QPdfDocument::Status::Ready) {
        report(Outcome::NotReady);
        return QImage();
    }
    if (pointSize)
        *pointSize = document.pagePointSize(page.pageNumber - 1);
    const QImage image = renderPage(document, page.pageNumber, scale, budget);
    if (image.isNull()) {
        report(Outcome::NullImage);
        return QImage();
    }
    report(Outcome::Rendered);
    return rotated(image, page.rotation);
}

QImage PageRenderer::rotated(const QImage &image, int rotation)
{
    if (rotation % 360 == 0)
        return image;
    return image.transformed(QTransform().rotate(rotation), Qt::SmoothTransformation);
}

QRect PageRenderer::paintRect(const QPdfWriter &writer)
{
    const QRect rect = writer.pageLayout().paintRectPixels(writer.resolution());
    // The painter's origin already sits at the paint rectangle's corner.
    return QRect(QPoint(0, 0), rect.size());
}

void PageRenderer::drawStretched(QPainter &painter, const QPdfWriter &writer, const QImage &image)
{
    if (!image.isNull())
        painter.drawImage(paintRect(writer), image);
}
