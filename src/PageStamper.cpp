#include "PageStamper.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace PageStamper {

namespace {

constexpr int kTileMargin = 50;
constexpr int kPreviewWidth = 320;
constexpr int kPreviewHeight = 200;

QFont stampFont(const QString &family, int pointSize)
{
    QFont font(family);
    font.setPointSize(pointSize);
    return font;
}

// Draws the text centred on the anchor along the turned axis, its baseline a
// quarter of a line below the anchor.
void drawCentred(QPainter &painter, const QPoint &anchor, int rotation, const QString &text)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const int w = metrics.horizontalAdvance(text);
    const int h = metrics.height();
    painter.translate(anchor);
    painter.rotate(rotation);
    painter.drawText(QPoint(-(w / 2), h / 4), text);
}

} // namespace

int alphaFor(int opacity)
{
    return opacity * 255 / 100;
}

QPoint watermarkAnchor(int position, int width, int height)
{
    const int column = position % 3;
    const int row = position / 3;
    const int x = column == 0 ? kTileMargin : column == 1 ? width / 2 : width - kTileMargin;
    const int y = row == 0 ? kTileMargin : row == 1 ? height / 2 : height - kTileMargin;
    return QPoint(x, y);
}

QPoint previewAnchor(int position, int textWidth)
{
    const int column = position % 3;
    const int row = position / 3;
    const int x = column == 0 ? 20 : column == 1 ? 160 : 300 - textWidth;
    const int y = row == 0 ? 30 : row == 1 ? 100 : 180;
    return QPoint(x, y);
}

QString buttonTextColor(const QColor &background)
{
    return background.lightness() <= 128 ? QStringLiteral("white") : QStringLiteral("black");
}

void paintWatermark(QImage &image, const Watermark &mark)
{
    if (image.isNull())
        return;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(stampFont(mark.fontFamily, mark.fontSize));
    QColor color = mark.color;
    color.setAlpha(alphaFor(mark.opacity));
    painter.setPen(color);
    drawCentred(painter, watermarkAnchor(mark.position, image.width(), image.height()),
                mark.rotation, mark.text);
}

QImage watermarkPreview(const Watermark &mark)
{
    QImage sketch(kPreviewWidth, kPreviewHeight, QImage::Format_ARGB32_Premultiplied);
    sketch.fill(Qt::white);
    QPainter painter(&sketch);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(stampFont(mark.fontFamily, mark.fontSize / 4));
    QColor color = mark.color;
    color.setAlpha(alphaFor(mark.opacity));
    painter.setPen(color);
    const QString text = mark.text.isEmpty() ? QStringLiteral("WATERMARK") : mark.text;
    const int w = painter.fontMetrics().horizontalAdvance(text);
    drawCentred(painter, previewAnchor(mark.position, w), mark.rotation, text);
    return sketch;
}

QString pageLabel(int format, int number, int total)
{
    static const char *const lower[] = {"",   "i",   "ii",   "iii", "iv", "v",
                                        "vi", "vii", "viii", "ix",  "x"};
    static const char *const upper[] = {"",   "I",   "II",   "III", "IV", "V",
                                        "VI", "VII", "VIII", "IX",  "X"};
    const bool inTable = number >= 0 && number <= 10;
    switch (format) {
    case 1:
        return QStringLiteral("Page %1 of %2").arg(number).arg(total);
    case 2:
        return QStringLiteral("%1/%2").arg(number).arg(total);
    case 3:
        return inTable ? QString::fromLatin1(lower[number]) : QString::number(number);
    case 4:
        return inTable ? QString::fromLatin1(upper[number]) : QString::number(number);
    default:
        return QString::number(number);
    }
}

QPoint labelPosition(int position, int width, int height, int labelWidth, int lineHeight,
                     int margin)
{
    const int column = position % 3;
    const bool top = position < 3;
    const int x = column == 0   ? margin
                  : column == 1 ? (width - labelWidth) / 2
                                : width - labelWidth - margin;
    const int y = top ? lineHeight + margin : height - margin;
    return QPoint(x, y);
}

void paintPageLabel(QImage &image, const QString &label, const QString &fontFamily, int fontSize,
                    int position, int margin)
{
    if (image.isNull())
        return;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(stampFont(fontFamily, fontSize));
    painter.setPen(Qt::black);
    const QFontMetrics metrics = painter.fontMetrics();
    painter.drawText(labelPosition(position, image.width(), image.height(),
                                   metrics.horizontalAdvance(label), metrics.height(), margin),
                     label);
}

} // namespace PageStamper
