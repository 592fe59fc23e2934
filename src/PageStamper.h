#pragma once

#include <QColor>
#include <QPoint>
#include <QString>

class QImage;

// Paints watermarks and page labels onto page pictures. Knows nothing of
// tiles or dialogs, so the placement rules can be checked by pixels alone.
namespace PageStamper {

struct Watermark
{
    QString text;
    QString fontFamily;
    int fontSize = 48; // points, used unscaled
    QColor color = QColor(128, 128, 128);
    int opacity = 30;  // per cent
    int rotation = 45; // clockwise degrees
    int position = 4;  // 0..8, top-left to bottom-right by rows
};

// Opacity in per cent as an alpha value (integer division: 30 % gives 76).
int alphaFor(int opacity);

// Anchor of a watermark on a page picture: the text is centred on it.
QPoint watermarkAnchor(int position, int width, int height);

// Anchor on the dialog's preview sketch, which also depends on the text width.
QPoint previewAnchor(int position, int textWidth);

// Text colour that reads on a button filled with `background`.
QString buttonTextColor(const QColor &background);

// Paints the watermark onto the picture (nothing when it is null).
void paintWatermark(QImage &image, const Watermark &mark);

// The sketch shown by the watermark dialog's preview (320 x 200).
QImage watermarkPreview(const Watermark &mark);

// The label for page `number` of `total` in one of the five formats.
QString pageLabel(int format, int number, int total);

// Baseline start of a page label of the given advance and line height.
QPoint labelPosition(int position, int width, int height, int labelWidth, int lineHeight,
                     int margin);

// Paints a black page label onto the picture (nothing when it is null).
void paintPageLabel(QImage &image, const QString &label, const QString &fontFamily, int fontSize,
                    int position, int margin);

} // namespace PageStamper
